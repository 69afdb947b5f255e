// The gang command sequence: per-unit progress and results, the error list,
// the button mask after every error, the NAND reactions and the commands a
// missing library cannot run.
#include "fixture.h"

using namespace gangtest;

namespace {

class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        Box::reset();
        Box::store();
    }
};

TEST_F(Commands, AnEpvOnEightUnitsWithOneTargetErrorShowsEachUnitAndTheErrorList)
{
    Session s;
    ASSERT_TRUE(s.start());
    Box::with([](qmr::sim::Device& d) { d.injectTargetError(6, 15); });
    Box::with([](qmr::sim::Device& d) { d.clearFrames(); });
    s.trigger(GangAction::Epv);
    ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); }));
    ASSERT_TRUE(s.waitIdle());
    for (int i = 0; i < 8; ++i) {
        const UnitColumn& u = s.screen.units[size_t(i)];
        EXPECT_EQ(u.result, i == 5 ? QStringLiteral("NG") : QStringLiteral("OK")) << i + 1;
        EXPECT_EQ(u.image, i == 5 ? UnitImage::Failed : UnitImage::Present) << i + 1;
    }
    ASSERT_EQ(s.screen.messages.size(), 1u);
    EXPECT_EQ(s.screen.messages[0].text, QStringLiteral("QM 6 : It is a verifying error.   \n"));
    EXPECT_EQ(s.screen.messages[0].caption, QStringLiteral("Quill GANG Marker"));
    EXPECT_EQ(s.screen.messages[0].icon, Icon::Error);
    // The start buttons are unmasked after the error: the mask goes out with 0.
    bool unmasked = false;
    Box::with([&](qmr::sim::Device& d) {
        const auto& f = d.frames();
        for (size_t i = 0; i < f.size(); ++i)
            if (f[i].command == 0x1D && !f[i].data.empty() && f[i].data[0] == 0) unmasked = true;
        EXPECT_FALSE(d.buttonsMasked());
    });
    EXPECT_TRUE(unmasked);
    EXPECT_EQ(s.ctx()->buttonMask, 0);
    EXPECT_EQ(s.logic->guiBusy(), kGuiIdle);
    EXPECT_TRUE(s.logic->deviceReady());
    EXPECT_TRUE(s.screen.actions.isEnabled(GangAction::Epv));
    // Per-unit progress came from the poll's records on even percents.
    EXPECT_TRUE(s.screen.logged(QStringLiteral("PROGRESS 99 Completion")));
}

TEST_F(Commands, ADeviceOperationWhoseFirstRecordIsFinalCompletesWithoutAPoll)
{
    Session s;
    ASSERT_TRUE(s.start());
    const int polls = s.logic->progressRequests();
    // The device checksum of the active units, as a final first record.
    for (int i = 0; i < 8; ++i) {
        s.ctx()->units[i].active = i < 3;
        s.ctx()->units[i].error = i == 1 ? 40 : 0;
        s.ctx()->units[i].deviceChecksum[0] = uint8_t(0xA0 + i);
        s.ctx()->units[i].deviceChecksum[1] = 0x5B;
    }
    s.ctx()->tagB = cmd::DeviceChecksum;
    postRecord(s.ctx(), 5, 0, cmd::DeviceChecksum, cmd::DeviceChecksum, "Device Check Sum Command Completion");
    ASSERT_TRUE(s.waitIdle());
    EXPECT_EQ(s.logic->progressRequests(), polls);
    EXPECT_EQ(s.screen.units[0].rowB, QStringLiteral("A05B"));
    EXPECT_EQ(s.screen.units[1].rowB, QString());  // its unit failed
    EXPECT_EQ(s.screen.units[2].rowB, QStringLiteral("A25B"));
    EXPECT_EQ(s.screen.units[3].rowB, QString());  // not taking part
    // One that starts below 100 % asks for its progress once.
    s.trigger(GangAction::Blank);
    ASSERT_TRUE(s.waitLog(QStringLiteral("PROGRESS 100 Completion")));
    EXPECT_EQ(s.logic->progressRequests(), polls + 1);
}

TEST_F(Commands, NandErrorsEndTheProgramOrDeleteASettingAndGoOn)
{
    const QString brokeDown = QStringLiteral("A reading error happened in NANDFlash  \nHardware broke down  ");
    struct Case {
        const char* name;
        int tagB, code;
        const char* box;
        bool ends;
        int deleteSelector;  // -1: no setting-file delete follows
    };
    const Case cases[] = {
        {"start status", QMR_PHASE_START_STATUS, QMR_ST_NAND_READ, "A reading error happened in NANDFlash  \nHardware broke down  ",
         true, -1},
        {"broken setting list", QMR_PHASE_SET_LIST, QMR_ST_NAND_READ,
         "A reading error happened in NANDFlash  \nAbnormal SET file is erased.  ", false, 9},
        {"start with a NAND read error", QMR_PHASE_START, QMR_ST_NAND_READ_FATAL,
         "A reading error happened in NANDFlash  \nDefault SET file is removed ", false, 0},
        {"image upload", cmd::HexUpload, QMR_ST_NAND_READ, "A reading error happened in NANDFlash  \nAbnormal SET file is erased.  ",
         false, 0},
        {"image upload, table broken", cmd::HexUpload, QMR_ST_TABLE, "A reading error happened in NANDFlash  \nHardware broke down  ",
         true, -1},
        {"parameter upload", QMR_PHASE_PRM_UPLOAD, QMR_ST_OTHER, "A reading error happened in NANDFlash  \nHardware broke down  ",
         true, -1},
        {"setting send", cmd::SetSend, QMR_ST_NO_ROOM, "The error writed with NANDFlash happened \nHardware broke down  ", true, -1},
        {"start needs new firmware", QMR_PHASE_START, QMR_ST_FIRMWARE, "ERROR: It is a FirmWare update error ", false, -1},
    };
    for (const auto& c : cases) {
        SetUp();
        Box::with([](qmr::sim::Device& d) { d.store().settings[3] = d.store().settings[0]; });
        Session s;
        ASSERT_TRUE(s.start()) << c.name;
        s.ctx()->setNameList[3][0] = 0x13;  // the broken entry the list marks
        Box::with([](qmr::sim::Device& d) { d.clearFrames(); });
        postRecord(s.ctx(), 20, c.code, 12, c.tagB, "failure");
        ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty(); })) << c.name;
        if (!c.ends) {
            ASSERT_TRUE(waitUntil([&] { return s.logic->idle() && s.logic->guiBusy() == kGuiIdle; })) << c.name;
        }
        EXPECT_EQ(s.screen.messages[0].text, QString::fromUtf8(c.box)) << c.name;
        EXPECT_EQ(s.screen.ended, c.ends) << c.name;
        bool deleted = Box::framesOf(0x14) > 0;  // the setting-file delete
        EXPECT_EQ(deleted, c.deleteSelector >= 0) << c.name;
        if (c.deleteSelector >= 0) {
            EXPECT_EQ(s.ctx()->multiDelete, c.deleteSelector) << c.name;
            ASSERT_TRUE(s.waitLog(QStringLiteral("Initialization Completion"))) << c.name;  // then the start again
            EXPECT_EQ(Box::framesOf(0x1D) > 0, true);
        }
        if (c.tagB == QMR_PHASE_START && c.code == QMR_ST_FIRMWARE) {
            EXPECT_FALSE(s.logic->commandsAllowed());
            EXPECT_FALSE(s.screen.actions.isEnabled(GangAction::HexDownload));
            EXPECT_TRUE(s.screen.actions.isEnabled(GangAction::UnitFirmware));
        }
    }
}

TEST_F(Commands, AFailureNoUnitReportsSaysWhatTheRecordSays)
{
    Session s;
    ASSERT_TRUE(s.start());
    for (auto& u : s.ctx()->units) u.error = 0;
    postRecord(s.ctx(), 30, QMR_ST_NO_PRM, cmd::SetSend, cmd::SetSend, "ERROR: There is no specified parameter file ");
    ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); }));
    EXPECT_EQ(s.screen.messages[0].text, QStringLiteral("ERROR: There is no specified parameter file "));
    EXPECT_FALSE(s.screen.ended);
}

TEST_F(Commands, EachCommandOfTheGangBoxGraysClearsAndMakesBusyAsItsRowSays)
{
    Session s;
    ASSERT_TRUE(s.start());
    struct Case {
        GangAction action;
        const char* started;
        bool grays, clears, busy;
    };
    const Case cases[] = {
        {GangAction::Blank, ">>COMMAND: Blank Check", false, true, true},
        {GangAction::Erase, ">>COMMAND: Erase", true, true, true},
        {GangAction::Security, ">>COMMAND: Security", false, true, true},
        {GangAction::Signature, ">>COMMAND: Signature Read", true, true, true},
        {GangAction::Checksum, ">>COMMAND: Device Checksum", true, true, true},
        {GangAction::ChecksumDisplay, ">>COMMAND: Checksum", false, false, true},
        {GangAction::Setup, ">>COMMAND: PRM SET List Upload & SET Default Get Command", false, true, false},
    };
    s.screen.setup = [](SetupDialogLogic& d) { d.cancel(); };
    for (const auto& c : cases) {
        s.screen.events.clear();
        s.screen.log << QStringLiteral("(before)");
        s.trigger(c.action);
        // (A later command of the chain may have cleared the pane already.)
        ASSERT_TRUE(waitUntil([&] { return s.screen.events.contains(QStringLiteral("log:") + QString::fromLatin1(c.started)); }))
            << c.started;
        ASSERT_TRUE(s.waitIdle());
        int started = s.screen.events.indexOf(QStringLiteral("log:") + QString::fromLatin1(c.started));
        ASSERT_GE(started, 0);
        bool grayed = false, cleared = false, busy = false;
        for (int i = 0; i < started; ++i) {
            grayed |= s.screen.events[i].startsWith(QStringLiteral("actions:0000"));
            cleared |= s.screen.events[i] == QStringLiteral("clear");
        }
        for (int i = started; i < s.screen.events.size(); ++i) busy |= s.screen.events[i].endsWith(QStringLiteral("+busy"));
        EXPECT_EQ(grayed, c.grays) << c.started;
        EXPECT_EQ(cleared, c.clears) << c.started;
        EXPECT_EQ(busy, c.busy) << c.started;
        if (c.clears) {
            EXPECT_FALSE(s.screen.log.contains(QStringLiteral("(before)"))) << c.started;
        }
    }
}

TEST_F(Commands, WithoutALibraryEachCommandLogsItsTagAndSaysSo)
{
    Session s([](GangLogic::Options& o) { o.open = [](QmrWindow*, uint32_t) { return nullptr; }; });
    s.logic->start();
    ASSERT_TRUE(s.waitIdle());
    EXPECT_TRUE(s.screen.logged(QStringLiteral("Flash Open Error")));
    EXPECT_FALSE(s.screen.logged(QStringLiteral(">> FlashOpenning.... ")));
    ASSERT_EQ(s.screen.messages.size(), 1u);
    EXPECT_EQ(s.screen.messages[0].text, QStringLiteral("Flash Open NG."));
    EXPECT_EQ(s.screen.messages[0].caption, QStringLiteral("Quill GANG Marker"));
    EXPECT_EQ(s.screen.messages[0].icon, Icon::Warning);
    EXPECT_TRUE(s.screen.logged(QStringLiteral(">>COMMAND: Start Command")));
}

}  // namespace
