// Image upload and read-out to S-record files, the checksum display, the
// two-stage firmware update, the serial-number EPV, the log history and
// About, against the simulated unit.
#include "fixture.h"

#include <unistd.h>

#include <sstream>

#include "checks/codes.h"
#include "support/hexfiles.h"

using namespace qmtest;
namespace fs = std::filesystem;

namespace {


// The bytes of an S-record file's data lines by offset, and its line count.
struct SFile {
    std::map<uint32_t, uint8_t> bytes;
    std::vector<std::string> lines;
};
SFile parseS(const QString& path)
{
    SFile out;
    std::ifstream f(path.toStdString(), std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find("\r\n", pos);
        if (end == std::string::npos) break;
        std::string line = all.substr(pos, end - pos);
        out.lines.push_back(line);
        if (line.rfind("S3", 0) == 0) {
            uint32_t addr = std::stoul(line.substr(4, 8), nullptr, 16);
            for (int i = 0; i < 16; ++i) out.bytes[addr + uint32_t(i)] = uint8_t(std::stoul(line.substr(12 + 2 * i, 2), nullptr, 16));
        }
        pos = end + 2;
    }
    return out;
}

std::string firmwareHex(uint32_t size, bool marker = true)
{
    return qmrtest::firmwareHex(size, marker ? qmrtest::Marker::Unit : qmrtest::Marker::None);
}

class Images : public ::testing::Test {
protected:
    void SetUp() override
    {
        Unit::reset();
        Unit::store(true, 0x1234);
    }
    std::vector<uint8_t> unitImage()
    {
        std::vector<uint8_t> out;
        Unit::with([&](qmr::sim::Device& d) { out = d.store().image->data; });
        return out;
    }
};

TEST_F(Images, TheUnitsImageIsUploadedToAnSRecordFileByteForByte)
{
    Scratch t;
    Session s;
    ASSERT_TRUE(s.start());
    s.screen.files.push_back({true, t.at("upload.s")});
    s.trigger(Action::HexUpload);
    ASSERT_TRUE(s.waitLog(QStringLiteral("HEX File Upload Command Completion")));
    ASSERT_TRUE(s.waitIdle());
    EXPECT_EQ(s.screen.fileRequests.back().defaultSuffix, QStringLiteral("s"));
    EXPECT_TRUE(s.screen.fileRequests.back().overwritePrompt);
    SFile f = parseS(t.at("upload.s"));
    std::vector<uint8_t> image = unitImage();
    ASSERT_EQ(f.lines.size(), (image.size() + 15) / 16 + 1);
    EXPECT_EQ(f.lines.back(), "S70500000F10DB");
    for (size_t i = 0; i < image.size(); ++i) ASSERT_EQ(f.bytes[uint32_t(i)], image[i]) << i;
    for (const auto& l : f.lines) EXPECT_EQ(l.size() + 2, l[1] == '3' ? 48u : 16u);
    // A folder that cannot be written to: the user is told, nothing is left.
    s.screen.messages.clear();
    s.screen.files.push_back({true, t.at("gone/upload.s")});
    s.trigger(Action::HexUpload);
    ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); }));
    EXPECT_TRUE(s.screen.messages.back().text.startsWith(QStringLiteral("The S-record file could not be written to ")));
    EXPECT_FALSE(fs::exists(t.path / "gone"));
    // Another command afterwards writes no file of its own.
    s.trigger(Action::Erase);
    ASSERT_TRUE(s.waitIdle());
    EXPECT_EQ(std::distance(fs::directory_iterator(t.path), fs::directory_iterator()), 1);
}

TEST_F(Images, TheTargetIsReadOutToAnSRecordFile)
{
    Scratch t;
    Session s;
    ASSERT_TRUE(s.start());
    s.trigger(Action::Epv);
    ASSERT_TRUE(s.waitLog(QStringLiteral("PROGRESS 100 Completion")));
    s.screen.files.push_back({true, t.at("read.s")});
    s.trigger(Action::Read);
    ASSERT_TRUE(s.waitLog(QStringLiteral("Read Command Completion")));
    uint32_t end = s.ctx()->readEnd;
    std::vector<uint8_t> target;
    Unit::with([&](qmr::sim::Device& d) { target = d.targetMemory(1); });
    SFile f = parseS(t.at("read.s"));
    ASSERT_EQ(f.lines.size(), (end + 15) / 16 + 1);
    for (uint32_t i = 0; i < end && i < target.size(); ++i) ASSERT_EQ(f.bytes[i], target[i]) << i;
    std::vector<uint8_t> image = unitImage();
    EXPECT_EQ(f.bytes[0], image[0]);  // what the EPV programmed
}

TEST_F(Images, TheChecksumDisplayShowsTheUnitChecksumAndBothSums)
{
    Session s;
    ASSERT_TRUE(s.start());
    s.trigger(Action::ChecksumDisplay);
    ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); }));
    std::vector<uint8_t> image = unitImage();
    unsigned sum = 0;
    for (uint8_t b : image) sum += b;
    QString unit = QString::asprintf("%04X", sum & 0xFFFF);
    const Message& m = s.screen.messages.back();
    EXPECT_EQ(m.caption, QStringLiteral("Checksum"));
    EXPECT_TRUE(m.fixedPitch);
    std::vector<uint8_t> work(0x200000, 0xFF);
    std::memcpy(work.data(), image.data(), image.size());
    EXPECT_EQ(m.text, QString::asprintf("\nDevice Checksum      : %s\nFP4 Algorithm\n  CRC sum(32bit:1M)  : %08X\n  CRC sum(32bit:2M)  : %08X",
                                        qPrintable(unit), qmr::checks::crc32Mpeg2(work.data(), 0x100000),
                                        qmr::checks::crc32Mpeg2(work.data(), 0x200000)));
    EXPECT_EQ(s.screen.status, QString(30, QLatin1Char(' ')));
}

TEST_F(Images, AnOldUnitTakesALargeFirmwareInTwoStages)
{
    Scratch t;
    struct Case {
        uint32_t size;
        uint16_t version;
        size_t updates;
    };
    const Case cases[] = {{0xE001, 0x0203, 2}, {0xE000, 0x0203, 1}, {0xE001, 0x0204, 1}};
    for (const auto& c : cases) {
        Unit::reset([&](qmr::sim::Config& k) { k.versions[0] = c.version; });
        Unit::store(true, 0x1234);
        std::string path = (t.path / "qm_fw_test.hex").string();
        std::ofstream(path, std::ios::binary) << firmwareHex(c.size);
        Session s;
        ASSERT_TRUE(s.start());
        Unit::with([](qmr::sim::Device& d) { d.clearFrames(); });
        s.screen.files.push_back({true, QString::fromStdString(path)});
        s.trigger(Action::Firmware);
        ASSERT_TRUE(waitUntil([&] {
            return s.screen.messageTexts().contains(QStringLiteral("The renewal of the firmware was completed.")) &&
                   s.logic->idle() && s.screen.logCount(QStringLiteral("Initialization Completion")) >= 2;
        })) << std::hex << c.size;
        ASSERT_TRUE(s.waitIdle());
        EXPECT_EQ(Unit::framesOf(0x02), c.updates) << std::hex << c.size << " " << c.version;
        EXPECT_EQ(s.screen.messages.size(), 1u) << s.screen.messageTexts().join("|").toStdString();
        EXPECT_EQ(s.screen.fileRequests.size(), 1u);  // the chosen file is not asked for again
        EXPECT_EQ(s.screen.fileRequests[0].initialName, QStringLiteral("qm_fw*.hex"));
        // The box comes after the last update, before the last start command.
        EXPECT_EQ(Unit::framesOf(0x01), c.updates);
    }
}

TEST_F(Images, FirmwareThatCannotBeLoadedIsRefusedWithItsReason)
{
    Scratch t;
    std::string noMarker = (t.path / "qm_fw_plain.hex").string();
    std::ofstream(noMarker, std::ios::binary) << firmwareHex(0x100, false);
    std::string big = (t.path / "qm_fw_big.hex").string();
    std::ofstream(big, std::ios::binary) << firmwareHex(0xE001);
    Unit::reset([](qmr::sim::Config& k) { k.versions[0] = 0x0203; });
    Unit::store();
    {
        Session s;
        ASSERT_TRUE(s.start());
        s.screen.files.push_back({true, QString::fromStdString(noMarker)});
        s.trigger(Action::Firmware);
        ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty(); }));
        EXPECT_EQ(s.screen.messages.back().text, QString::fromUtf8(" Quillmarkerファームではありません"));
        EXPECT_TRUE(s.screen.logged(QStringLiteral("Error on Load File")));
    }
    {
        // The intermediate firmware is not beside the program.
        Session s(true, [&](QmLogic::Options& o) { o.programFolder = QString::fromStdString(t.path.string()); });
        ASSERT_TRUE(s.start());
        s.screen.files.push_back({true, QString::fromStdString(big)});
        s.trigger(Action::Firmware);
        ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); }));
        EXPECT_EQ(s.screen.messages.back().text,
                  QStringLiteral("Because there was no arbitrary file, FW update couldn't be done "));
        EXPECT_EQ(Unit::framesOf(0x02), 0u);
    }
}

TEST_F(Images, SerialNumberEpvStepsTheNumberAfterEachDevice)
{
    Session s;
    ASSERT_TRUE(s.start());
    std::vector<std::pair<QString, uint8_t>> seen;  // number shown after, target byte at the address
    s.screen.serialEpv = [&](SerialEpvLogic& d) {
        EXPECT_EQ(d.addressText(), QStringLiteral("0"));
        EXPECT_EQ(d.sizeIndex(), 0);
        EXPECT_TRUE(d.plusOne());
        auto run = [&](const char* address, int size, const char* data, bool plus) {
            d.epv(QString::fromLatin1(address), size, QString::fromLatin1(data), plus);
            if (!waitUntil([&] { return d.buttonsEnabled() && s.logic->idle(); })) ADD_FAILURE() << "the EPV did not end";
            uint8_t b = 0;
            Unit::with([&](qmr::sim::Device& dev) { b = dev.targetMemory(1)[0x10]; });
            seen.emplace_back(d.dataText(), b);
        };
        run("10", 0, "FF", true);  // FF is written, 0 follows
        run("10", 0, "0", false);  // 0 is written, ff follows
        run("10", 1, "FFFF", true);
    };
    s.trigger(Action::SerialEpv);
    ASSERT_TRUE(s.waitIdle());
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], std::make_pair(QStringLiteral("0"), uint8_t(0xFF)));
    EXPECT_EQ(seen[1], std::make_pair(QStringLiteral("ff"), uint8_t(0x00)));
    EXPECT_EQ(seen[2], std::make_pair(QStringLiteral("0"), uint8_t(0xFF)));
    EXPECT_TRUE(s.screen.messages.empty()) << s.screen.messageTexts().join("|").toStdString();
    EXPECT_EQ(notifyMessageOf(s.ctx()), QMR_MSG_PROGRESS);  // the view has its records back
}

TEST_F(Images, SerialNumberEpvRefusesWhatDoesNotFit)
{
    Session s;
    ASSERT_TRUE(s.start());
    const auto* rec = reinterpret_cast<const SetRecord*>(s.ctx()->settingsRecord);
    QString last = QString::asprintf("%x", rec->endBlockAddress.get());
    QString beyond = QString::asprintf("%x", rec->endBlockAddress.get() + 1);
    struct Case {
        QString address;
        int size;
        QString data;
        const char* box;  // null: accepted
    };
    const std::vector<Case> cases = {
        {beyond, 0, "1", "An address is illegal"},
        {last, 1, "1", "An address is illegal"},  // its second byte lies beyond
        {"zz", 0, "1", "An address is illegal"},
        {"0", 0, "100", "Data are illegal"},
        {"0", 2, "123456789", "Data are illegal"},
        {last, 0, "7", nullptr},  // exactly the last address
    };
    s.screen.serialEpv = [&](SerialEpvLogic& d) {
        for (const auto& c : cases) {
            s.screen.messages.clear();
            d.epv(c.address, c.size, c.data, true);
            waitUntil([&] { return d.buttonsEnabled() && s.logic->idle(); });
            if (c.box) {
                ASSERT_EQ(s.screen.messages.size(), 1u) << c.address.toStdString();
                EXPECT_EQ(s.screen.messages[0].text, QString::fromLatin1(c.box));
                EXPECT_EQ(d.dataText(), c.data);  // as typed
            } else {
                EXPECT_TRUE(s.screen.messages.empty());
                EXPECT_EQ(d.dataText(), QStringLiteral("8"));
            }
        }
    };
    s.trigger(Action::SerialEpv);
    ASSERT_TRUE(s.waitIdle());
}

TEST_F(Images, LogHistoryListsSavesAndClears)
{
    Scratch t;
    Unit::with([](qmr::sim::Device& d) {
        auto& rec = *d.store().settings[0];
        rec[0x68] = 1;  // log recording
        rec[0x69] = 1;  // standalone EPV
        d.store().okCount = 1234;
        d.store().ngCount = 40;
        for (int i = 0; i < 32; ++i) d.store().ngList[size_t(i)] = uint16_t(i % 2 ? 40 : 15);
    });
    Session s;
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(s.screen.actions.isEnabled(Action::LogHistory));
    s.screen.files.push_back({true, t.at("log.txt")});
    s.screen.logHistory = [&](LogHistoryLogic& d) {
        EXPECT_EQ(d.label(), QStringLiteral("EPV OK / NG Count : "));
        EXPECT_EQ(d.okText(), QStringLiteral("  1234"));
        EXPECT_EQ(d.ngText(), QStringLiteral("    40"));
        EXPECT_EQ(d.rows().size(), 31);
        EXPECT_EQ(d.rows().front().number, QStringLiteral("040"));
        EXPECT_EQ(d.rows().back().number, QStringLiteral("010"));
        EXPECT_EQ(d.rows()[1].message, QString::fromUtf8(qmr::checks::targetErrorText(40, true)));
        EXPECT_TRUE(d.save());
        d.clear();
        EXPECT_TRUE(d.rows().isEmpty());
        EXPECT_FALSE(d.saveEnabled());
        return d.clearRequested();
    };
    s.trigger(Action::LogHistory);
    ASSERT_TRUE(s.waitLog(QStringLiteral("Log OK/NG cnt Clear Completion")));
    std::ifstream f(t.at("log.txt").toStdString(), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.substr(0, text.find("\r\n") + 2), "EPV OK/NG Count :  1234 / 40 \r\n");
    EXPECT_NE(text.find("\r\n040 It is a verifying error. \r\n039 A (blank check) target has written it. \r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n010 "), std::string::npos);
    EXPECT_EQ(text.find("\r\n009 "), std::string::npos);
    Unit::with([](qmr::sim::Device& d) {
        EXPECT_EQ(d.store().okCount, 0u);
        EXPECT_EQ(d.store().ngCount, 0u);
    });
}

TEST_F(Images, TheUnitCountsItsResultsForTheLogHistory)
{
    Unit::with([](qmr::sim::Device& d) {
        (*d.store().settings[0])[0x68] = 1;  // log recording
    });
    Session s;
    ASSERT_TRUE(s.start());
    s.trigger(Action::Epv);
    ASSERT_TRUE(s.waitLog(QStringLiteral("PROGRESS 100 Completion")));
    Unit::with([](qmr::sim::Device& d) { d.injectTargetError(1, 15); });
    s.trigger(Action::Epv);
    ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); }));
    bool shown = false;
    s.screen.logHistory = [&](LogHistoryLogic& d) {
        shown = true;
        EXPECT_EQ(d.okText(), QStringLiteral("     1"));
        EXPECT_EQ(d.ngText(), QStringLiteral("     1"));
        EXPECT_EQ(d.rows().size(), 1);
        if (!d.rows().isEmpty()) {
            EXPECT_EQ(d.rows()[0].message, QString::fromUtf8(qmr::checks::targetErrorText(15, true)));
        }
        return false;
    };
    s.trigger(Action::LogHistory);
    ASSERT_TRUE(s.waitIdle());
    EXPECT_TRUE(shown);
}

TEST_F(Images, AboutShowsTheVersionsOnceTheUnitHasStarted)
{
    Session s;
    s.trigger(Action::About);  // before the start: the unit's texts are still empty
    EXPECT_TRUE(s.screen.about.firmware.isEmpty());
    EXPECT_EQ(s.screen.about.gui, QStringLiteral("V1.35(J)"));
    ASSERT_TRUE(s.start());
    s.trigger(Action::About);
    EXPECT_EQ(s.screen.about.firmware, QStringLiteral("2.05(Build0258)"));
    EXPECT_EQ(s.screen.about.library, QStringLiteral("V1.34"));
    EXPECT_TRUE(s.screen.about.serial.startsWith(QStringLiteral("QMSI-")));
}

}  // namespace
