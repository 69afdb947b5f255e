// The image loader, parameter files, the text checksum, the log writer, the
// file layer and the CRC-32 forms.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <future>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "checks/crc32.h"
#include "files/fileio.h"
#include "files/hexscan.h"
#include "support/hexfiles.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

using qmrtest::kGang;

using Scratch = qmrtest::TempDir;

std::string hex2(unsigned v)
{
    char b[3];
    std::snprintf(b, sizeof b, "%02X", v & 0xFF);
    return b;
}

// One Intel HEX record with its checksum.
std::string ihex(unsigned type, unsigned addr, const std::vector<uint8_t>& data)
{
    unsigned sum = static_cast<unsigned>(data.size()) + (addr >> 8) + (addr & 0xFF) + type;
    std::string s = ":" + hex2(static_cast<unsigned>(data.size())) + hex2(addr >> 8) + hex2(addr) + hex2(type);
    for (uint8_t b : data) {
        s += hex2(b);
        sum += b;
    }
    return s + hex2(0u - sum) + "\r\n";
}

// One S-record: type 1..3 data, 7..9 end, with its checksum.
std::string srec(int type, uint32_t addr, const std::vector<uint8_t>& data)
{
    int alen = (type == 1 || type == 9) ? 2 : (type == 2 || type == 8) ? 3 : 4;
    unsigned count = static_cast<unsigned>(alen + data.size() + 1);
    unsigned sum = count;
    std::string s = "S" + std::to_string(type) + hex2(count);
    for (int i = alen - 1; i >= 0; --i) {
        unsigned b = (addr >> (8 * i)) & 0xFF;
        s += hex2(b);
        sum += b;
    }
    for (uint8_t b : data) {
        s += hex2(b);
        sum += b;
    }
    return s + hex2(~sum) + "\n";
}

const std::string kEnd = ":00000001FF\r\n";

struct Load {
    HexContext* h = nullptr;
    HexProgressRecord rec{};
    bool posted = false;
};

// Loads a file and waits for the outcome.
Load load(const std::string& path, uint32_t firmwareCheck = 0)
{
    static qmrtest::Window window;
    Load l;
    l.h = QMRHexOpen(path.c_str(), window.handle(), QMR_MSG_HEXLOADED, nullptr, 7, firmwareCheck);
    if (!l.h) return l;
    l.posted = window.wait(10000);
    if (l.posted) l.rec = *QMRHexGetProg(l.h);
    return l;
}

class LoaderTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (auto* h : open_) QMRHexClose(h);
    }
    Load run(const std::string& text, uint32_t check = 0)
    {
        Load l = load(scratch.file("image.hex", text), check);
        if (l.h) open_.push_back(l.h);
        return l;
    }
    Scratch scratch;
    std::vector<HexContext*> open_;
};

TEST_F(LoaderTest, FilesThatAreNoImageAreRefusedAtOnce)
{
    EXPECT_EQ(QMRHexOpen(scratch.file("empty.hex", "").c_str(), nullptr, 0, nullptr, 0, 0), nullptr);
    EXPECT_EQ(QMRHexOpen(scratch.file("text.hex", "hello\n").c_str(), nullptr, 0, nullptr, 0, 0), nullptr);
    EXPECT_EQ(QMRHexOpen((scratch.path / "missing.hex").c_str(), nullptr, 0, nullptr, 0, 0), nullptr);
    // A path longer than the name the loader keeps is refused, not cut to another file's.
    std::string deep = scratch.path.string();
    while (deep.size() < 300) {
        deep += "/" + std::string(40, 'd');
        std::filesystem::create_directory(deep);
    }
    std::string longPath = deep + "/image.hex";
    std::ofstream(longPath) << ":0100000001FE\r\n:00000001FF\r\n";
    EXPECT_EQ(QMRHexOpen(longPath.c_str(), nullptr, 0, nullptr, 0, 0), nullptr);
    EXPECT_EQ(QMRHexGetProg(nullptr), nullptr);
    QMRHexClose(nullptr);
}

TEST_F(LoaderTest, IntelHexLoadsWithRangeSizeAndSum)
{
    auto l = run(ihex(0, 0x1000, {0x01, 0x02, 0x03}) + ihex(0, 0x1010, {0x10}) + kEnd);
    ASSERT_TRUE(l.posted);
    EXPECT_EQ(l.rec.result, 0);
    EXPECT_EQ(l.rec.phase, 5);
    EXPECT_EQ(l.rec.percent, 100);
    EXPECT_EQ(l.rec.scale, 100);
    EXPECT_STREQ(l.rec.text, "Success read HEX file.");
    EXPECT_EQ(l.h->loadState, 1);
    EXPECT_EQ(l.h->lowestAddress, 0x1000u);
    EXPECT_EQ(l.h->highestAddress, 0x1010u);
    EXPECT_EQ(l.h->highestAddress2, 0x1010u);
    EXPECT_EQ(l.h->imageSize, 0x1200u);
    EXPECT_EQ(l.h->imageStart, 0u);
    EXPECT_EQ(l.h->callerTag, 7u);
    // 1+2+3, 13 gap bytes of 0xFF, 0x10
    EXPECT_EQ(l.h->imageSum, static_cast<uint16_t>(0u - (6u + 13u * 0xFF + 0x10u)));
    EXPECT_EQ(l.h->imageBuffer[0x1002], 0x03);
    EXPECT_EQ(l.h->imageBuffer[0x1003], 0xFF);
    EXPECT_EQ(l.h->imageBuffer[0x7FFFFF], 0xFF);
    EXPECT_EQ(l.h->imageBuffer[0x800000], 0x00);  // the margin stays zero
}

TEST_F(LoaderTest, ScanRulesForAddresses)
{
    struct Case {
        const char* name;
        std::string text;
        uint32_t lowest;
        uint32_t highest;
        uint32_t probe;  // an address that must hold 0xAB
    };
    const Case cases[] = {
        {"type 04 above 64 KB loads at linear addresses",
         ihex(4, 0, {0x00, 0x01}) + ihex(0, 0x2000, {0xAB, 0xCD}) + ihex(4, 0, {0x00, 0x02}) +
             ihex(0, 0x0000, {0xEE}) + kEnd,
         0, 0x20000, 0x12000},
        {"type 02 segment 0 before data at 0x1000", ihex(2, 0, {0x00, 0x00}) + ihex(0, 0x1000, {0xAB}) + kEnd, 0,
         0x1000, 0x1000},
        {"type 02 segment base", ihex(2, 0, {0x10, 0x00}) + ihex(0, 0x0010, {0xAB}) + kEnd, 0x10000, 0x10010,
         0x10010},
        {"type 02 after type 04 applies",
         ihex(4, 0, {0x00, 0x05}) + ihex(2, 0, {0x20, 0x00}) + ihex(0, 0x0001, {0xAB}) + kEnd, 0, 0x20001,
         0x20001},
        {"type 04 after type 02 applies",
         ihex(2, 0, {0x20, 0x00}) + ihex(4, 0, {0x00, 0x03}) + ihex(0, 0x0002, {0xAB}) + kEnd, 0x20000, 0x30002,
         0x30002},
        {"ignored all-zero record does not count",
         ":0000000000\r\n" + ihex(0, 0x4000, {0xAB}) + ":0000000100\r\n" + ihex(0, 0x4001, {0x01}) + kEnd, 0x4000,
         0x4001, 0x4000},
        {"S9 at 0000 makes the lowest address 0", srec(1, 0x3000, {0xAB, 0x01}) + srec(9, 0, {}), 0, 0x3001,
         0x3000},
        {"S2 and S3 records", srec(2, 0x012345, {0xAB}) + srec(3, 0x00054321, {0x02}) + srec(7, 0x00012345, {}),
         0x12345, 0x54321, 0x12345},
        {"stray lines are skipped", ihex(0, 0x200, {0xAB}) + "; comment\n\ngarbage\n" + ihex(0, 0x201, {1}) + kEnd,
         0x200, 0x201, 0x200},
        {"lower-case digits", ":02100000abcd76\r\n" + kEnd, 0x1000, 0x1001, 0x1000},
        {"a later record overwrites", ihex(0, 0x500, {0x11, 0x22}) + ihex(0, 0x500, {0xAB}) + kEnd, 0x500, 0x501,
         0x500},
    };
    for (const auto& c : cases) {
        auto l = run(c.text);
        ASSERT_TRUE(l.posted) << c.name;
        EXPECT_EQ(l.rec.result, 0) << c.name;
        EXPECT_EQ(l.h->lowestAddress, c.lowest) << c.name;
        EXPECT_EQ(l.h->highestAddress, c.highest) << c.name;
        EXPECT_EQ(l.h->imageBuffer[c.probe], 0xAB) << c.name;
    }
}

TEST_F(LoaderTest, RecordAtTheTopLoadsIntoTheMarginAndAbove8MbFails)
{
    std::vector<uint8_t> d(32, 0x5A);
    auto top = run(srec(3, 0x7FFFF0, d) + srec(7, 0x7FFFF0, {}));
    ASSERT_TRUE(top.posted);
    EXPECT_EQ(top.rec.result, 0);
    EXPECT_EQ(top.h->highestAddress, 0x80000Fu);
    EXPECT_EQ(top.h->imageSize, 0x800200u);
    EXPECT_EQ(top.h->imageBuffer[0x80000F], 0x5A);

    std::string bad = srec(3, 0x800000, {1, 2});
    bad[bad.size() - 2] ^= 1;  // wrong checksum too: the address test comes first
    for (const std::string& text : {srec(3, 0x800000, {1, 2}), bad,
                                    ihex(4, 0, {0x00, 0x80}) + ihex(0, 0, {1}) + kEnd}) {
        auto l = run(text);
        ASSERT_TRUE(l.posted);
        EXPECT_EQ(l.rec.result, QMR_HEX_ERANGE);
        EXPECT_EQ(l.h->loadState, 2);
        EXPECT_STREQ(l.rec.text, "Error read HEX file.");
        EXPECT_EQ(l.rec.percent, 0);
        EXPECT_EQ(l.rec.scale, 0);
    }
}

TEST_F(LoaderTest, BrokenRecordsFailWithChecksumError)
{
    std::string wrong = ihex(0, 0x100, {1, 2, 3});
    wrong[wrong.size() - 3] = wrong[wrong.size() - 3] == '0' ? '1' : '0';
    std::string cut = ihex(0, 0x100, {1, 2, 3, 4, 5, 6});
    cut.resize(cut.size() - 8);  // the file ends inside the record
    for (const std::string& text : {wrong, cut, std::string(":10"), std::string("S3")}) {
        auto l = run(text);
        ASSERT_TRUE(l.posted) << text;
        EXPECT_EQ(l.rec.result, QMR_HEX_ECHECKSUM) << text;
    }
}

TEST_F(LoaderTest, CutOffAndEmptyImagesFailWithChecksumError)
{
    const std::string hexData = ihex(4, 0, {0x00, 0x01}) + ihex(0, 0x100, {0xAB, 0xCD});
    const std::string sData = srec(3, 0x10100, {0xAB, 0xCD});
    const std::pair<const char*, std::string> cases[] = {
        {"Intel HEX cut off at a line end", hexData},
        {"S-records cut off at a line end", sData},
        {"Intel HEX end record only", kEnd},
        {"S-record end record only", srec(9, 0, {})},
        {"address records but no data", ihex(4, 0, {0x00, 0x01}) + ihex(2, 0, {0x10, 0x00}) + kEnd},
        {"S0 header and end only", srec(1, 0, {}).replace(1, 1, "0") + srec(7, 0, {})},
    };
    for (const auto& [name, text] : cases) {
        auto l = run(text);
        ASSERT_TRUE(l.posted) << name;
        EXPECT_EQ(l.rec.result, QMR_HEX_ECHECKSUM) << name;
        EXPECT_EQ(l.h->loadState, 2) << name;
    }
    // The same data with its end record is an image.
    EXPECT_EQ(run(hexData + kEnd).rec.result, 0);
    EXPECT_EQ(run(sData + srec(7, 0, {})).rec.result, 0);
}

std::vector<uint8_t> firmwareBlock(const char* marker, size_t n)
{
    std::vector<uint8_t> d(0x80, 0x00);
    std::memcpy(d.data() + 0x70, marker, n);
    return d;
}

TEST_F(LoaderTest, FirmwareMarkers)
{
    auto unitFw = [&](uint32_t base) {
        std::string t = ihex(4, 0, {0x00, static_cast<uint8_t>(base >> 16)});
        auto d = firmwareBlock("vexor\x9F\x2F\xBF\x53\xDA", 10);
        for (size_t off = 0; off < d.size(); off += 16)
            t += ihex(0, (base & 0xFFFF) + static_cast<unsigned>(off), std::vector<uint8_t>(d.begin() + off, d.begin() + off + 16));
        return t + kEnd;
    };
    // The type 04 record before the data makes the lowest address 0, so the
    // marker must sit at 0x70 of the image.
    EXPECT_EQ(run(unitFw(0), QMR_FW_CHECK_UNIT).rec.result, 0);
    auto missing = run(unitFw(0x100), QMR_FW_CHECK_UNIT);
    EXPECT_EQ(missing.rec.result, QMR_HEX_EMARKER);
    EXPECT_EQ(missing.h->imageBuffer[0x170], 'v');  // the image is otherwise complete
    EXPECT_EQ(missing.h->highestAddress, 0x17Fu);
    auto gang = run(unitFw(0), QMR_FW_CHECK_GANG);
    EXPECT_EQ(gang.rec.result, kGang ? QMR_HEX_EMARKER : 0);  // the single build ignores check 2
    std::string g = srec(1, 0, firmwareBlock("vexorgang\xDA", 10)) + srec(9, 0, {});
    EXPECT_EQ(run(g, QMR_FW_CHECK_GANG).rec.result, 0);
    // A lowest address near the top leaves no room for a marker: missing, not a crash.
    EXPECT_EQ(run(srec(3, 0x7FFFFE, {1}) + srec(7, 0xFFFFFFF0, {}), QMR_FW_CHECK_UNIT).rec.result, QMR_HEX_EMARKER);
}

TEST_F(LoaderTest, FileTimeIsInEveryRecordBeforeTheLoad)
{
    std::string p = scratch.file("t.hex", ihex(0, 0, {1}) + kEnd);
    struct stat st;
    ASSERT_EQ(stat(p.c_str(), &st), 0);
    struct tm t;
    localtime_r(&st.st_mtime, &t);
    HexContext* h = QMRHexOpen(p.c_str(), nullptr, 0, "aux.hex", 0, 0);
    ASSERT_NE(h, nullptr);
    for (int i : {0, 999}) {
        EXPECT_EQ(h->ring[i].year, t.tm_year + 1900);
        EXPECT_EQ(h->ring[i].month, t.tm_mon + 1);
        EXPECT_EQ(h->ring[i].day, t.tm_mday);
        EXPECT_EQ(h->ring[i].hour, t.tm_hour);
        EXPECT_EQ(h->ring[i].minute, t.tm_min);
        EXPECT_EQ(h->ring[i].second, t.tm_sec);
    }
    EXPECT_STREQ(h->auxName, "aux.hex");
    EXPECT_STREQ(h->fileName, p.c_str());
    QMRHexClose(h);
}

TEST_F(LoaderTest, ClosingWhileTheLoaderScansPostsNothing)
{
    // About 40 MB of records: far longer to scan than closing takes.
    std::string p = (scratch.path / "big.hex").string();
    {
        std::ofstream f(p, std::ios::binary);
        std::string line = ihex(0, 0, std::vector<uint8_t>(32, 0x11));
        for (int i = 0; i < 500000; ++i) f << line;
        f << kEnd;
    }
    qmrtest::Window w;
    HexContext* h = QMRHexOpen(p.c_str(), w.handle(), QMR_MSG_HEXLOADED, nullptr, 0, 0);
    ASSERT_NE(h, nullptr);
    QMRHexClose(h);
    EXPECT_FALSE(w.wait(200));
}

TEST_F(LoaderTest, NullWindowKeepsTheOutcomeInLoadStateAndItsRecord)
{
    const std::string good = ihex(0, 0, {1}) + kEnd;
    std::string damaged = good;
    damaged[damaged.find('\r') - 1] ^= 1;  // the first record's checksum
    const struct {
        const char* name;
        std::string text;
        int state, result;
    } cases[] = {{"good", good, 1, QMR_HEX_OK}, {"damaged", damaged, 2, QMR_HEX_ECHECKSUM}, {"no end", ihex(0, 0, {1}), 2, QMR_HEX_ECHECKSUM}};
    for (const auto& c : cases) {
        std::string p = scratch.file(std::string(c.name) + ".hex", c.text);
        HexContext* h = QMRHexOpen(p.c_str(), nullptr, 0, nullptr, 0, 0);
        ASSERT_NE(h, nullptr) << c.name;
        for (int i = 0; i < 500 && __atomic_load_n(&h->loadState, __ATOMIC_ACQUIRE) == 0; ++i) usleep(2000);
        EXPECT_EQ(__atomic_load_n(&h->loadState, __ATOMIC_ACQUIRE), c.state) << c.name;
        HexProgressRecord* r = QMRHexGetProg(h);
        EXPECT_EQ(r->phase, 5) << c.name;
        EXPECT_EQ(r->result, c.result) << c.name;
        QMRHexClose(h);
    }
}

// ---- parameter files ------------------------------------------------------------
TEST(ParameterFile, ReadIntoTheRecord)
{
    Scratch s;
    std::string full(16384, '\0');
    for (size_t i = 0; i < full.size(); ++i) full[i] = static_cast<char>(i * 13 + 1);
    PrmRecord* r = QMRReadPRM(s.file("a.prs", full).c_str(), 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(+r->prmFileSize, 16384u);
    EXPECT_EQ(std::memcmp(r->prmImage, full.data(), full.size()), 0);
    for (size_t i = 16384; i < sizeof r->prmImage; ++i) ASSERT_EQ(r->prmImage[i], 0) << i;
    for (uint8_t b : r->prmReserved) ASSERT_EQ(b, 0);
    EXPECT_EQ(+r->reserved, 0u);
    EXPECT_EQ(+r->reservedFlags, 0u);
    QMRFreePRM(r);

    PrmRecord* small = QMRReadPRM(s.file("small.prs", std::string(100, 'x')).c_str(), 0);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(+small->prmFileSize, 100u);
    EXPECT_EQ(small->prmImage[99], 'x');
    EXPECT_EQ(small->prmImage[100], 0);
    QMRFreePRM(small);

    PrmRecord* largest = QMRReadPRM(s.file("max.prs", std::string(23712, 'y')).c_str(), 0);
    EXPECT_NE(largest, nullptr);
    QMRFreePRM(largest);
    EXPECT_EQ(QMRReadPRM(s.file("big.prs", std::string(23713, 'y')).c_str(), 0), nullptr);
    EXPECT_EQ(QMRReadPRM((s.path / "missing.prs").c_str(), 0), nullptr);
    QMRFreePRM(nullptr);
}

// Bitwise reference of the text checksum's CRC.
uint32_t referenceTextCrc(const std::string& significant)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : significant + "SUM") {
        crc ^= static_cast<uint32_t>(c) << 24;
        for (int k = 0; k < 8; ++k) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : (crc << 1);
    }
    return crc;
}

std::string sumLine(uint32_t v)
{
    char b[32];
    std::snprintf(b, sizeof b, "SUM=%08X\r\n", v);
    return b;
}

TEST(ParameterFile, TextChecksum)
{
    Scratch s;
    const std::string body = "[DEVICE]\r\nNAME = UPD70F3\r\n";
    const std::string significant = "[DEVICE]NAMEUPD70F3[CHECKSUM]";
    uint32_t sum = referenceTextCrc(significant);
    struct Case {
        const char* name;
        std::string text;
        int expected;
    };
    const Case cases[] = {
        {"plain", body + "[CHECKSUM]\r\n" + sumLine(sum), 1},
        {"blanks, tabs and '=' do not count",
         "  [DEVICE]\r\n\tNAME\t=\t UPD 70F3\r\n[CHECKSUM]\r\n" + sumLine(sum), 1},
        {"comment and blank lines do not count",
         "; header\r\n" + std::string("[DEVICE]\r\n \t\r\n;x\r\nNAME = UPD70F3\r\n") + "[CHECKSUM] ; trailing\r\n" +
             sumLine(sum),
         1},
        {"a changed value fails", "[DEVICE]\r\nNAME = UPD70F4\r\n[CHECKSUM]\r\n" + sumLine(sum), 0},
        {"a wrong sum fails", body + "[CHECKSUM]\r\n" + sumLine(sum ^ 1), 0},
        {"no checksum section fails", body, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QMRChecksumPRM(s.file("p.txt", c.text).c_str(), 0), c.expected) << c.name;
    EXPECT_EQ(QMRChecksumPRM((s.path / "missing.txt").c_str(), 0), 0);
}

// ---- log writer and file layer ----------------------------------------------------
TEST(LogWrite, CreatesAppendsFormatsAndCuts)
{
    Scratch s;
    std::string p = (s.path / "log.txt").string();
    QMRLogWrite(p.c_str(), "%s=%d %u %x %X %c %lu|", "n", -5, 7u, 0xab, 0xab, 'z', 123456789UL);
    QMRLogWrite(p.c_str(), "%05d%%\n", 42);
    QMRLogWrite(nullptr, "%s", "ignored");
    std::ifstream in(p);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "n=-5 7 ab AB z 123456789|00042%\n");
    std::string q = (s.path / "long.txt").string();
    QMRLogWrite(q.c_str(), "%s", std::string(400, 'a').c_str());
    EXPECT_EQ(fs::file_size(q), 255u);
}

TEST(FileLayer, ReadersShareAFileAndAWriterHoldsItAlone)
{
    Scratch s;
    std::string p = s.file("x.txt", "line one\r\nline two\nno end");
    qmr::files::File* a = qmr::files::openRead(p.c_str());
    ASSERT_NE(a, nullptr);
    qmr::files::File* second = qmr::files::openRead(p.c_str());
    EXPECT_NE(second, nullptr);  // two readers at once, as two programs or tests
    qmr::files::closeFile(second);
    QMRLogWrite(p.c_str(), "%s", "appended");  // held by a reader: the write is given up
    char buf[256];
    ASSERT_NE(qmr::files::readLine(a, buf, sizeof buf), nullptr);
    EXPECT_STREQ(buf, "line one\n");
    // A line feed alone does not end a line: the rest comes in pieces of the buffer.
    char small[8];
    ASSERT_NE(qmr::files::readLine(a, small, sizeof small), nullptr);
    EXPECT_STREQ(small, "line tw");
    EXPECT_EQ(qmr::files::readLine(a, buf, sizeof buf), nullptr);  // no line end before the file ends
    EXPECT_EQ(qmr::files::closeFile(a), 0);
    EXPECT_EQ(qmr::files::closeFile(nullptr), -1);
    EXPECT_EQ(fs::file_size(p), 25u);
    // While a writer holds the file, a reader fails.
    int w = ::open(p.c_str(), O_WRONLY);
    ASSERT_GE(w, 0);
    ASSERT_EQ(flock(w, LOCK_EX), 0);
    EXPECT_EQ(qmr::files::openRead(p.c_str()), nullptr);
    ::close(w);
    qmr::files::File* b = qmr::files::openRead(p.c_str());
    EXPECT_NE(b, nullptr);
    qmr::files::closeFile(b);
}

TEST(FileLayer, AFifoOrAFolderIsRefusedAtOnce)
{
    Scratch s;
    std::string fifo = (s.path / "pipe.hex").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A call that blocked in open() would be let go by a writer after the
    // wait, and fail the test instead of hanging it.
    auto refusedAtOnce = [&](auto call) {
        auto f = std::async(std::launch::async, call);
        if (f.wait_for(std::chrono::seconds(3)) == std::future_status::ready) return f.get();
        int w = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        f.wait();
        if (w >= 0) ::close(w);
        return false;
    };
    for (const std::string& path : {fifo, s.path.string()}) {
        EXPECT_TRUE(refusedAtOnce([&] { return QMRHexOpen(path.c_str(), nullptr, 0, nullptr, 0, 0) == nullptr; }))
            << path;
        EXPECT_TRUE(refusedAtOnce([&] { return QMRReadPRM(path.c_str(), 0) == nullptr; })) << path;
    }
}

// ---- the fast scan against the plain one ----------------------------------------------
struct Scanned {
    qmr::files::ScanOutcome o;
    std::vector<uint8_t> image;
};

enum class Scan { Plain, Fast, FromFile };

// The image as the caller hands it over: 0xFF in the first 8 MB for the scans
// of a text in memory, anything for the scan that reads the file; the margin
// holds what the caller left there.
Scanned scanned(const std::string& text, Scan how, unsigned parts = 1, bool portable = false, size_t chunk = 4096)
{
    Scanned r;
    r.image.assign(QMR_IMAGE_ALLOC, how == Scan::FromFile ? 0x5A : 0xFF);
    for (size_t i = QMR_IMAGE_SIZE; i < r.image.size(); ++i) r.image[i] = static_cast<uint8_t>(i * 7);
    const qmr::files::ScanOptions options{parts, 64 * 1024, portable, chunk};
    if (how == Scan::Plain) {
        r.o = qmr::files::scanImageReference(text.data(), text.size(), r.image.data());
    } else if (how == Scan::Fast) {
        r.o = qmr::files::scanImage(text.data(), text.size(), r.image.data(), nullptr, nullptr, options);
    } else {
        qmrtest::TempDir dir;
        const std::string path = dir.file("image.txt", text);
        qmr::files::File* f = qmr::files::openRead(path.c_str());
        std::string got(text.size(), '\0');
        bool readOk = false;
        r.o = qmr::files::readAndScan(f, got.data(), got.size(), r.image.data(), readOk, nullptr, nullptr, options);
        qmr::files::closeFile(f);
        EXPECT_TRUE(readOk);
        EXPECT_TRUE(got == text);
    }
    return r;
}

// The text with line inserted after the line break that follows fraction of it.
std::string withLine(std::string text, double fraction, const std::string& line)
{
    const size_t at = text.find('\n', static_cast<size_t>(double(text.size()) * fraction)) + 1;
    return text.insert(at, line);
}

TEST(FastScan, GivesThePlainScansImageRangeAndFirstErrorWhereverThePiecesFall)
{
    std::mt19937 rng(7);
    std::vector<uint8_t> img(512 * 1024);
    for (auto& b : img) b = static_cast<uint8_t>(rng());
    const std::string intel = qmrtest::intelHex({{0, img}}), srec = qmrtest::sRecords({{0x10000, img}});
    const std::string badSum = ":10000000" + std::string(32, '1') + "00\r\n";
    const std::string tooHigh = ":020000040100F9\r\n:1000000000000000000000000000000000000000F0\r\n";
    std::vector<qmrtest::Runs::value_type> down;
    for (uint32_t a = 0x80000; a > 0; a -= 16) down.push_back({a - 16, std::vector<uint8_t>(16, uint8_t(a))});
    std::string lower = intel, bare;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char c : lower)
        if (c != '\r') bare += c == '\n' ? "\n\n" : std::string(1, c);
    std::string longCount = intel;
    longCount.replace(longCount.find("\n:10", longCount.size() / 2) + 2, 2, "30");
    const std::string toMargin = qmrtest::intelHex({{0, img}, {0x7FFFF8, std::vector<uint8_t>(16, 0xA5)}});
    std::string stray;  // a digit after every record's checksum
    for (char c : intel) stray += c == '\r' ? std::string("7\r") : std::string(1, c);
    // Records of 32 bytes whose data holds a line that reads as an address
    // record: a piece may begin there, the plain scan never does.
    auto nibble = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 0; };
    std::string hidden;
    char line[64];
    for (uint32_t i = 0; i < 0xF00; ++i) {
        std::snprintf(line, sizeof line, ":10%04X00%032X%02X\r\n", i * 16, 0u, (0u - 16 - (i * 16 >> 8) - (i * 16 & 0xFF)) & 0xFF);
        hidden += line;
        if (i % 200 != 199) continue;
        const uint32_t a = 0xF000 + i / 200 * 32;
        std::string data = "\r\n:020000040005F5\r\n";
        data += std::string(64 - data.size(), '0');
        unsigned sum = 32 + (a >> 8) + (a & 0xFF);
        for (size_t k = 0; k < 64; k += 2) sum += nibble(data[k]) * 16 + nibble(data[k + 1]);
        std::snprintf(line, sizeof line, ":20%04X00", a);
        hidden += line + data;
        std::snprintf(line, sizeof line, "%02X\r\n", (0u - sum) & 0xFF);
        hidden += line;
    }
    hidden += ":00000001FF\r\n";
    struct Case {
        const char* what;
        std::string text;
        bool inPieces;  // the pieces fit: the outcome comes from them
    } cases[] = {
        {"Intel HEX", intel, true},
        {"S-records", srec, true},
        {"an S1 record without data", withLine(srec, 0.5, "S1030000FC\r\n"), true},
        {"lowercase digits, bare line feeds, blank lines", bare, true},
        {"the last record runs into the margin", toMargin, true},
        {"records that run down the addresses", qmrtest::intelHex(down), true},
        {"data from 0x8000 on", qmrtest::intelHex({{0x8000, img}}), true},
        {"a stray digit after every record", stray, true},
        {"an end record at 40 % (and after it a record into the margin)", withLine(toMargin, 0.4, ":00000001FF\r\n"), false},
        {"records whose data holds a line that reads as an address record", hidden, false},
        {"a broken checksum at 70 %, a record above 8 MB at 90 %", withLine(withLine(intel, 0.9, tooHigh), 0.7, badSum), false},
        {"a record above 8 MB at 70 %, a broken checksum at 90 %", withLine(withLine(intel, 0.9, badSum), 0.7, tooHigh), false},
        {"a record at the end writing over bytes of the first piece",
         qmrtest::intelHex({{0, img}, {0x100, std::vector<uint8_t>(16, 0xAA)}}), false},
        {"an S-record file with an Intel HEX record in it", withLine(srec, 0.6, ":10000000" + std::string(32, '2') + "D0\r\n"), false},
        {"a count that runs over the next lines", longCount, false},
        {"cut off before the end record", intel.substr(0, intel.size() - 13), true},
        // G0 1_ #2 @: `g: what is no digit counts as 0 (sum 0x22 + 0x01)
        {"characters that are no hexadecimal digits", ":10000000G01 #2@:`g" + std::string(20, '0') + "01DD\r\n" + srec, false},
    };
    for (const Case& c : cases) {
        const Scanned plain = scanned(c.text, Scan::Plain);
        struct Way {
            Scan how;
            unsigned parts;
            bool portable;
            size_t chunk;
        } ways[] = {{Scan::Fast, 1, false, 0},          {Scan::Fast, 2, false, 0},         {Scan::Fast, 3, true, 0},
                    {Scan::Fast, 5, false, 0},          {Scan::FromFile, 1, false, 4096},  {Scan::FromFile, 2, false, 4096},
                    {Scan::FromFile, 3, true, 65536},   {Scan::FromFile, 5, false, 1500}};
        for (const Way& w : ways) {
            const Scanned fast = scanned(c.text, w.how, w.parts, w.portable, w.chunk);
            const std::string way = std::string(w.how == Scan::Fast ? "in memory, " : "from the file, ") +
                                    std::to_string(w.parts) + " parts";
            ASSERT_EQ(fast.o.result, plain.o.result) << c.what << ", " << way;
            EXPECT_EQ(fast.o.pieces > 1, c.inPieces && w.parts > 1) << c.what << ", " << way;
            if (plain.o.result) continue;
            EXPECT_EQ(fast.o.lowest, plain.o.lowest) << c.what << ", " << way;
            EXPECT_EQ(fast.o.highest, plain.o.highest) << c.what << ", " << way;
            EXPECT_TRUE(fast.image == plain.image) << c.what << ", " << way;
        }
    }
}

// ---- CRC-32 forms -------------------------------------------------------------------
TEST(Crc32, CheckValuesAndAgreementWithABitwiseReference)
{
    const auto* d = reinterpret_cast<const uint8_t*>("123456789");
    EXPECT_EQ(qmr::checks::crc32Zip(d, 9), 0xCBF43926u);
    EXPECT_EQ(qmr::checks::crc32Bzip2(d, 9), 0xFC891918u);
    EXPECT_EQ(qmr::checks::crc32Mpeg2(d, 9), 0x0376E6E7u);
    std::mt19937 rng(1);
    std::vector<uint8_t> data(4200);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    // Short and long runs (the folding works in blocks), at every alignment.
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 100; n += 7) lengths.push_back(n);
    for (size_t n : {255, 256, 257, 1023, 1024, 4095}) lengths.push_back(n);
    for (size_t offset = 0; offset < 4; ++offset)
        for (size_t n : lengths) {
            const uint8_t* p = data.data() + offset;
            uint32_t zip = 0xFFFFFFFFu, msb = 0xFFFFFFFFu;
            for (size_t i = 0; i < n; ++i) {
                zip ^= p[i];
                for (int k = 0; k < 8; ++k) zip = (zip & 1) ? (zip >> 1) ^ 0xEDB88320u : (zip >> 1);
                msb ^= static_cast<uint32_t>(p[i]) << 24;
                for (int k = 0; k < 8; ++k) msb = (msb & 0x80000000u) ? (msb << 1) ^ 0x04C11DB7u : (msb << 1);
            }
            EXPECT_EQ(qmr::checks::crc32Zip(p, n), ~zip) << n;
            EXPECT_EQ(qmr::checks::crc32Mpeg2(p, n), msb) << n;
            EXPECT_EQ(qmr::checks::crc32Bzip2(p, n), ~msb) << n;
            // A state carried from one piece to the next gives the same CRC.
            const size_t cut = n / 3;
            EXPECT_EQ(qmr::checks::crc32MsbUpdate(qmr::checks::crc32MsbUpdate(0xFFFFFFFFu, p, cut), p + cut, n - cut), msb) << n;
            EXPECT_EQ(qmr::checks::crc32ReflectedUpdate(qmr::checks::crc32ReflectedUpdate(0xFFFFFFFFu, p, cut), p + cut, n - cut),
                      zip)
                << n;
        }
}

}  // namespace

// ---- the shipped example files --------------------------------------------------------
namespace {

std::string example(const char* name) { return std::string(QM_EXAMPLES_DIR) + "/" + name; }

TEST(ExampleFiles, ImagesInBothFormatsLoadTheSameBytes)
{
    Load a = load(example("blinky.hex"));
    Load b = load(example("blinky.mot"));
    ASSERT_TRUE(a.posted && b.posted);
    EXPECT_EQ(a.rec.result, 0);
    EXPECT_EQ(b.rec.result, 0);
    EXPECT_EQ(a.h->imageSize, b.h->imageSize);
    EXPECT_EQ(a.h->highestAddress, 0x2C3Fu);
    EXPECT_EQ(a.h->imageSum, b.h->imageSum);
    EXPECT_EQ(std::memcmp(a.h->imageBuffer, b.h->imageBuffer, QMR_IMAGE_ALLOC), 0);
    QMRHexClose(a.h);
    QMRHexClose(b.h);
}

TEST(ExampleFiles, FirmwareImagesCarryTheirMarkers)
{
    const std::pair<const char*, uint32_t> cases[] = {
        {"qm_fw_demo.hex", QMR_FW_CHECK_UNIT}, {"QMTemp120.hex", QMR_FW_CHECK_UNIT}, {"qmgang_fw_demo.hex", QMR_FW_CHECK_GANG}};
    for (auto [file, check] : cases) {
        Load l = load(example(file), check);
        ASSERT_TRUE(l.posted) << file;
        EXPECT_EQ(l.rec.result, 0) << file;
        QMRHexClose(l.h);
    }
    Load wrong = load(example("qmgang_fw_demo.hex"), QMR_FW_CHECK_UNIT);
    EXPECT_EQ(wrong.rec.result, QMR_HEX_EMARKER);
    QMRHexClose(wrong.h);
}

TEST(ExampleFiles, ParameterFilesAreValidAndTheSettingBelongsToTheFirst)
{
    for (const char* f : {"class1.prs", "class2.prs", "class3.prs"}) {
        PrmRecord* r = QMRReadPRM(example(f).c_str(), 0);
        ASSERT_NE(r, nullptr) << f;
        EXPECT_EQ(+r->prmFileSize, 16384u);
        EXPECT_LT(r->prmImage[0], 5);
        uint32_t stored = r->prmImage[2] | (r->prmImage[3] << 8) | (r->prmImage[4] << 16) | (uint32_t(r->prmImage[5]) << 24);
        EXPECT_EQ(qmr::checks::crc32Zip(r->prmImage + 6, 16378), stored) << f;
        if (std::strcmp(f, "class1.prs") == 0) {
            std::ifstream in(example("demo.set"), std::ios::binary);
            std::vector<char> set((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            ASSERT_EQ(set.size(), 16384u);
            EXPECT_EQ(std::memcmp(set.data() + 2, r->prmImage + 2, 44), 0);
        }
        QMRFreePRM(r);
    }
}

}  // namespace
