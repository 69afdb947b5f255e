// Rules of the single-unit program that hold across its commands: what each
// command grays, clears and keeps, the waits that hold records back, the
// log line's elapsed time, when Read is offered, the reading errors of the
// start, the ends the Setup dialog's loading can take, and the setting
// list's refusals.
#include "fixture.h"

#include <QRegularExpression>

using namespace qmtest;

namespace {

class Rules : public ::testing::Test {
protected:
    void SetUp() override
    {
        Unit::reset();
        Unit::store();
    }
};

// One command's start as the screen saw it.
struct Issued {
    bool grays = false;
    bool clears = false;      // the log's buffer is emptied
    bool clearsStatus = false;
    bool busy = false;        // the program showed itself busy while it ran
};

// The commands started in events, in order: each ">>COMMAND: Reset." line
// closes the window of what the dispatch did before it (back to the last
// line the flow itself logged or a "mark"), and the command started after it
// runs until the next reset.
std::vector<std::pair<QString, Issued>> issuedCommands(const QStringList& events)
{
    std::vector<std::pair<QString, Issued>> out;
    const QString reset = QStringLiteral("log:>>COMMAND: Reset.");
    for (int i = 0; i < events.size(); ++i) {
        if (events[i] != reset) continue;
        Issued is;
        for (int j = i - 1; j >= 0; --j) {
            const QString& e = events[j];
            if (e.startsWith(QStringLiteral("log:")) || e == QStringLiteral("mark")) break;
            if (e.startsWith(QStringLiteral("actions:0000"))) is.grays = true;
            if (e == QStringLiteral("clear")) is.clears = true;
            if (e == QStringLiteral("status:")) is.clearsStatus = true;
        }
        QString started;
        for (int j = i + 1; j < events.size() && events[j] != reset; ++j) {
            const QString& e = events[j];
            if (started.isEmpty() && e.startsWith(QStringLiteral("log:>>COMMAND: ")))
                started = e.mid(4).section(QStringLiteral("  "), 0, 0);
            if (e.startsWith(QStringLiteral("actions:")) && e.endsWith(QStringLiteral("+busy"))) is.busy = true;
        }
        out.emplace_back(started, is);
    }
    return out;
}

TEST_F(Rules, EachCommandGraysClearsAndKeepsAsItsRowSays)
{
    Scratch t;
    Unit::with([](qmr::sim::Device& d) {
        auto& rec = *d.store().settings[0];
        rec[0x68] = 1;  // log recording, so that the log history is offered
        d.store().settings[7] = rec;
    });
    enum Clear { No, Yes, BufferOnly };
    struct Step {
        const char* started;
        bool grays;
        Clear clears;
        bool busy;
    };
    struct Case {
        Action action;
        std::vector<FileAnswer> files;
        std::vector<Step> steps;  // the commands it starts, in order
    };
    const QString hex = QString::fromStdString(example("blinky.hex"));
    const std::vector<Case> cases = {
        {Action::Blank, {}, {{">>COMMAND: Blank Check", false, Yes, true}}},
        {Action::Erase, {}, {{">>COMMAND: Erase", true, Yes, true}}},
        {Action::Program, {}, {{">>COMMAND: Program", true, Yes, true}}},
        {Action::Verify, {}, {{">>COMMAND: Verify", true, Yes, true}}},
        {Action::Security, {}, {{">>COMMAND: Security", false, Yes, true}}},
        {Action::Checksum, {}, {{">>COMMAND: Device Checksum", true, Yes, true}}},
        {Action::Epv, {}, {{">>COMMAND: AutoProcedure(Epv)", true, Yes, true}}},
        {Action::Signature, {}, {{">>COMMAND: Signature Read", true, Yes, true}}},
        {Action::LogHistory, {}, {{">>COMMAND: Logdata Information Command", true, Yes, true}}},
        {Action::ChecksumDisplay, {}, {{">>COMMAND: Checksum", false, No, true}, {">>COMMAND: HEX UpLoad Command", true, Yes, true}}},
        {Action::HexUpload, {{true, t.at("up.s")}}, {{">>COMMAND: HEX UpLoad Command", true, Yes, true}}},
        {Action::Read, {{true, t.at("read.s")}}, {{">>COMMAND: Read Command", true, Yes, true}}},
        {Action::HexDownload, {{true, hex}},
         {{">>COMMAND: HEX DownLoad Command", true, Yes, true}, {">>COMMAND: HEX Info UpLoad Command", true, BufferOnly, true}}},
        {Action::SetUpload, {{true, t.at("up.set")}}, {{">>COMMAND: SET UpLoad Command", false, No, false}}},
        {Action::SetDelete, {}, {{">>COMMAND: SET File Delete Command", true, No, false}, {">>COMMAND: Start Command", true, No, true}}},
        {Action::SetDownload, {{true, QString::fromStdString(example("demo.set"))}},
         {{">>COMMAND: SET Send Command", true, No, true}, {">>COMMAND: Start Command", true, No, true}}},
        {Action::PrmDownload, {{true, QString::fromStdString(example("class3.prs"))}},
         {{">>COMMAND: PRM Send Command", true, No, true}, {">>COMMAND: Start Command", true, No, true}}},
        {Action::Setup, {}, {{">>COMMAND: PRM SET List Upload & SET Default Get Command", false, Yes, false}}},
        {Action::Firmware, {{true, QString::fromStdString(example("qm_fw_demo.hex"))}},
         {{">>COMMAND: Firmware Update Command", true, No, true}, {">>COMMAND: Start Command", true, No, true}}},
    };
    Session s;
    ASSERT_TRUE(s.start());
    s.screen.settingList = [&](SettingListLogic& l) {
        s.screen.events << QStringLiteral("mark");  // what the dispatch does comes after the dialog
        return l.accept(7);
    };
    s.screen.setup = [](SetupDialogLogic& d) { d.cancel(); };
    s.screen.logHistory = [](LogHistoryLogic&) { return false; };
    for (const auto& c : cases) {
        s.screen.files.assign(c.files.begin(), c.files.end());
        s.screen.events.clear();
        s.screen.events << QStringLiteral("log:(before)");
        s.trigger(c.action);
        // The last command's final line, then idle (a file load runs before its command).
        const QString last = QString::fromLatin1(c.steps.back().started);
        ASSERT_TRUE(waitUntil([&] { return s.screen.events.contains(QStringLiteral("log:") + last); })) << int(c.action);
        ASSERT_TRUE(s.waitIdle()) << int(c.action);
        auto issued = issuedCommands(s.screen.events);
        ASSERT_EQ(issued.size(), c.steps.size()) << int(c.action) << ": " << s.screen.events.join(" | ").toStdString();
        for (size_t i = 0; i < issued.size(); ++i) {
            const Step& want = c.steps[i];
            const Issued& got = issued[i].second;
            const std::string what = want.started;
            EXPECT_EQ(issued[i].first, QString::fromLatin1(want.started)) << int(c.action);
            EXPECT_EQ(got.grays, want.grays) << what;
            EXPECT_EQ(got.clears, want.clears != No) << what;
            EXPECT_EQ(got.clearsStatus, want.clears == Yes) << what;
            EXPECT_EQ(got.busy, want.busy) << what;
        }
        for (const Message& m : s.screen.messages) EXPECT_NE(m.icon, Icon::Error) << m.text.toStdString();
        s.screen.messages.clear();
    }
}

TEST_F(Rules, RecordsThatArriveDuringAWaitTakeEffectAfterIt)
{
    Unit::with([](qmr::sim::Device& d) { d.store().settings[9] = d.store().settings[0]; });
    Session s;
    ASSERT_TRUE(s.start());
    s.screen.fireWakesAtOnce = false;  // the 100 ms after a completion lasts until fired
    s.screen.settingList = [](SettingListLogic& l) { return l.accept(9); };
    s.trigger(Action::SetDelete);
    // The delete completes and issues the start; the start's reset answers
    // while the program still waits after the completion.
    const QString resetDone = QStringLiteral("RESET Command Completion");
    ASSERT_TRUE(waitUntil([&] { return s.screen.logged(QStringLiteral("SET File Delete Command Completion")); }));
    ASSERT_TRUE(waitUntil([&] { return s.screen.armed.count(Timer::Wake) == 1; }));
    const int resets = s.screen.log.count(resetDone);  // the delete's own
    waitUntil([] { return false; }, 200);  // the start's reset has answered by now
    EXPECT_EQ(s.screen.log.count(resetDone), resets);
    EXPECT_FALSE(s.screen.logged(QStringLiteral(">>COMMAND: Start Command")));
    EXPECT_FALSE(s.logic->idle());
    s.screen.fire(Timer::Wake);
    s.screen.fireWakesAtOnce = true;
    ASSERT_TRUE(s.waitLog(QStringLiteral("Initialization Completion")));
    // In order: the wait's end, then the held record, then the start.
    int reset = s.screen.log.lastIndexOf(resetDone);
    int start = s.screen.log.indexOf(QStringLiteral(">>COMMAND: Start Command"));
    EXPECT_GE(reset, 0);
    EXPECT_GT(start, reset);
}

TEST_F(Rules, ALogLineCarriesTheElapsedTimeOnlyWhileACommandRuns)
{
    Session s;
    ASSERT_TRUE(s.start());
    s.trigger(Action::Epv);
    ASSERT_TRUE(s.waitLog(QStringLiteral("PROGRESS 100 Completion")));
    // The reset's record arrives while the program is idle: its text alone.
    EXPECT_TRUE(s.screen.log.contains(QStringLiteral("RESET Command Completion")));
    // Records of the running command: "%s  %d msec".
    const QRegularExpression timed(QStringLiteral("^(EPV Command \\.\\.\\.|PROGRESS \\d+ Completion)  \\d+ msec$"));
    int lines = 0;
    for (const QString& l : s.screen.log) {
        if (l.startsWith(QStringLiteral("EPV Command")) || l.startsWith(QStringLiteral("PROGRESS"))) {
            EXPECT_TRUE(timed.match(l).hasMatch()) << l.toStdString();
            ++lines;
        }
    }
    EXPECT_GE(lines, 2);
}

TEST_F(Rules, ReadIsOfferedOnlyWhenTheDeviceCanBeRead)
{
    for (uint8_t flag : {uint8_t(0), uint8_t(1)}) {
        SetUp();
        Unit::with([&](qmr::sim::Device& d) { (*d.store().settings[0])[0x56] = flag; });
        Session s;
        ASSERT_TRUE(s.start());
        EXPECT_EQ(s.screen.actions.isEnabled(Action::Read), flag != 0) << int(flag);
        EXPECT_TRUE(s.screen.actions.isEnabled(Action::Epv));
    }
}

TEST_F(Rules, ReadingErrorsShowTheirBoxAndKeepTheProgram)
{
    struct Case {
        int tagB, code;
    };
    const Case cases[] = {{12, 8}, {12, 34}, {12, 35}, {6, 34}, {6, 35}, {18, 34}, {18, 35}};
    Session s;
    ASSERT_TRUE(s.start());
    for (const auto& c : cases) {
        s.screen.messages.clear();
        s.screen.armed[Timer::StartTimeout] = 5000;
        postRecord(s.ctx(), 20, c.code, 12, c.tagB, "failure");
        ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); })) << c.tagB << "/" << c.code;
        ASSERT_EQ(s.screen.messages.size(), 1u);
        EXPECT_EQ(s.screen.messages[0].text, QStringLiteral("A reading error happened ")) << c.tagB << "/" << c.code;
        EXPECT_EQ(s.screen.messages[0].caption, QStringLiteral("Quillmarker"));
        EXPECT_EQ(s.screen.messages[0].icon, Icon::Error);
        EXPECT_FALSE(s.screen.ended);
        EXPECT_EQ(s.screen.armed.count(Timer::StartTimeout), c.tagB == 12 ? 0u : 1u);  // the start's timer goes with it
        EXPECT_TRUE(s.logic->deviceReady());
    }
}

TEST_F(Rules, ANandReadErrorWhileSetupLoadsTheUnitsFilesEndsTheProgram)
{
    Session s;
    ASSERT_TRUE(s.start());
    bool reached = false;
    s.screen.setup = [&](SetupDialogLogic&) { reached = true; };
    // The parameter file of the setting cannot be read from the unit's NAND.
    Unit::with([](qmr::sim::Device& d) { d.injectStatus(0x05, 13); });
    s.trigger(Action::Setup);
    ASSERT_TRUE(waitUntil([&] { return s.screen.ended; }));
    EXPECT_FALSE(reached);
    EXPECT_EQ(s.screen.messages.back().text, QStringLiteral("A reading error happened in NANDFlash  \nHardware broke down  "));
    EXPECT_EQ(s.screen.endStatus, 0);
    EXPECT_EQ(notifyMessageOf(s.ctx()), QMR_MSG_PROGRESS);  // the dialog gave the records back
}

TEST_F(Rules, ASetupCancelledAfterChoosingAnotherSettingRestoresWhatWasThere)
{
    // A second parameter file with its own setting in slot 4.
    Unit::with([](qmr::sim::Device& d) {
        auto prm = readBytes(example("class3.prs"));
        d.store().prm[Unit::prmId(prm)] = prm;
        auto rec = *d.store().settings[0];
        std::memcpy(rec.data() + 6, prm.data() + 6, 4);
        std::memcpy(rec.data() + 0x30, "OTHER", 6);
        d.store().settings[4] = rec;
    });
    Session s;
    ASSERT_TRUE(s.start());
    std::vector<uint8_t> record(s.ctx()->settingsRecord, s.ctx()->settingsRecord + 16384);
    std::vector<uint8_t> prm(s.ctx()->prm.prmImage, s.ctx()->prm.prmImage + 16384);
    uint8_t number = s.ctx()->settingsNumber;
    s.screen.settingList = [](SettingListLogic& l) { return l.accept(4); };
    bool changed = false;
    s.screen.setup = [&](SetupDialogLogic& d) {
        d.select();
        waitUntil([&] { return !d.loading(); });
        changed = std::memcmp(s.ctx()->prm.prmImage, prm.data(), prm.size()) != 0 && s.ctx()->settingsNumber == 4;
        d.cancel();
    };
    s.trigger(Action::Setup);
    ASSERT_TRUE(s.waitLog(QStringLiteral(">>COMMAND: Device Setup")));
    ASSERT_TRUE(s.waitIdle());
    ASSERT_TRUE(changed);  // the dialog had loaded the other setting
    EXPECT_EQ(std::vector<uint8_t>(s.ctx()->settingsRecord, s.ctx()->settingsRecord + 16384), record);
    EXPECT_EQ(std::vector<uint8_t>(s.ctx()->prm.prmImage, s.ctx()->prm.prmImage + 16384), prm);
    EXPECT_EQ(s.ctx()->settingsNumber, number);
    EXPECT_FALSE(s.screen.logged(QStringLiteral(">>COMMAND: SET Send Command")));
}

TEST_F(Rules, TheSettingListAsksForANumberAndTheDeleteListTakesNoDoubleClick)
{
    ScriptedScreen screen;
    QList<SlotRow> rows;
    for (int i = 0; i < 3; ++i) rows.append({QString(), QStringLiteral("S%1").arg(i), QStringLiteral("P.PRS")});
    for (ListMode mode : {ListMode::Select, ListMode::Delete, ListMode::Upload, ListMode::Registration}) {
        SettingListLogic list(screen, mode, rows, {}, -1);
        for (int row : {-1, kSettingSlots}) {
            screen.messages.clear();
            EXPECT_FALSE(list.accept(row)) << int(mode) << " " << row;
            ASSERT_EQ(screen.messages.size(), 1u);
            EXPECT_EQ(screen.messages[0].text, QStringLiteral("Choose a number"));
            EXPECT_EQ(screen.messages[0].caption, QStringLiteral("Warning"));
            EXPECT_TRUE(screen.messages[0].taskModal);
        }
    }
    SettingListLogic del(screen, ListMode::Delete, rows, {}, -1);
    screen.messages.clear();
    EXPECT_FALSE(del.doubleClick(1));
    EXPECT_TRUE(screen.messages.empty());  // nothing asked, nothing deleted
    EXPECT_EQ(del.slot(), -1);
}

}  // namespace
