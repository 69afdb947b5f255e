#include "core/images.h"

#include "core/inputfile.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/trmark.h"
#include "checks/crc32.h"

namespace qmr::app {

std::string sRecordText(const uint8_t* buffer, size_t bufferSize, uint32_t start, uint32_t end)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    if (end > start) out.reserve((size_t(end - start) + 15) / 16 * 48 + 16);
    char line[48];
    for (uint64_t offset = start; offset < end; offset += 16) {
        uint8_t rec[21];
        rec[0] = 0x15;
        for (int i = 0; i < 4; ++i) rec[1 + i] = static_cast<uint8_t>(offset >> (24 - 8 * i));
        for (int i = 0; i < 16; ++i) {
            uint64_t at = offset - start + uint64_t(i);
            rec[5 + i] = at < bufferSize ? buffer[at] : 0xFF;
        }
        unsigned sum = 0;
        for (uint8_t b : rec) sum += b;
        line[0] = 'S';
        line[1] = '3';
        for (int i = 0; i < 21; ++i) {
            line[2 + 2 * i] = kHex[rec[i] >> 4];
            line[3 + 2 * i] = kHex[rec[i] & 15];
        }
        uint8_t cs = static_cast<uint8_t>(~sum);
        line[44] = kHex[cs >> 4];
        line[45] = kHex[cs & 15];
        line[46] = '\r';
        line[47] = '\n';
        out.append(line, sizeof line);
    }
    out += "S70500000F10DB\r\n";
    return out;
}

Fp4Sums fp4Sums(const uint8_t* upload, uint32_t size)
{
    constexpr uint32_t k1M = 0x100000, k2M = 0x200000;
    std::vector<uint8_t> work(k2M, 0xFF);
    if (upload) std::memcpy(work.data(), upload, size < k2M ? size : k2M);
    Fp4Sums s;
    s.crc1m = checks::crc32Mpeg2(work.data(), k1M);
    s.crc2m = checks::crc32Mpeg2(work.data(), k2M);
    return s;
}

std::string checksumDisplayText(uint32_t size, const std::string& unitChecksum, const Fp4Sums& sums, const Translate& translate)
{
    auto t = [&](const char* text) { return translate ? translate("Checksum", text) : std::string(text); };
    char c1[16], c2[16];
    std::snprintf(c1, sizeof c1, "%08X", sums.crc1m);
    std::snprintf(c2, sizeof c2, "%08X", sums.crc2m);
    char out[512];
    if (size <= 0x100000) {
        std::string f = t(QT_TRANSLATE_NOOP("Checksum", "\nDevice Checksum      : %s\nFP4 Algorithm\n  CRC sum(32bit:1M)  : %s\n  CRC sum(32bit:2M)  : %s"));
        std::snprintf(out, sizeof out, f.c_str(), unitChecksum.c_str(), c1, c2);
    } else if (size <= 0x200000) {
        std::string f = t(QT_TRANSLATE_NOOP("Checksum", "\nDevice Checksum      : %s\nFP4 Algorithm\n  CRC sum(32bit:1M)  : --Over--\n  CRC sum(32bit:2M)  : %s"));
        std::snprintf(out, sizeof out, f.c_str(), unitChecksum.c_str(), c2);
    } else {
        std::string f = t(QT_TRANSLATE_NOOP("Checksum", "\nDevice Checksum       : %s    "));
        std::snprintf(out, sizeof out, f.c_str(), unitChecksum.c_str());
    }
    return out;
}

std::string intermediateFirmwarePath(const std::string& programFolder)
{
    const std::string name = "QMTemp120.hex";
    std::string beside = (programFolder.empty() ? std::string(".") : programFolder) + "/" + name;
    if (checkInputFile(beside) == InputFile::Ok) return beside;
    // bin/ and libexec/quillmarker/ of an installation find share/quillmarker.
    for (const char* up : {"/../share/quillmarker/", "/../../share/quillmarker/"}) {
        std::string installed = (programFolder.empty() ? std::string(".") : programFolder) + up + name;
        if (checkInputFile(installed) == InputFile::Ok) return installed;
    }
    return beside;
}

bool needsIntermediateFirmware(uint16_t unitVersion, uint32_t imageSize) { return unitVersion < 0x0204 && imageSize > 0xE000; }

uint32_t stepSerial(uint32_t value, int sizeBytes, int step)
{
    return static_cast<uint32_t>(serialAt(value, sizeBytes, step < 0, static_cast<uint32_t>(step < 0 ? -step : step)));
}

uint64_t serialAt(uint64_t value, int sizeBytes, bool down, uint32_t steps)
{
    if (sizeBytes >= 8) return down ? value - steps : value + steps;
    const uint32_t mask = sizeBytes == 1 ? 0xFFu : sizeBytes == 2 ? 0xFFFFu : 0xFFFFFFFFu;
    const uint32_t low = static_cast<uint32_t>(value);
    const uint32_t next = (down ? low - steps : low + steps) & mask;
    return (value & 0xFFFFFFFF00000000ull) | next;
}

std::string serialText(uint64_t value, int sizeBytes)
{
    char b[24];
    const auto low = static_cast<unsigned>(value & 0xFFFFFFFFu);
    switch (sizeBytes) {
    case 8: std::snprintf(b, sizeof b, "%08x%08x", static_cast<unsigned>(value >> 32), low); break;
    case 4: std::snprintf(b, sizeof b, "%08x", low); break;
    case 2: std::snprintf(b, sizeof b, "%04x", low); break;
    default: std::snprintf(b, sizeof b, "%02x", low); break;
    }
    return b;
}

bool parseSerialData64(const std::string& text, int sizeBytes, uint64_t& data)
{
    if (sizeBytes < 8) {
        uint32_t v = 0;
        if (!parseSerialData(text, sizeBytes, v)) return false;
        data = v;
        return true;
    }
    if (text.empty() || text.size() > 16) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        v = v * 16 + uint64_t(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10);
    }
    data = v;
    return true;
}

bool parseSerialAddress(const std::string& text, int sizeBytes, uint32_t highest, uint32_t& address)
{
    unsigned int v = 0;
    if (std::sscanf(text.c_str(), "%x", &v) != 1) return false;
    if (uint64_t(v) + uint64_t(sizeBytes) - 1 > highest) return false;
    address = v;
    return true;
}

bool parseSerialData(const std::string& text, int sizeBytes, uint32_t& data)
{
    if (text.empty() || text.size() > 8) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        v = v * 16 + uint64_t(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10);
    }
    if (sizeBytes == 1 && v >= 256) return false;
    if (sizeBytes == 2 && v > 0xFFFF) return false;
    data = static_cast<uint32_t>(v);
    return true;
}

std::string firmwareVersionText(unsigned major, unsigned minor, unsigned build)
{
    char b[48];
    std::snprintf(b, sizeof b, "%x.%02d(Build%04d)", major, minor, build);
    return b;
}

std::string libraryVersionText(int version)
{
    std::string digits = std::to_string(version);
    if (digits.empty() || digits[0] == '-') return "V" + digits;
    return "V" + digits.substr(0, 1) + "." + digits.substr(1);
}

std::string serialNumberText(const char* text, size_t max)
{
    char s[20] = {};
    for (size_t i = 0; i < max && i < 19 && text[i]; ++i) s[i] = text[i];
    char b[32];
    std::snprintf(b, sizeof b, "%4.4s-%6.6s-%6.6s-%3.3s", s, s + 4, s + 10, s + 16);
    return b;
}

}  // namespace qmr::app
