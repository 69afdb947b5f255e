// The single-unit program's command dispatch, start-up, form, menus and
// log pane, against the in-process simulated unit.
#include "fixture.h"

#include <cstdlib>

#include "core/setfiles.h"
#include "setrecord/setupmodel.h"

using namespace qmtest;

namespace {

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { Unit::reset(); }
};

TEST_F(Dispatch, StartUpFillsTheFormFromTheUnitInEitherLanguage)
{
    Unit::store();
    for (bool english : {true, false}) {
        Session s(english);
        ASSERT_TRUE(s.start()) << s.screen.log.join("\n").toStdString();
        const FormTexts& f = s.screen.form;
        EXPECT_EQ(f.setting, QStringLiteral("DEMO NM78F0511 EPV"));
        EXPECT_EQ(f.parameter, QStringLiteral("NM78K0X.PRS"));
        EXPECT_EQ(f.device, QStringLiteral("NM78F0511"));
        EXPECT_EQ(f.method, QStringLiteral("SIO"));
        EXPECT_EQ(f.speed, QStringLiteral("1,000,000 Hz"));
        EXPECT_EQ(f.mode, QStringLiteral("Chip"));
        EXPECT_EQ(f.hexName, QStringLiteral("blinky.hex"));
        EXPECT_EQ(f.hexTime, english ? QStringLiteral("09/12/2026 10:30:15") : QStringLiteral("2026/12/09 10:30:15"));
        EXPECT_EQ(f.hexCrc, QString::asprintf("%08X", qmr_info_hex_crc(s.ctx())));
        EXPECT_EQ(s.ctx()->english, english ? 1 : 0);
        EXPECT_TRUE(s.logic->deviceReady());
        EXPECT_TRUE(s.screen.actions.isEnabled(Action::Epv));
        EXPECT_TRUE(s.screen.actions.menus[2]);
        EXPECT_TRUE(s.screen.messages.empty()) << s.screen.messageTexts().join("|").toStdString();
        EXPECT_EQ(s.logic->aboutTexts().firmware, QStringLiteral("2.05(Build0258)"));
        EXPECT_EQ(s.logic->aboutTexts().library, QStringLiteral("V1.34"));
    }
}

TEST_F(Dispatch, AUnitWithoutSettingOrImageLeavesTheDeviceCommandsOff)
{
    Session s;
    ASSERT_TRUE(s.start());
    EXPECT_FALSE(s.logic->deviceReady());
    EXPECT_FALSE(s.screen.actions.menus[2]);
    for (Action a : {Action::Blank, Action::Epv, Action::Verify, Action::HexUpload, Action::SetDelete, Action::LogHistory})
        EXPECT_FALSE(s.screen.actions.isEnabled(a)) << int(a);
    for (Action a : {Action::Setup, Action::HexDownload, Action::PrmDownload, Action::Firmware, Action::About})
        EXPECT_TRUE(s.screen.actions.isEnabled(a)) << int(a);
    EXPECT_TRUE(s.screen.form.setting.isEmpty());
}

TEST_F(Dispatch, WithoutAContextEachCommandLogsItsTagShowsItsMessageAndNeverCallsTheLibrary)
{
    Session s(true, [](QmLogic::Options& o) { o.open = [](QmrWindow*, uint32_t) { return nullptr; }; });
    Unit::with([](qmr::sim::Device& d) { d.clearFrames(); });
    s.logic->start();
    ASSERT_TRUE(s.waitIdle());
    EXPECT_TRUE(s.screen.logged(QStringLiteral("Flash Open Error")));
    EXPECT_TRUE(s.screen.logged(QStringLiteral(">>COMMAND: Start Command")));
    ASSERT_EQ(s.screen.messages.size(), 1u);
    EXPECT_EQ(s.screen.messages[0].text, QStringLiteral("Flash Open NG."));
    EXPECT_EQ(s.screen.messages[0].caption, QStringLiteral("Quillmarker"));
    struct Case {
        Action action;
        const char* tag;
        const char* message;
        const char* caption;
    };
    const Case cases[] = {
        {Action::Blank, ">>COMMAND: Blank Check", "Please Read a PRM File for BlankCheck.", "QM"},
        {Action::Erase, ">>COMMAND: Erase", "Please Read a PRM File for Erase.", "QM"},
        {Action::Epv, ">>COMMAND: AutoProcedure(Epv)", "Please Read a PRM File for EPV.", "QM"},
        {Action::Signature, ">>COMMAND: Signature", "Please Read a PRM File for Signature.", "QM"},
        {Action::Checksum, ">>COMMAND: Device Checksum", "Please Read a PRM File for Device Checksum.", "QM"},
        {Action::Setup, ">>COMMAND: PRM SET List UpLoad Send", "PRM File Send NG.", "Quillmarker"},
    };
    for (const auto& c : cases) {
        s.screen.messages.clear();
        s.screen.log.clear();
        s.trigger(c.action);
        ASSERT_TRUE(s.waitIdle());
        EXPECT_TRUE(s.screen.logged(QString::fromLatin1(c.tag))) << c.tag;
        ASSERT_EQ(s.screen.messages.size(), 1u) << c.tag;
        EXPECT_EQ(s.screen.messages[0].text, QString::fromLatin1(c.message));
        EXPECT_EQ(s.screen.messages[0].caption, QString::fromLatin1(c.caption));
        EXPECT_EQ(s.screen.messages[0].icon, Icon::Warning);
    }
    EXPECT_TRUE(s.screen.logged(QStringLiteral("PRM SET List UpLoad Send NG.")));
    EXPECT_EQ(Unit::framesOf(0x01) + Unit::framesOf(0x04) + Unit::framesOf(0x21) + Unit::framesOf(0x25), 0u);
}

TEST_F(Dispatch, ADeviceOperationAsksForTheNextProgressExactlyOnce)
{
    Unit::store();
    Unit::reset([](qmr::sim::Config& c) { c.paceBytesPerMs = 200; });  // operations take some time
    Unit::store();
    Session s;
    ASSERT_TRUE(s.start());
    int before = s.logic->progressRequests();
    s.trigger(Action::Epv);
    ASSERT_TRUE(s.waitLog(QStringLiteral("PROGRESS 100 Completion")));
    EXPECT_EQ(s.logic->progressRequests(), before + 1);
    EXPECT_GT(s.screen.log.filter(QStringLiteral("PROGRESS")).size(), 2);  // the poll's own records asked for nothing
    // A command of another kind with unfinished records asks for none.
    s.screen.log.clear();
    s.ctx()->settingsNumberChosen = 0;
    s.screen.files.push_back({true, QString::fromStdString((std::filesystem::temp_directory_path() / "qm-dispatch.set").string())});
    s.trigger(Action::SetUpload);
    ASSERT_TRUE(s.waitLog(QStringLiteral("SET File Upload Command Completion")));
    EXPECT_EQ(s.logic->progressRequests(), before + 1);
    std::filesystem::remove(std::filesystem::temp_directory_path() / "qm-dispatch.set");
}

TEST_F(Dispatch, AfterADeviceOperationTheMenusComeBackAndDeviceReadyIsRecomputed)
{
    Unit::store();
    Session s;
    ASSERT_TRUE(s.start());
    struct Case {
        Action action;
        const char* result;  // the line the completion logs, when it has one
    };
    const Case cases[] = {{Action::Erase, nullptr},        {Action::Blank, nullptr},
                          {Action::Program, nullptr},      {Action::Verify, nullptr},
                          {Action::Security, ">Security : OK"}, {Action::Signature, "Signature > "},
                          {Action::Checksum, "CheckSum> "}};
    for (const auto& c : cases) {
        s.screen.actionHistory.clear();
        s.trigger(c.action);
        ASSERT_TRUE(s.waitIdle()) << int(c.action);
        bool offWhileRunning = false;  // the device commands were off while it ran
        for (const auto& st : s.screen.actionHistory) offWhileRunning |= !st.isEnabled(Action::Epv) && st.busy;
        EXPECT_TRUE(offWhileRunning) << int(c.action);
        EXPECT_TRUE(s.logic->deviceReady()) << int(c.action);
        EXPECT_EQ(s.screen.actions.menus, (std::array<bool, 4>{{true, true, true, true}})) << int(c.action);
        EXPECT_TRUE(s.screen.actions.isEnabled(Action::Epv));
        if (c.result) {
            EXPECT_EQ(s.screen.log.filter(QString::fromLatin1(c.result)).size(), 1) << c.result;
        }
    }
}

TEST_F(Dispatch, VerifyAndSignatureStayOffForDeviceClassTwo)
{
    // A class-2 setting made by the Setup model from the class-2 parameter file.
    auto prm = readBytes(example("class2.prs"));
    auto r = std::make_unique<PrmRecord>();
    std::memset(r.get(), 0, sizeof *r);
    std::memcpy(r->prmImage, prm.data(), prm.size());
    r->prmFileSize = uint32_t(prm.size());
    SetupModel m;
    ASSERT_EQ(m.load(*r), PrmCheck::Ok);
    m.fillDefaults();
    m.selectSetting("CLASS TWO");
    auto built = m.ok();
    ASSERT_TRUE(built.record.has_value());
    std::vector<uint8_t> rec(reinterpret_cast<uint8_t*>(&*built.record), reinterpret_cast<uint8_t*>(&*built.record) + 16384);
    Unit::store(false, 0x800);
    Unit::with([&](qmr::sim::Device& d) {
        d.store().prm[Unit::prmId(prm)] = prm;
        d.store().settings[3] = rec;
        d.store().defaultSetting = 3;
    });
    Session s;
    ASSERT_TRUE(s.start());
    EXPECT_TRUE(s.logic->deviceReady());
    EXPECT_TRUE(s.screen.actions.isEnabled(Action::Blank));
    EXPECT_FALSE(s.screen.actions.isEnabled(Action::Verify));
    EXPECT_FALSE(s.screen.actions.isEnabled(Action::Signature));
    EXPECT_EQ(s.screen.form.setting, QStringLiteral("CLASS TWO"));
}

TEST_F(Dispatch, TheFirmwareAgeWarningComesOncePerRunAndOnlyBelow203)
{
    for (uint16_t version : {uint16_t(0x0202), uint16_t(0x0203)}) {
        Unit::reset([&](qmr::sim::Config& c) { c.versions[0] = version; });
        Unit::store();
        Unit::with([](qmr::sim::Device& d) { d.store().settings[5] = d.store().settings[0]; });
        Session s;
        ASSERT_TRUE(s.start());
        // A second start command in the same run: after a setting is deleted.
        s.screen.settingList = [](SettingListLogic& l) { return l.accept(5); };
        s.trigger(Action::SetDelete);
        ASSERT_TRUE(s.waitLog(QStringLiteral("SET File Delete Command Completion")));
        ASSERT_TRUE(waitUntil([&] { return s.screen.logCount(QStringLiteral("Initialization Completion")) == 2 && s.logic->idle(); }));
        int warnings = 0;
        for (const auto& m : s.screen.messages) warnings += m.text == QStringLiteral("Renew it because firmware version is old.");
        EXPECT_EQ(warnings, version < 0x0203 ? 1 : 0) << std::hex << version;
    }
}

TEST_F(Dispatch, WithTheTraceOffNothingReachesThePane)
{
    Unit::store();
    Session s;
    s.logic->setTrace(false);
    ASSERT_TRUE(waitUntil([&] { return !s.logic->traceOn(); }));
    s.logic->start();
    ASSERT_TRUE(waitUntil([&] { return s.logic->deviceReady() && s.logic->idle(); }));
    s.trigger(Action::Epv);
    ASSERT_TRUE(s.waitIdle());
    EXPECT_TRUE(s.screen.log.isEmpty()) << s.screen.log.join("|").toStdString();
    EXPECT_TRUE(s.logic->logText().isEmpty());
    // Checked again: lines arrive, and the pane's text joins them with CR LF.
    s.logic->setTrace(true);
    s.trigger(Action::Erase);
    ASSERT_TRUE(s.waitLog(QStringLiteral("PROGRESS 100 Completion")));
    EXPECT_TRUE(s.logic->logText().startsWith(QStringLiteral(">>COMMAND: Reset.\r\nRESET Command Completion")));
}

TEST_F(Dispatch, AUnitThatNeverAnswersTheStartCommandEndsTheProgramAfterTheTimeOut)
{
    setenv("QMR_READ_TIMEOUT_MS", "800", 1);
    {
        Session s;
        Unit::with([](qmr::sim::Device& d) { d.silenceAfter(0); });
        s.logic->start();
        ASSERT_TRUE(waitUntil([&] { return s.screen.armed.count(Timer::StartTimeout) == 1; }));
        EXPECT_EQ(s.screen.armed[Timer::StartTimeout], 5000);
        s.screen.fire(Timer::StartTimeout);
        ASSERT_EQ(s.screen.messages.size(), 1u);
        EXPECT_EQ(s.screen.messages[0].text,
                  QStringLiteral("A time-out occurred. Confirm Power switch configuration \nRestart a target and the GUI"));
        EXPECT_EQ(s.screen.messages[0].caption, QStringLiteral("Warning"));
        EXPECT_TRUE(s.screen.messages[0].taskModal);
        EXPECT_TRUE(s.screen.ended);
        EXPECT_EQ(s.screen.endStatus, 0);
        // The library's own time-out that follows shows nothing more.
        waitUntil([] { return false; }, 900);
        EXPECT_EQ(s.screen.messages.size(), 1u);
    }
    setenv("QMR_READ_TIMEOUT_MS", "300", 1);
}

}  // namespace
