// The gang program's serial numbers, the read-out socket by socket, the
// 4 MB image limit and the firmware updates of the gang box and its units.
#include "fixture.h"

#include <QFile>

#include <fstream>
#include <map>

#include "core/images.h"
#include "setrecord/setrecord.h"

using namespace gangtest;

namespace {

class Files : public ::testing::Test {
protected:
    void SetUp() override
    {
        Box::reset();
        Box::store(0x1000);
    }
    // The serial number a target holds at address, size bytes, high byte first.
    static uint64_t held(int position, uint32_t address, int size)
    {
        auto m = Box::target(position);
        uint64_t v = 0;
        for (int k = 0; k < size && address + uint32_t(k) < m.size(); ++k) v = (v << 8) | m[address + uint32_t(k)];
        return v;
    }
};

TEST_F(Files, SerialNumbersGoOnePerPositionAndFailedOnesAreListedAsMissing)
{
    Session s;
    ASSERT_TRUE(s.start());
    s.serialSettings("100", 3, "fffffffe", true);  // 8 bytes from (0, 0xFFFFFFFE), counting up
    ASSERT_TRUE(s.screen.serialBox.on);
    EXPECT_EQ(s.screen.serialBox.size, QStringLiteral("8"));
    EXPECT_EQ(s.screen.serialBox.data, QStringLiteral("00000000fffffffe"));
    EXPECT_EQ(s.screen.serialBox.algorithm, QStringLiteral("+1"));
    Box::with([](qmr::sim::Device& d) {
        d.injectTargetError(3, 40);
        d.injectTargetError(6, 40);
    });
    s.trigger(GangAction::Epv);
    ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); }));
    ASSERT_TRUE(s.waitIdle());
    EXPECT_TRUE(s.screen.logged(QStringLiteral(">>COMMAND: Serial Epv")));
    // One line of missing numbers: positions 3 and 6.
    EXPECT_EQ(s.screen.missing, QStringLiteral("0000000100000000 0000000100000003 "));
    EXPECT_EQ(s.screen.messages[0].text,
              QStringLiteral("QM 3 : A (blank check) target has written it.   \nQM 6 : A (blank check) target has written it.   \n"));
    const uint64_t expected[8] = {0xFFFFFFFEull, 0xFFFFFFFFull, 0x100000000ull, 0x100000001ull,
                                  0x100000002ull, 0x100000003ull, 0x100000004ull, 0x100000005ull};
    for (int i = 0; i < 8; ++i) {
        const UnitColumn& u = s.screen.units[size_t(i)];
        if (i == 2 || i == 5) {
            EXPECT_TRUE(u.rowA.isEmpty() && u.rowB.isEmpty()) << i + 1;
            continue;
        }
        EXPECT_EQ(u.rowA, QString::asprintf("%08x", unsigned(expected[i] >> 32))) << i + 1;
        EXPECT_EQ(u.rowB, QString::asprintf("%08x", unsigned(expected[i]))) << i + 1;
        EXPECT_EQ(held(i + 1, 0x100, 8), expected[i]) << i + 1;  // the device holds what the form shows
    }
    // The next base follows the last position that took part.
    EXPECT_EQ(s.logic->serialSettings().base, 0x100000006ull);
    EXPECT_EQ(s.screen.serialBox.data, QStringLiteral("0000000100000006"));
    // A second EPV goes on from there; the last position fails: the next
    // base still follows it, and its number is listed.
    Box::with([](qmr::sim::Device& d) { d.injectTargetError(8, 40); });
    s.screen.messages.clear();
    s.trigger(GangAction::Epv);
    ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); }));
    ASSERT_TRUE(s.waitIdle());
    EXPECT_EQ(s.screen.missing, QStringLiteral("0000000100000000 0000000100000003 \r\n000000010000000d "));
    EXPECT_EQ(held(2, 0x100, 8), 0x100000007ull);
    EXPECT_EQ(s.logic->serialSettings().base, 0x10000000eull);
}

TEST_F(Files, SerialNumbersOfOneByteCountDownAcrossZeroAndOnlyPresentPositionsTakePart)
{
    Box::reset({1, 2, 3, 5});
    Box::store(0x1000);
    Session s;
    ASSERT_TRUE(s.start());
    s.serialSettings("20", 0, "1", false);
    s.trigger(GangAction::Epv);
    ASSERT_TRUE(s.waitLog(QStringLiteral("PROGRESS 100 Completion")));
    const uint8_t expected[8] = {0x01, 0x00, 0xFF, 0xFE, 0xFD};
    for (int p : {1, 2, 3, 5}) {
        EXPECT_EQ(held(p, 0x20, 1), expected[p - 1]) << p;
        EXPECT_EQ(s.screen.units[size_t(p - 1)].rowB, QString::asprintf("%02x", expected[p - 1])) << p;
    }
    EXPECT_TRUE(s.screen.missing.isEmpty());
    EXPECT_EQ(s.logic->serialSettings().base, 0xFCu);  // after position 5, the last that took part
    EXPECT_EQ(s.screen.serialBox.data, QStringLiteral("fc"));
    // Clearing the box turns the serial numbers off: the EPV is a plain one again.
    s.logic->setSerialEpv(false);
    EXPECT_FALSE(s.screen.serialBox.on);
    EXPECT_TRUE(s.screen.serialBox.data.isEmpty());
    s.trigger(GangAction::Epv);
    ASSERT_TRUE(s.waitLog(QStringLiteral(">>COMMAND: AutoProcedure(Epv)")));
}

TEST_F(Files, TheSerialSettingsDialogRefusesWhatDoesNotFit)
{
    qmrtest::ScriptedScreen screen;
    struct Case {
        const char* address;
        int sizeIndex;
        const char* data;
        const char* box;  // null: accepted
        uint64_t base;
    };
    const uint32_t highest = 0x7FFF;
    const Case cases[] = {
        {"0", 1, "10000", "Data are illegal", 0},
        {"0", 3, "123456789abcdef0", nullptr, 0x123456789abcdef0ull},
        {"0", 3, "123456789abcdef01", "Data are illegal", 0},
        {"7ffd", 2, "1", "An address is illegal", 0},  // the range's last address minus 2, 4 bytes
        {"7ffc", 2, "1", nullptr, 1},
        {"0", 0, "100", "Data are illegal", 0},
    };
    for (const auto& c : cases) {
        screen.messages.clear();
        SerialSettingsLogic d(screen, SerialSettings{}, highest);
        bool ok = d.ok(QString::fromLatin1(c.address), c.sizeIndex, QString::fromLatin1(c.data), true);
        EXPECT_EQ(ok, c.box == nullptr) << c.address << " " << c.data;
        if (c.box) {
            ASSERT_EQ(screen.messages.size(), 1u);
            EXPECT_EQ(screen.messages[0].text, QString::fromLatin1(c.box));
            EXPECT_EQ(screen.messages[0].caption, QStringLiteral("Warning"));
            EXPECT_TRUE(screen.messages[0].taskModal);
        } else {
            EXPECT_EQ(d.result().base, c.base);
            EXPECT_TRUE(d.result().configured);
        }
    }
    // Opened again, the dialog shows what was set: 64 bits as high and low word.
    SerialSettings set;
    set.configured = true;
    set.address = 0x1A0;
    set.size = 8;
    set.base = 0x1000000002ull;
    set.down = true;
    SerialSettingsLogic again(screen, set, highest);
    EXPECT_EQ(again.addressText(), QStringLiteral("1a0"));
    EXPECT_EQ(again.sizeIndex(), 3);
    EXPECT_EQ(again.dataText(), QStringLiteral("1000000002"));
    EXPECT_FALSE(again.plusOne());
    // Below 8 bytes the high word stays as it was.
    ASSERT_TRUE(again.ok(QStringLiteral("1a0"), 2, QStringLiteral("5"), true));
    EXPECT_EQ(again.result().base, 0x1000000005ull);
}

TEST_F(Files, SocketsAreReadOneByOneIntoTheirOwnFiles)
{
    Scratch t;
    // Targets 2 and 5 hold different bytes.
    Box::with([](qmr::sim::Device& d) {
        for (int p : {2, 5}) {
            auto& m = d.targetMemory(p);
            m.assign(0x8000, 0xFF);
            for (size_t i = 0; i < 0x200; ++i) m[i] = uint8_t(i * p);
        }
    });
    Session s;
    ASSERT_TRUE(s.start());
    s.screen.readDialog = [](ReadDialogLogic& d) {
        d.tick(2, true);
        d.tick(5, true);
        return true;
    };
    s.screen.files.push_back({true, t.at("dump.s")});
    s.trigger(GangAction::Read);
    // Each socket's read clears the log before it: count what was shown.
    auto reads = [&] { return s.screen.events.filter(QStringLiteral("log:Read Command Completion")).size(); };
    ASSERT_TRUE(waitUntil([&] { return reads() == 2; }));
    ASSERT_TRUE(s.waitIdle());
    EXPECT_TRUE(s.screen.messages.empty()) << s.screen.messageTexts().join("|").toStdString();
    for (int p : {2, 5}) {
        QString name = t.at("dump" + std::to_string(p) + ".s");
        ASSERT_TRUE(QFile::exists(name)) << p;
        std::ifstream f(name.toStdString(), std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        auto mem = Box::target(p);
        const auto* rec = reinterpret_cast<const SetRecord*>(s.ctx()->settingsRecord);
        uint32_t end = rec->endBlockAddress.get() + 1;
        EXPECT_EQ(text, sRecordText(mem.data(), mem.size(), 0, end)) << p;
    }
    for (int p : {1, 3, 4, 6, 7, 8}) EXPECT_FALSE(QFile::exists(t.at("dump" + std::to_string(p) + ".s"))) << p;
    // A file that cannot be written is told, and the next socket is still read.
    s.screen.files.push_back({true, t.at("gone/dump.s")});
    s.trigger(GangAction::Read);
    ASSERT_TRUE(waitUntil([&] { return s.screen.messages.size() >= 2 && s.logic->idle(); }));
    EXPECT_TRUE(s.screen.messages[0].text.startsWith(QStringLiteral("The S-record file could not be written to ")));
}

TEST_F(Files, ImagesUpTo4MBAreDownloadedALargerOneIsRefusedAndFirmwareStillGoesAsFirmware)
{
    Scratch t;
    auto sized = [&](const char* name, uint32_t size) {
        return t.file(name, qmrtest::intelHex({{0, std::vector<uint8_t>(16, 0x42)}, {size - 1, {0x24}}}));
    };
    Session s;
    ASSERT_TRUE(s.start());
    s.screen.files.push_back({true, sized("exact.hex", 0x400000)});
    s.trigger(GangAction::HexDownload);
    ASSERT_TRUE(s.waitLog(QStringLiteral("HEX File Infomation Upload Command Completion")));
    Box::with([](qmr::sim::Device& d) { EXPECT_EQ(d.store().image->size, 0x400000u); });
    const uint32_t crc = s.ctx()->hexCrc;
    s.screen.files.push_back({true, sized("over.hex", 0x400001)});
    s.trigger(GangAction::HexDownload);
    ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty(); }));
    ASSERT_TRUE(s.waitIdle());
    EXPECT_EQ(s.screen.messages.back().text, QStringLiteral("File beyond 4MByte can't handle it"));
    EXPECT_EQ(s.screen.messages.back().caption, QStringLiteral("Warning"));
    EXPECT_EQ(s.ctx()->hexCrc, crc);  // the image before stays
    Box::with([](qmr::sim::Device& d) { EXPECT_EQ(d.store().image->size, 0x400000u); });
    // A unit firmware update after it writes firmware.
    Box::with([](qmr::sim::Device& d) { d.clearFrames(); });
    s.screen.files.push_back({true, t.file("qm_fw_new.hex", qmrtest::firmwareHex(0x2000))});
    s.trigger(GangAction::UnitFirmware);
    ASSERT_TRUE(s.waitLog(QStringLiteral("Initialization Completion")));
    EXPECT_EQ(Box::framesOf(0x2C), 1u);  // the units' firmware start
    EXPECT_EQ(Box::framesOf(0x0B), 0u);  // no image download
    EXPECT_EQ(s.screen.messages.back().text, QStringLiteral("The renewal of the firmware was completed."));
}

TEST_F(Files, UnitsOlderThan204TakeTheIntermediateFirmwareFirst)
{
    struct Case {
        std::vector<uint16_t> versions;  // positions 1..
        uint32_t size;
        int updates;  // firmware writes to the units
    };
    const Case cases[] = {
        {{0x0204, 0x0203, 0xFFFF}, 0xE000, 2},
        {{0x0204, 0x0205}, 0xE000, 1},
        {{0x0203}, 0xDE00, 1},
    };
    Scratch t;
    for (const auto& c : cases) {
        Box::reset({}, [&](qmr::sim::Config& cfg) {
            for (size_t i = 0; i < c.versions.size(); ++i) cfg.versions[i] = c.versions[i];
        });
        Box::store();
        Session s;
        ASSERT_TRUE(s.start());
        s.screen.messages.clear();
        s.screen.files.push_back({true, t.file("qm_fw.hex", qmrtest::firmwareHex(c.size))});
        s.trigger(GangAction::UnitFirmware);
        ASSERT_TRUE(waitUntil([&] {
            return s.screen.messageTexts().count(QStringLiteral("The renewal of the firmware was completed.")) == c.updates &&
                   s.logic->idle();
        })) << std::hex << c.size;
        ASSERT_TRUE(s.waitIdle());
        EXPECT_EQ(Box::framesOf(0x2C), size_t(c.updates)) << std::hex << c.size;
        EXPECT_EQ(s.screen.fileRequests.size(), 1u);  // the second stage asks for no file
    }
}

TEST_F(Files, TheGangBoxTakesItsOwnFirmwareOnlyWithItsMarker)
{
    Scratch t;
    Session s;
    ASSERT_TRUE(s.start());
    Box::with([](qmr::sim::Device& d) { d.clearFrames(); });
    s.screen.files.push_back({true, t.file("qmgang_fw_x.hex", qmrtest::firmwareHex(0x3000, qmrtest::Marker::Unit))});
    s.trigger(GangAction::GangFirmware);
    ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty(); }));
    EXPECT_EQ(s.screen.messages.back().text, QString::fromUtf8(" Quill GANG Markerファームではありません"));
    EXPECT_EQ(s.screen.fileRequests.back().initialName, QStringLiteral("qmgang_fw*.hex"));
    ASSERT_TRUE(s.waitIdle());
    EXPECT_EQ(Box::framesOf(0x02), 0u);
    s.screen.messages.clear();
    s.screen.files.push_back({true, QString::fromStdString(example("qmgang_fw_demo.hex"))});
    s.trigger(GangAction::GangFirmware);
    ASSERT_TRUE(s.waitLog(QStringLiteral("Initialization Completion")));
    EXPECT_EQ(Box::framesOf(0x02), 1u);  // the gang box's firmware start
    EXPECT_EQ(Box::framesOf(0x2C), 0u);
    EXPECT_TRUE(s.screen.logged(QStringLiteral(">>COMMAND: GANG Firmware Update Command")));
}

}  // namespace
