// The gang program's start: the unit columns of the positions that hold a
// unit, About, the firmware-age messages, the start-button watcher.
#include "fixture.h"

using namespace gangtest;

namespace {

class Start : public ::testing::Test {
protected:
    void SetUp() override
    {
        Box::reset();
        Box::store();
    }
};

TEST_F(Start, OnlyThePositionsThatHoldAUnitGetAColumnAnAboutEntryAndAReadBox)
{
    Box::reset({1, 3, 8});
    Box::store();
    Session s;
    ASSERT_TRUE(s.start());
    for (int i = 0; i < 8; ++i) {
        bool held = i == 0 || i == 2 || i == 7;
        EXPECT_EQ(s.screen.units[size_t(i)].image, held ? UnitImage::Present : UnitImage::None) << i + 1;
        EXPECT_EQ(s.logic->aboutTexts().present[size_t(i)], held) << i + 1;
        EXPECT_EQ(s.logic->aboutTexts().version[size_t(i)], held ? QStringLiteral("Ver 2.05") : QString()) << i + 1;
        EXPECT_EQ(s.logic->aboutTexts().build[size_t(i)], held ? QStringLiteral("(0258)") : QString()) << i + 1;
    }
    EXPECT_EQ(s.logic->presentUnits(), 3);
    EXPECT_EQ(s.logic->aboutTexts().firmware, QStringLiteral("V1.05(Build0258)"));
    EXPECT_EQ(s.logic->aboutTexts().gui, QStringLiteral("V1.14(J)"));
    EXPECT_EQ(s.screen.form.settingNumber, QStringLiteral("0"));
    EXPECT_EQ(s.screen.form.setting, QStringLiteral("DEMO NM78F0511 EPV"));
    EXPECT_EQ(s.screen.form.hexName, QStringLiteral("blinky.hex"));
    EXPECT_TRUE(s.logic->deviceReady());
    EXPECT_TRUE(s.screen.actions.isEnabled(GangAction::Epv));
    EXPECT_TRUE(s.screen.actions.menus[2]);
    // The read dialog offers those three sockets only.
    s.screen.readDialog = [](ReadDialogLogic& d) {
        for (int p = 1; p <= 8; ++p) {
            d.tick(p, true);
            EXPECT_EQ(d.ticked(p), p == 1 || p == 3 || p == 8) << p;
        }
        return false;
    };
    s.trigger(GangAction::Read);
    EXPECT_EQ(s.screen.readDialogs, 1);
    s.trigger(GangAction::About);
    EXPECT_EQ(s.screen.about.present, s.logic->aboutTexts().present);
}

TEST_F(Start, TheFirmwareAgeMessagesComeOncePerRun)
{
    const QString old = QStringLiteral("Renew it because firmware version is old.");
    const QString differ = QStringLiteral("Renew it because QM version is different.");
    const QString qmOld = QStringLiteral("Renew it because QM firmware version is old.");
    struct Case {
        std::vector<uint16_t> units;  // positions 1.. in order
        uint16_t gang;
        QStringList messages;
    };
    const Case cases[] = {
        {{0x0202, 0x0202}, 0x0102, {}},
        {{0x0202, 0x0201}, 0x0102, {differ}},
        {{0x0201}, 0x0102, {qmOld}},
        {{0x0205, 0x0205}, 0x0101, {old}},
        {{0x0201, 0x0201}, 0x0101, {old, qmOld}},
    };
    for (const auto& c : cases) {
        Box::reset({}, [&](qmr::sim::Config& cfg) {
            for (size_t i = 0; i < c.units.size(); ++i) cfg.versions[i] = c.units[i];
            cfg.gangVersion = c.gang;
        });
        Box::store();
        Box::with([](qmr::sim::Device& d) { d.store().settings[5] = d.store().settings[0]; });
        Session s;
        ASSERT_TRUE(s.start());
        EXPECT_EQ(s.screen.messageTexts(), c.messages) << std::hex << c.gang;
        for (const auto& m : s.screen.messages) EXPECT_EQ(m.caption, QStringLiteral("Warning"));
        // A second start in the same run (after a setting is deleted) shows none again.
        s.screen.settingList = [](SettingListLogic& l) { return l.accept(5); };
        s.trigger(GangAction::SetDelete);
        ASSERT_TRUE(s.waitLog(QStringLiteral("Initialization Completion")));  // the delete cleared the log before
        ASSERT_TRUE(s.waitIdle());
        EXPECT_EQ(s.screen.messages.size(), size_t(c.messages.size()) + 1) << s.screen.messageTexts().join("|").toStdString();
    }
}

TEST_F(Start, TheStartButtonStartsAnEpvWhileIdleAndTheWatcherEndsWithTheView)
{
    auto s = std::make_unique<Session>([](GangLogic::Options& o) {
        o.watchShortMs = 5;
        o.watchLongMs = 20;
    });
    ASSERT_TRUE(s->start());
    ASSERT_TRUE(s->logic->watcherRunning());
    // Idle polls ask the box, and their records reach neither the log nor
    // the status line: the pane shows the command's start line alone.
    s->screen.events.clear();
    ASSERT_TRUE(waitUntil([] { return Box::framesOf(0x1C) >= 3; }));
    ASSERT_TRUE(s->waitIdle());
    for (const QString& e : s->screen.events) {
        EXPECT_FALSE(e.startsWith(QStringLiteral("status:")) && e.size() > 7) << e.toStdString();
        if (e.startsWith(QStringLiteral("log:"))) {
            EXPECT_EQ(e, QStringLiteral("log:>>COMMAND: Start Buttom Info Command"));
        }
    }
    EXPECT_EQ(Box::framesOf(0x25), 0u);
    // A press: one EPV.
    Box::with([](qmr::sim::Device& d) { d.pressStartButton(); });
    ASSERT_TRUE(waitUntil([] { return Box::framesOf(0x25) == 1; }));
    ASSERT_TRUE(waitUntil([&] { return s->screen.logged(QStringLiteral("PROGRESS 100 Completion")); }));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(s->screen.units[size_t(i)].result, QStringLiteral("OK")) << i + 1;
    waitUntil([] { return false; }, 150);
    EXPECT_EQ(Box::framesOf(0x25), 1u);  // the press was taken once
    // While a command runs, the watcher asks nothing.
    Box::reset({1, 2, 3, 4, 5, 6, 7, 8}, [](qmr::sim::Config& c) { c.paceBytesPerMs = 1; });
    Box::store();
    auto slow = std::make_unique<Session>([](GangLogic::Options& o) {
        o.watchShortMs = 5;
        o.watchLongMs = 20;
    });
    s.reset();
    ASSERT_TRUE(slow->start());
    ASSERT_TRUE(waitUntil([] { return Box::framesOf(0x1C) >= 1; }));
    slow->trigger(GangAction::Epv);
    ASSERT_TRUE(waitUntil([&] { return slow->logic->guiBusy() == kGuiBusy && Box::framesOf(0x25) == 1; }));
    size_t polls = Box::framesOf(0x1C);
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(Box::framesOf(0x1C), polls);
    slow.reset();
}

TEST_F(Start, ClosingEndsTheWatcherInTheMiddleOfItsWait)
{
    // A watcher that would sleep for an hour: closing does not wait for it.
    auto s = std::make_unique<Session>([](GangLogic::Options& o) { o.watchShortMs = o.watchLongMs = 3600 * 1000; });
    ASSERT_TRUE(s->start());
    ASSERT_TRUE(s->logic->watcherRunning());
    s.reset();  // returns: the watcher saw the program close
    SUCCEED();
}

}  // namespace
