// The programs' core without a toolkit: the form's texts, S-record files,
// the checksum display, serial numbers, the setting and parameter file
// rules, and files read and written whole.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/images.h"
#include "core/inputfile.h"
#include "core/setfiles.h"
#include "core/summary.h"
#include "checks/crc32.h"
#include "scratch.h"

using namespace qmr::app;
namespace fs = std::filesystem;

namespace {

using qmrtest::Scratch;

std::string slurp(const std::string& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

SetRecord record()
{
    SetRecord r{};
    std::memcpy(r.setFileName, "LINE 3", 6);
    std::memcpy(r.prmIdent + 14, "NM78K0X.PRS", 11);
    r.supplyVoltage = '3';
    r.oscHz.set(8000000);
    r.oscSource = 1;
    r.operationMode = 0;
    return r;
}

TEST(Summary, FormTextsOfASettingsRecord)
{
    struct Case {
        const char* name;
        void (*change)(SetRecord&);
        const char* method;
        const char* speed;
        const char* voltage;
        const char* oscillator;
        const char* mode;
    };
    const Case cases[] = {
        {"clocked serial with handshake",
         [](SetRecord& r) {
             r.commMethod = 2;
             r.clockHz.set(1000000);
         },
         "SIO+H/S", "1,000,000 Hz", "3.3V Output", "8,000,000 * 1.0", "Chip"},
        {"UART with a multiplier",
         [](SetRecord& r) {
             r.commMethod = 3;
             r.baudRate.set(115200);
             r.oscMultiplier = 0x25;
             r.supplyVoltage = 'P';
         },
         "UART", "115,200 bps", "5.0V Output", "8,000,000 * 2.5 ", "Chip"},
        {"UART, three digits and on the target",
         [](SetRecord& r) {
             r.commMethod = 4;
             r.baudRate.set(300);
             r.oscSource = 0;
             r.supplyVoltage = 0;
         },
         "UART", "300 bps", "Target voltage", "8,000,000 * 1.0  On Target", "Chip"},
        {"clocked serial, block mode",
         [](SetRecord& r) {
             r.commMethod = 1;
             r.clockHz.set(4000);
             r.operationMode = 1;
             r.endBlockAddress.set(0x7FFF);
         },
         "SIO", "4,000 Hz", "3.3V Output", "8,000,000 * 1.0", "Block 00000 - 07FFF"},
        {"class 3 subtype 1 has an internal oscillator",
         [](SetRecord& r) {
             r.commMethod = 5;
             r.clockHz.set(12345678);
             r.classBlock[0] = 3;
             r.classBlock[5] = 1;
         },
         "SIO", "12,345,678 Hz", "3.3V Output", "Internal", "Chip"},
    };
    for (const auto& c : cases) {
        SetRecord r = record();
        c.change(r);
        SetupSummary s = summarizeSetup(r, nullptr, true);
        EXPECT_EQ(s.setting, "LINE 3") << c.name;
        EXPECT_EQ(s.parameter, "NM78K0X.PRS") << c.name;
        EXPECT_EQ(s.method, c.method) << c.name;
        EXPECT_EQ(s.speed, c.speed) << c.name;
        EXPECT_EQ(s.voltage, c.voltage) << c.name;
        EXPECT_EQ(s.oscillator, c.oscillator) << c.name;
        EXPECT_EQ(s.mode, c.mode) << c.name;
    }
    // Without the unit's setup information only the names are shown.
    SetupSummary none = summarizeSetup(record(), nullptr, false);
    EXPECT_EQ(none.setting, "LINE 3");
    EXPECT_TRUE(none.method.empty() && none.voltage.empty() && none.mode.empty());
}

TEST(Summary, DigitsTimestampsAndCrc)
{
    EXPECT_EQ(groupDigits(999), "999");
    EXPECT_EQ(groupDigits(1000), "1,000");
    EXPECT_EQ(groupDigits(99999999), "99,999,999");
    EXPECT_EQ(hexTimestampText("20261209103015", false), "2026/12/09 10:30:15");
    EXPECT_EQ(hexTimestampText("20261209103015", true), "09/12/2026 10:30:15");
    EXPECT_EQ(hexTimestampText("2026", true), "");
    EXPECT_EQ(hexCrcText(0), "");
    EXPECT_EQ(hexCrcText(0xab12), "0000AB12");
}

TEST(SRecords, LinesOfSixteenBytesAndTheEndLine)
{
    std::vector<uint8_t> ff(32, 0xFF);
    std::string t = sRecordText(ff.data(), ff.size(), 0, 32);
    EXPECT_EQ(t,
              "S31500000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFA\r\n"
              "S31500000010FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFEA\r\n"
              "S70500000F10DB\r\n");
    // A line is 48 characters; a last partial line is filled from the buffer,
    // 0xFF past its end; the first byte belongs to the start offset.
    std::vector<uint8_t> b = {0x01, 0x02, 0x03};
    std::string p = sRecordText(b.data(), b.size(), 0x100, 0x103);
    // 0x15 + 0x01 + 1 + 2 + 3 + 13 x 0xFF = 0xD0F: the checksum is ~0x0F.
    EXPECT_EQ(p.substr(0, 48), "S31500000100010203FFFFFFFFFFFFFFFFFFFFFFFFFFF0\r\n");
    EXPECT_EQ(sRecordText(b.data(), b.size(), 0, 0), "S70500000F10DB\r\n");
}

TEST(ChecksumDisplay, SumsAndTextsBySize)
{
    std::vector<uint8_t> upload(0x200001, 0x00);
    Fp4Sums s = fp4Sums(upload.data(), 0x100000);
    std::vector<uint8_t> work(0x200000, 0xFF);
    std::memset(work.data(), 0, 0x100000);
    EXPECT_EQ(s.crc1m, qmr::checks::crc32Mpeg2(work.data(), 0x100000));
    EXPECT_EQ(s.crc2m, qmr::checks::crc32Mpeg2(work.data(), 0x200000));
    char c1[9], c2[9];
    std::snprintf(c1, sizeof c1, "%08X", s.crc1m);
    std::snprintf(c2, sizeof c2, "%08X", s.crc2m);
    EXPECT_EQ(checksumDisplayText(0x100000, "12AB", s),
              std::string("\nDevice Checksum      : 12AB\nFP4 Algorithm\n  CRC sum(32bit:1M)  : ") + c1 +
                  "\n  CRC sum(32bit:2M)  : " + c2);
    EXPECT_EQ(checksumDisplayText(0x100001, "12AB", s),
              std::string("\nDevice Checksum      : 12AB\nFP4 Algorithm\n  CRC sum(32bit:1M)  : --Over--\n  CRC sum(32bit:2M)  : ") + c2);
    EXPECT_EQ(checksumDisplayText(0x200001, "12AB", s), "\nDevice Checksum       : 12AB    ");
    // An upload larger than 2 MB is summed over its first 2 MB only.
    EXPECT_EQ(fp4Sums(upload.data(), 0x200001).crc2m, qmr::checks::crc32Mpeg2(upload.data(), 0x200000));
}

TEST(SerialNumbers, SteppingAndTheInputRules)
{
    EXPECT_EQ(stepSerial(0xFF, 1, 1), 0u);
    EXPECT_EQ(stepSerial(0, 1, -1), 0xFFu);
    EXPECT_EQ(stepSerial(0xFFFF, 2, 1), 0u);
    EXPECT_EQ(stepSerial(0, 2, -1), 0xFFFFu);
    EXPECT_EQ(stepSerial(0xFFFFFFFF, 4, 1), 0u);
    EXPECT_EQ(stepSerial(41, 4, 1), 42u);
    uint32_t a = 0;
    EXPECT_TRUE(parseSerialAddress("7fff", 1, 0x7FFF, a));  // exactly the last address
    EXPECT_EQ(a, 0x7FFFu);
    EXPECT_FALSE(parseSerialAddress("7fff", 2, 0x7FFF, a));  // its second byte lies beyond
    EXPECT_FALSE(parseSerialAddress("", 1, 0x7FFF, a));
    EXPECT_FALSE(parseSerialAddress("zz", 1, 0x7FFF, a));
    uint32_t d = 0;
    EXPECT_FALSE(parseSerialData("100", 1, d));
    EXPECT_TRUE(parseSerialData("FF", 1, d));
    EXPECT_TRUE(parseSerialData("FFFF", 2, d));
    EXPECT_EQ(d, 0xFFFFu);
    EXPECT_FALSE(parseSerialData("10000", 2, d));
    EXPECT_TRUE(parseSerialData("FFFFFFFF", 4, d));
    EXPECT_FALSE(parseSerialData("123456789", 4, d));
    EXPECT_FALSE(parseSerialData("12g", 4, d));
    EXPECT_FALSE(parseSerialData("", 4, d));
}

TEST(SerialNumbers, EightPositionsFromABaseWrapByTheirSize)
{
    auto hl = [](uint32_t h, uint32_t l) { return (uint64_t(h) << 32) | l; };
    struct Case {
        uint64_t base;
        int size;
        bool down;
        std::vector<uint64_t> positions;  // 1..8
        uint64_t next;                    // after position 8
    };
    const Case cases[] = {
        {hl(0, 0xFFFFFFFE), 8, false,
         {hl(0, 0xFFFFFFFE), hl(0, 0xFFFFFFFF), hl(1, 0), hl(1, 1), hl(1, 2), hl(1, 3), hl(1, 4), hl(1, 5)}, hl(1, 6)},
        {hl(1, 1), 8, true,
         {hl(1, 1), hl(1, 0), hl(0, 0xFFFFFFFF), hl(0, 0xFFFFFFFE), hl(0, 0xFFFFFFFD), hl(0, 0xFFFFFFFC), hl(0, 0xFFFFFFFB),
          hl(0, 0xFFFFFFFA)},
         hl(0, 0xFFFFFFF9)},
        {hl(7, 0xFFFFFFFF), 8, true,  // the high word stays for all eight
         {hl(7, 0xFFFFFFFF), hl(7, 0xFFFFFFFE), hl(7, 0xFFFFFFFD), hl(7, 0xFFFFFFFC), hl(7, 0xFFFFFFFB), hl(7, 0xFFFFFFFA),
          hl(7, 0xFFFFFFF9), hl(7, 0xFFFFFFF8)},
         hl(7, 0xFFFFFFF7)},
        {0x01, 1, true, {0x01, 0x00, 0xFF, 0xFE, 0xFD, 0xFC, 0xFB, 0xFA}, 0xF9},
        {hl(5, 0xFFFE), 2, false, {hl(5, 0xFFFE), hl(5, 0xFFFF), hl(5, 0), hl(5, 1), hl(5, 2), hl(5, 3), hl(5, 4), hl(5, 5)}, hl(5, 6)},
        {0xFFFFFFFF, 4, false, {0xFFFFFFFF, 0, 1, 2, 3, 4, 5, 6}, 7},
    };
    for (const auto& c : cases) {
        for (uint32_t i = 0; i < 8; ++i)
            EXPECT_EQ(serialAt(c.base, c.size, c.down, i), c.positions[i]) << c.size << (c.down ? " down " : " up ") << i;
        EXPECT_EQ(serialAt(c.positions[7], c.size, c.down, 1), c.next) << c.size;
    }
    EXPECT_EQ(serialText(hl(1, 6), 8), "0000000100000006");
    EXPECT_EQ(serialText(0xAB, 1), "ab");
    EXPECT_EQ(serialText(0xAB, 2), "00ab");
    EXPECT_EQ(serialText(0xAB, 4), "000000ab");
    uint64_t v = 0;
    ASSERT_TRUE(parseSerialData64("123456789abcdef0", 8, v));  // the first 8 digits are the high word
    EXPECT_EQ(v, hl(0x12345678, 0x9abcdef0));
    ASSERT_TRUE(parseSerialData64("1ffffffff", 8, v));
    EXPECT_EQ(v, hl(1, 0xFFFFFFFF));
    EXPECT_FALSE(parseSerialData64("123456789abcdef01", 8, v));  // 17 digits
    EXPECT_FALSE(parseSerialData64("10000", 2, v));
    EXPECT_FALSE(parseSerialData64("", 8, v));
}

TEST(Versions, TextsOfTheAboutBox)
{
    EXPECT_EQ(firmwareVersionText(2, 5, 258), "2.05(Build0258)");
    EXPECT_EQ(libraryVersionText(134), "V1.34");
    EXPECT_EQ(serialNumberText("ABCD123456EFGHIJ", 16), "ABCD-123456-EFGHIJ-   ");
    EXPECT_TRUE(needsIntermediateFirmware(0x0203, 0xE001));
    EXPECT_FALSE(needsIntermediateFirmware(0x0203, 0xE000));
    EXPECT_FALSE(needsIntermediateFirmware(0x0204, 0x20000));
}

TEST(SettingFiles, PathAndNameRules)
{
    const std::pair<const char*, const char*> paths[] = {
        {"abc", "abc.set"},
        {"abc.txt", "abc.set"},
        {"a.b.c", "a.set"},
        {"/home/u/dir.d/abc", "/home/u/dir.d/abc.set"},  // a dotted folder is not the extension
        {"/home/u/dir.d/abc.SET", "/home/u/dir.d/abc.set"},
    };
    for (const auto& [chosen, expected] : paths) EXPECT_EQ(setFilePathFor(chosen), expected) << chosen;
    EXPECT_TRUE(isParameterFilePath("/x/X.prs"));
    EXPECT_FALSE(isParameterFilePath("/x/X.PRS"));
    EXPECT_FALSE(isParameterFilePath("rs"));
}

TEST(ParameterFiles, ChecksumBeforeVersion)
{
    std::ifstream f(std::string(QM_EXAMPLES_DIR) + "/class1.prs", std::ios::binary);
    auto r = std::make_unique<PrmRecord>();
    std::memset(r.get(), 0, sizeof *r);
    f.read(reinterpret_cast<char*>(r->prmImage), 16384);
    r->prmFileSize = 16384;
    EXPECT_EQ(checkParameterRecord(*r), PrmFileCheck::Ok);
    r->prmImage[0] = 5;  // the version is not covered by the CRC
    EXPECT_EQ(checkParameterRecord(*r), PrmFileCheck::TooNew);
    r->prmImage[100] ^= 1;
    EXPECT_EQ(checkParameterRecord(*r), PrmFileCheck::ChecksumError);
}

TEST(WholeFiles, WrittenWholeOrNotAtAllAndReadWithoutBlocking)
{
    Scratch s;
    std::string target = (s.path / "out.s").string();
    ASSERT_TRUE(writeWholeFile(target, "first", 5));
    ASSERT_TRUE(writeWholeFile(target, "second", 6));  // replaces it
    EXPECT_EQ(slurp(target), "second");
    // The longest names a folder takes are written too.
    for (size_t n : {248u, 255u}) {
        std::string longName = (s.path / (std::string(n - 2, 'n') + ".s")).string();
        EXPECT_TRUE(writeWholeFile(longName, "long", 4)) << n;
        EXPECT_EQ(slurp(longName), "long") << n;
        fs::remove(longName);
    }
    // A folder that does not exist: the reason, and nothing left anywhere.
    std::string why;
    EXPECT_FALSE(writeWholeFile((s.path / "no/such/out.s").string(), "x", 1, &why));
    EXPECT_FALSE(why.empty());
    // A name taken by a folder: refused, the folder and its files intact.
    fs::create_directory(s.path / "taken");
    EXPECT_FALSE(writeWholeFile((s.path / "taken").string(), "x", 1, &why));
    EXPECT_TRUE(fs::is_directory(s.path / "taken"));
    size_t entries = 0;
    for (auto& e : fs::directory_iterator(s.path)) entries += e.path().filename().string()[0] == '.';
    EXPECT_EQ(entries, 0u) << "a temporary file was left behind";

    std::vector<uint8_t> bytes;
    EXPECT_EQ(readWholeFile(target, 16, bytes), InputFile::Ok);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "second");
    EXPECT_EQ(readWholeFile(target, 3, bytes), InputFile::TooLarge);
    EXPECT_EQ(readWholeFile((s.path / "none").string(), 16, bytes), InputFile::Missing);
    EXPECT_EQ(readWholeFile(s.path.string(), 16, bytes), InputFile::NotRegular);
    std::string fifo = (s.path / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(readWholeFile(fifo, 16, bytes), InputFile::NotRegular);
    EXPECT_EQ(checkInputFile(fifo), InputFile::NotRegular);
}

}  // namespace
