// The failure table of the single-unit program, row by row, with the faults
// injected into the simulated unit.
#include "fixture.h"

#include <cstdlib>

#include "core/setfiles.h"

using namespace qmtest;

namespace {

class Failures : public ::testing::Test {
protected:
    void SetUp() override
    {
        Unit::reset();
        Unit::store();
    }
    static QString text(const char* s) { return QString::fromUtf8(s); }
};

TEST_F(Failures, EachRowOfTheTableGivesItsBoxAndItsEnding)
{
    struct Case {
        const char* name;
        std::function<void(qmr::sim::Device&)> inject;
        Action action;
        const char* box;   // the message the user sees
        bool ends;         // the program ends (status 0)
    };
    const char* usb = "A USB communications error happened. \nActivate graphical interface program again.";
    const Case cases[] = {
        {"a unit that falls silent in an operation", [](qmr::sim::Device& d) { d.silenceAfter(6); }, Action::Epv, usb, true},
        {"a unit unplugged in an operation", [](qmr::sim::Device& d) { d.unplugAfter(6); }, Action::Erase, usb, true},
        {"a target error ends the operation with its text",
         [](qmr::sim::Device& d) { d.injectTargetError(1, 33); }, Action::Epv,
         "A time-out was done while it dealt with a device. ", false},
        {"a unit that refuses the operation", [](qmr::sim::Device& d) { d.injectStatus(0x25, 27); }, Action::Epv,
         "ERROR: A requested command can't be carried out by the management flow set up in Setting file ", false},
    };
    for (const auto& c : cases) {
        SetUp();
        Session s;
        ASSERT_TRUE(s.start()) << c.name;
        Unit::with(c.inject);
        s.trigger(c.action);
        ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && (s.screen.ended || s.logic->idle()); })) << c.name;
        EXPECT_EQ(s.screen.messages.back().text, text(c.box)) << c.name;
        EXPECT_EQ(s.screen.messages.back().caption, QStringLiteral("Quillmarker")) << c.name;
        EXPECT_EQ(s.screen.ended, c.ends) << c.name;
        if (c.ends) {
            EXPECT_TRUE(s.logic->usbError());  // no quit message goes to a broken link
            EXPECT_EQ(s.screen.endStatus, 0);
        } else {
            EXPECT_TRUE(s.logic->linkIdle());
            EXPECT_TRUE(s.logic->deviceReady());
            EXPECT_EQ(s.screen.actions.menus[2], true);
        }
    }
}

TEST_F(Failures, NandErrorsOfTheStartAndOfARegistrationEndTheProgram)
{
    const char* nandRead = "A reading error happened in NANDFlash  \nHardware broke down  ";
    const char* nandWrite = "The error writed with NANDFlash happened \nHardware broke down  ";
    {
        Session s;
        Unit::with([](qmr::sim::Device& d) { d.injectStatus(0x01, 13); });
        s.logic->start();
        ASSERT_TRUE(waitUntil([&] { return s.screen.ended; }));
        EXPECT_EQ(s.screen.messages.back().text, text(nandRead));
        EXPECT_FALSE(s.logic->usbError());
    }
    {
        // The unit cannot keep the parameter file: its NAND write fails.
        Unit::reset();
        Session s;
        ASSERT_TRUE(s.start());
        Unit::with([](qmr::sim::Device& d) { d.injectStatus(0x0F, 18); });
        s.screen.files.push_back({true, QString::fromStdString(example("class3.prs"))});
        s.trigger(Action::PrmDownload);
        ASSERT_TRUE(waitUntil([&] { return s.screen.ended; }));
        EXPECT_EQ(s.screen.messages.back().text, text(nandWrite));
    }
}

TEST_F(Failures, AStartThatNeedsAFirmwareUpdateShowsItsText)
{
    Session s;
    Unit::with([](qmr::sim::Device& d) { d.injectStatus(0x01, 15); });
    s.logic->start();
    ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); }));
    EXPECT_EQ(s.screen.messages.back().text, text("ERROR: It is a FirmWare update error "));
    EXPECT_FALSE(s.screen.ended);
    EXPECT_EQ(s.screen.armed.count(Timer::StartTimeout), 0u);  // the start's timer is gone
}

TEST_F(Failures, AFailedSettingSendClearsSetValidUnlessTheSettingCameFromDisk)
{
    for (bool fromDisk : {false, true}) {
        SetUp();
        Session s;
        ASSERT_TRUE(s.start());
        ASSERT_TRUE(s.ctx()->setValid);
        Unit::with([](qmr::sim::Device& d) { d.injectStatus(0x08, 4); });  // no room for it
        if (fromDisk) {
            s.screen.files.push_back({true, QString::fromStdString(example("demo.set"))});
            s.screen.settingList = [](SettingListLogic& l) { return l.accept(7); };
            s.trigger(Action::SetDownload);
        } else {
            s.screen.setup = [](SetupDialogLogic& d) { d.ok(); };
            s.trigger(Action::Setup);
        }
        ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); })) << fromDisk;
        EXPECT_EQ(s.screen.messages.back().text, text("A write error happened ")) << fromDisk;
        EXPECT_EQ(s.ctx()->setValid != 0, fromDisk) << fromDisk;
        EXPECT_EQ(s.logic->deviceReady(), fromDisk) << fromDisk;
    }
}

TEST_F(Failures, AFailedImageInformationEmptiesTheHexGroup)
{
    Session s;
    ASSERT_TRUE(s.start());
    ASSERT_FALSE(s.screen.form.hexCrc.isEmpty());
    Unit::with([](qmr::sim::Device& d) { d.injectStatus(0x13, 8); });
    s.screen.files.push_back({true, QString::fromStdString(example("blinky.hex"))});
    s.trigger(Action::HexDownload);
    ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); }));
    EXPECT_EQ(s.screen.messages.back().text, text("A reading error happened "));
    EXPECT_TRUE(s.screen.form.hexName.isEmpty());
    EXPECT_TRUE(s.screen.form.hexTime.isEmpty());
    EXPECT_TRUE(s.screen.form.hexCrc.isEmpty());
    EXPECT_EQ(s.ctx()->setValid, 0);
    EXPECT_FALSE(s.logic->deviceReady());
}

TEST_F(Failures, NoUnitFoundSaysWhatToCheckAndKeepsTheProgram)
{
    setenv("QMR_LINK", "tty:/nonexistent/ttyUSB9", 1);
    {
        Session s;
        testing::internal::CaptureStderr();
        s.logic->start();
        ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); }));
        testing::internal::GetCapturedStderr();
        const Message& m = s.screen.messages.back();
        EXPECT_TRUE(m.text.startsWith(text("ERROR: There is no system information of Quillmarker "))) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains(QStringLiteral("QMR_LINK=sim")));
        EXPECT_TRUE(m.text.contains(QStringLiteral("USB cable")));
        EXPECT_FALSE(s.screen.ended);
        EXPECT_FALSE(s.logic->deviceReady());
    }
    setenv("QMR_LINK", "sim", 1);
}

}  // namespace
