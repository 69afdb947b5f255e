// make_examples: writes the example files every demo and test can use:
// parameter files for a device of each class, a settings file made for the
// first, a program image as Intel HEX and as S-records, and firmware images
// of the unit, of the gang box and the intermediate unit firmware.  The
// devices, their names and vendors are invented.  The output is the same on
// every run; the repository keeps it in examples/data.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "checks/crc32.h"

namespace {

using Bytes = std::vector<uint8_t>;

void le16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void le32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void text(Bytes& b, size_t at, const char* s, size_t max)
{
    std::strncpy(reinterpret_cast<char*>(&b[at]), s, max - 1);
}

struct Method {
    uint8_t byte0, code, flags;
    uint32_t clock;
    const char* name;
};
struct Device {
    const char* name;
    uint8_t signature[16];
    uint32_t blockSize;
    uint16_t blocks;
    uint8_t timingTable;
};
struct Family {
    const char* file;
    uint32_t id;
    const char* prmName;
    uint8_t deviceClass, signatureKind, subtype;
    std::vector<uint8_t> multipliers;
    uint32_t maxHz, oscHigh, oscLow, clockLow, clockHigh, baudLow, baudHigh, defOsc, defClock, defBaud;
    uint8_t voltageLimit;
    std::vector<Method> methods;
    std::vector<Device> devices;
    bool subTable;
};

Bytes parameterFile(const Family& f)
{
    Bytes p(16384, 0);
    p[0] = 4;  // format version, below 5
    for (int i = 0; i < 4; ++i) p[6 + i] = static_cast<uint8_t>(f.id >> (24 - 8 * i));
    text(p, 16, f.prmName, 30);
    le16(p, 46, 0x0100);
    p[48] = f.deviceClass;
    p[50] = f.signatureKind;
    p[53] = f.subtype;
    p[54] = 1;  // the Read command is offered
    for (size_t i = 0; i < f.multipliers.size() && i < 8; ++i) p[64 + i] = f.multipliers[i];
    le32(p, 80, f.maxHz);
    le32(p, 84, f.oscHigh);
    le32(p, 88, f.oscLow);
    p[93] = 0x03;  // blank check before erase, read verify after program
    p[94] = 0x00;
    le32(p, 96, f.clockLow);
    le32(p, 100, f.clockHigh);
    le32(p, 104, f.baudLow);
    le32(p, 108, f.baudHigh);
    le32(p, 112, f.defOsc);
    le32(p, 116, f.defClock);
    le32(p, 120, f.defBaud);
    p[124] = f.voltageLimit;
    for (size_t i = 0; i < f.methods.size(); ++i) {
        size_t at = 128 + 32 * i;
        const Method& m = f.methods[i];
        p[at] = m.byte0;
        p[at + 1] = m.code;
        p[at + 2] = m.flags;
        le32(p, at + 4, m.clock);
        text(p, at + 8, m.name, 24);
    }
    uint16_t blockIndex = 0;
    for (size_t i = 0; i < f.devices.size(); ++i) {
        const Device& d = f.devices[i];
        size_t at = 384 + 80 * i;
        std::memcpy(&p[at], d.signature, 16);
        le16(p, at + 30, blockIndex);
        le32(p, at + 32, d.blockSize * d.blocks - 1);
        le16(p, at + 36, d.blocks);
        p[at + 38] = d.timingTable;
        text(p, at + 39, d.name, 25);
        for (uint16_t k = 0; k < d.blocks; ++k) le32(p, 2944 + 4 * (blockIndex + k), d.blockSize * (k + 1) - 1);
        blockIndex = static_cast<uint16_t>(blockIndex + d.blocks);
    }
    for (int t = 0; t < 2; ++t) {
        size_t at = 7040 + 400 * t;
        for (int w = 0; w < 92; ++w) le32(p, at + 4 * w, static_cast<uint32_t>(100 + 37 * w + 500 * t));
        le32(p, at + 4 * 50, f.subTable ? 12000 : 0xFFFF);
        le32(p, at + 4 * 51, 0xFFFF);
        le32(p, at + 4 * 52, 0xFFFFFFFF);
    }
    if (f.subTable)
        for (int w = 0; w < 30; ++w) le32(p, 12000 + 4 * w, static_cast<uint32_t>(7 * w + 3));
    le32(p, 2, qmr::checks::crc32Zip(p.data() + 6, p.size() - 6));
    return p;
}

// A settings file for device 0 of a family, the whole device in chip mode.
Bytes settingsFile(const Bytes& prm, const char* name)
{
    Bytes s(16384, 0);
    s[0] = 2;
    std::memcpy(&s[0x002], &prm[2], 44);
    std::memcpy(&s[0x02E], &prm[46], 2);
    text(s, 0x030, name, 33);
    std::memcpy(&s[0x050], &prm[48], 16);
    s[0x061] = 'P';            // 5 V output
    s[0x062] = 1;              // oscillator from the programmer's list
    s[0x063] = prm[93];
    s[0x064] = 0xFF;           // nothing prohibited
    s[0x069] = 1;              // standalone: EPV
    le32(s, 0x070, 4000000);
    le32(s, 0x074, 1000000);
    le32(s, 0x078, 115200);
    std::memcpy(&s[0x090], &prm[128], 3);
    s[0x092] = 0;
    std::memcpy(&s[0x0A0], &prm[384], 32);
    uint32_t top = prm[384 + 32] | (prm[384 + 33] << 8) | (prm[384 + 34] << 16) | (uint32_t(prm[384 + 35]) << 24);
    uint16_t blocks = static_cast<uint16_t>(prm[384 + 36] | (prm[384 + 37] << 8));
    le32(s, 0x0C0, top);
    le16(s, 0x0C6, static_cast<uint16_t>(blocks - 1));
    le32(s, 0x0D4, top);
    std::memcpy(&s[0x0E0], &prm[384 + 64], 16);
    for (uint16_t k = 0; k < blocks; ++k) std::memcpy(&s[0x0F0 + 4 * k], &prm[2944 + 4 * k], 4);
    for (int w = 0; w < 92; ++w) std::memcpy(&s[0x10F0 + 4 * w], &prm[7040 + 4 * w], 4);
    return s;
}

// A program image: a vector table and code-like bytes.
Bytes programImage(size_t size)
{
    Bytes b(size);
    uint32_t x = 0x1234567;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = static_cast<uint8_t>(x >> 16);
    }
    for (size_t i = 0; i < 64 && i < size; ++i) b[i] = static_cast<uint8_t>(i < 2 ? 0x80 : 0xFF);
    return b;
}

std::string hex2(unsigned v)
{
    char s[3];
    std::snprintf(s, sizeof s, "%02X", v & 0xFF);
    return s;
}

// Intel HEX with 32 data bytes a record and type 04 records above 64 KB.
std::string intelHex(const Bytes& image, uint32_t base)
{
    std::string out;
    uint32_t upper = 0xFFFFFFFF;
    for (size_t off = 0; off < image.size(); off += 32) {
        uint32_t a = base + static_cast<uint32_t>(off);
        if ((a >> 16) != upper) {
            upper = a >> 16;
            unsigned sum = 2 + 4 + (upper >> 8) + (upper & 0xFF);
            out += ":02000004" + hex2(upper >> 8) + hex2(upper) + hex2(0u - sum) + "\r\n";
        }
        size_t n = std::min<size_t>(32, image.size() - off);
        unsigned sum = static_cast<unsigned>(n) + ((a >> 8) & 0xFF) + (a & 0xFF);
        out += ":" + hex2(static_cast<unsigned>(n)) + hex2(a >> 8) + hex2(a) + "00";
        for (size_t k = 0; k < n; ++k) {
            out += hex2(image[off + k]);
            sum += image[off + k];
        }
        out += hex2(0u - sum) + "\r\n";
    }
    return out + ":00000001FF\r\n";
}

// S-records: S0 header, S3 data of 32 bytes, S7 end.
std::string sRecords(const Bytes& image, uint32_t base, const char* header)
{
    std::string out = "S0";
    size_t hl = std::strlen(header);
    unsigned sum = static_cast<unsigned>(hl + 3);
    out += hex2(static_cast<unsigned>(hl + 3)) + "0000";
    for (size_t i = 0; i < hl; ++i) {
        out += hex2(static_cast<uint8_t>(header[i]));
        sum += static_cast<uint8_t>(header[i]);
    }
    out += hex2(~sum) + "\r\n";
    for (size_t off = 0; off < image.size(); off += 32) {
        uint32_t a = base + static_cast<uint32_t>(off);
        size_t n = std::min<size_t>(32, image.size() - off);
        unsigned s = static_cast<unsigned>(n + 5);
        out += "S3" + hex2(static_cast<unsigned>(n + 5));
        for (int i = 3; i >= 0; --i) {
            out += hex2(a >> (8 * i));
            s += (a >> (8 * i)) & 0xFF;
        }
        for (size_t k = 0; k < n; ++k) {
            out += hex2(image[off + k]);
            s += image[off + k];
        }
        out += hex2(~s) + "\r\n";
    }
    unsigned s7 = 5 + ((base >> 24) & 0xFF) + ((base >> 16) & 0xFF) + ((base >> 8) & 0xFF) + (base & 0xFF);
    char end[32];
    std::snprintf(end, sizeof end, "S705%08X%s\r\n", base, hex2(~s7).c_str());
    return out + end;
}

Bytes firmware(size_t size, const uint8_t* marker, size_t markerLen, uint8_t seed)
{
    Bytes b = programImage(size);
    for (auto& v : b) v = static_cast<uint8_t>(v ^ seed);
    std::memcpy(&b[0x70], marker, markerLen);
    return b;
}

bool write(const std::string& path, const void* data, size_t n)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, n, f) == n;
    return std::fclose(f) == 0 && ok;
}
bool write(const std::string& path, const Bytes& b) { return write(path, b.data(), b.size()); }
bool write(const std::string& path, const std::string& s) { return write(path, s.data(), s.size()); }

}  // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : ".";
    const Family class1{"class1.prs", 0x4E4D0101, "NM78K0X.PRS", 1, 1, 2, {0x10, 0x20, 0x25, 0x40},
                        20000000, 8000000, 1000000, 4000, 8000000, 9600, 153600, 4000000, 1000000, 115200, 0,
                        {{0x01, 1, 0x00, 0, "SIO ch-0"}, {0x02, 3, 0x00, 0, "UART ch-0"}},
                        {{"NM78F0511", {0x10, 0x7F, 0x04, 0x7C, 0x01}, 2048, 8, 1},
                         {"NM78F0512", {0x10, 0x7F, 0x04, 0x7C, 0x02}, 2048, 16, 1},
                         {"NM78F0514", {0x10, 0x7F, 0x04, 0x7C, 0x04}, 4096, 16, 2}},
                        false};
    const Family class2{"class2.prs", 0x4E4D0202, "NMBL2.PRS", 2, 2, 1, {},
                        8000000, 8000000, 6000000, 0, 0, 86400, 115200, 8000000, 0, 115200, 0,
                        {{0x01, 3, 0x00, 0, "UART"}},
                        {{"NMBL2-32K", {0x20, 0x11, 0x22, 0x33, 0x44}, 1024, 32, 1}},
                        false};
    const Family class3{"class3.prs", 0x4E4D0303, "NMV85X.PRS", 3, 3, 1, {0x10, 0x40},
                        64000000, 8000000, 2000000, 0, 8000000, 100000, 300000, 8000000, 2000000, 300000, '3',
                        {{0x01, 4, 0x00, 0, "UART"}, {0x02, 2, 0x01, 8000000, "CSI-H/S"}},
                        {{"NMV850-128K", {0x30, 0x10, 0x85, 0x00, 0x80}, 8192, 16, 1},
                         {"NMV850-256K", {0x30, 0x10, 0x85, 0x01, 0x00}, 16384, 16, 2}},
                        true};
    bool ok = true;
    Bytes prm1 = parameterFile(class1);
    ok &= write(dir + "/" + class1.file, prm1);
    ok &= write(dir + "/" + class2.file, parameterFile(class2));
    ok &= write(dir + "/" + class3.file, parameterFile(class3));
    ok &= write(dir + "/demo.set", settingsFile(prm1, "DEMO NM78F0511 EPV"));
    Bytes image = programImage(0x2C40);
    ok &= write(dir + "/blinky.hex", intelHex(image, 0));
    ok &= write(dir + "/blinky.mot", sRecords(image, 0, "blinky"));
    const uint8_t unit[10] = {'v', 'e', 'x', 'o', 'r', 0x9F, 0x2F, 0xBF, 0x53, 0xDA};
    const uint8_t gang[10] = {'v', 'e', 'x', 'o', 'r', 'g', 'a', 'n', 'g', 0xDA};
    ok &= write(dir + "/qm_fw_demo.hex", intelHex(firmware(0x12000, unit, 10, 0x5A), 0));
    ok &= write(dir + "/qmgang_fw_demo.hex", intelHex(firmware(0x9000, gang, 10, 0xA5), 0));
    ok &= write(dir + "/QMTemp120.hex", intelHex(firmware(0xC000, unit, 10, 0x33), 0));
    if (!ok) {
        std::fprintf(stderr, "make_examples: cannot write the files into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
