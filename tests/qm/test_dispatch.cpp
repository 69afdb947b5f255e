// The single-unit program's command dispatch, start-up and form, against
// the in-process simulated unit.
#include "fixture.h"

#include "setrecord/setrecord.h"

using namespace qmtest;

namespace {

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { Unit::reset(); }
};

TEST_F(Dispatch, StartUpFillsTheFormFromTheUnit)
{
    Unit::store();
    for (bool english : {true, false}) {
        Session s(english);
        ASSERT_TRUE(s.start()) << s.screen.log.join("\n").toStdString();
        const FormTexts& f = s.screen.form;
        EXPECT_EQ(f.setting, QStringLiteral("DEMO NM78F0511 EPV"));
        EXPECT_FALSE(f.parameter.isEmpty());
        EXPECT_FALSE(f.device.isEmpty());
        EXPECT_EQ(f.hexName, QStringLiteral("blinky.hex"));
        EXPECT_EQ(f.hexTime, english ? QStringLiteral("09/12/2026 10:30:15") : QStringLiteral("2026/12/09 10:30:15"));
        EXPECT_EQ(f.hexCrc.size(), 8);
        EXPECT_TRUE(s.logic->deviceReady());
        EXPECT_TRUE(s.screen.actions.isEnabled(Action::Epv));
        EXPECT_TRUE(s.screen.actions.menus[2]);
        EXPECT_TRUE(s.screen.messages.empty()) << s.screen.messageTexts().join("|").toStdString();
    }
}

}  // namespace
