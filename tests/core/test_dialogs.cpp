// The dialogs both programs share, in both layouts of the library: the Setup
// dialog loads the unit's setting through its own announcements and builds
// the record, the gang box's Setup keeps what it has no controls for, and the
// setting list has one row per slot the unit keeps.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdlib>
#include <cstring>

#include "core/notify.h"
#include "core/setupdialog.h"
#include "support/scripted_screen.h"
#include "support/stockedunit.h"

using namespace qmr::app;
using qmrtest::ScriptedScreen;
using qmrtest::waitUntil;

namespace {

#ifdef QMR_GANG
constexpr bool kGang = true;
#else
constexpr bool kGang = false;
#endif

// An open context on the simulated unit, started, with the view's notify
// target elsewhere.
class Context {
public:
    Context() : port_(&receiver_, [this](uint32_t) { ++mainRecords; })
    {
        ctx = QMRFlshOpen(port_.window(), QMR_MSG_PROGRESS, nullptr);
    }
    ~Context()
    {
        if (ctx) QMRFlshClose(ctx);
    }
    bool run(int (*command)(FlshContext*, int), int tag, const char* lastText)
    {
        ResetParams none{};
        QMRFlshReset(ctx, &none, 0);
        auto take = [&](const char* text) {
            return waitUntil([&] {
                while (mainRecords > taken) {
                    ++taken;
                    ProgressRecord* r = QMRFlshGetProg(ctx);
                    if (r && std::strcmp(r->text, text) == 0) return true;
                }
                return false;
            });
        };
        if (!take("RESET Command Completion")) return false;
        ctx->tagA = tag;
        command(ctx, 0);
        if (!take(lastText)) return false;
        // What follows the last line (a second completion record) is taken too.
        waitUntil([] { return false; }, 100);
        while (mainRecords > taken) {
            ++taken;
            QMRFlshGetProg(ctx);
        }
        return true;
    }
    FlshContext* ctx = nullptr;
    int mainRecords = 0, taken = 0;

private:
    QObject receiver_;
    NotifyPort port_;
};

class SharedDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (kGang) resetSimulatedGangBox({1, 2});
        else resetSimulatedUnit();
        stockSimulatedUnit(QM_EXAMPLES_DIR, "class1.prs", "demo.set", 0x800);
        qmr::link::withSimDevice([](qmr::sim::Device& d) {
            auto& rec = *d.store().settings[0];
            rec[0x61] = '3';  // supply 3.3 V
            rec[0x68] = 1;    // log recording
            rec[0x69] = 2;    // standalone verify
            rec[0x7C] = 0x40; // a reset time
        });
    }
};

TEST_F(SharedDialogs, SetupLoadsTheUnitsSettingThroughItsOwnAnnouncementsAndBuildsTheRecord)
{
    Context c;
    ASSERT_NE(c.ctx, nullptr);
    ASSERT_TRUE(c.run(QMRStartCmd, 12, "Initialization Completion"));
    ScriptedScreen screen;
    QObject receiver;
    SetupDialogLogic* active = nullptr;
    NotifyPort own(&receiver, [&](uint32_t) {
        if (active) active->onProgress();
    });
    SetupDialogLogic::Inputs in;
    in.caption = QStringLiteral("Product");
    in.gangBox = kGang;
    in.slotCount = QMR_SET_ENTRIES;
    in.setName = QStringLiteral("DEMO NM78F0511 EPV");
    SetupDialogLogic d(c.ctx, screen, own.window(), in);
    active = &d;
    bool closedOk = false;
    d.onClose = [&](bool ok) { closedOk = ok; };
    const int before = c.mainRecords;
    d.open();
    EXPECT_EQ(notifyMessageOf(c.ctx), kSetupMessage);
    ASSERT_TRUE(waitUntil([&] { return !d.loading(); }));
    EXPECT_EQ(c.mainRecords, before);  // the view heard nothing of the loading
    ASSERT_TRUE(d.okEnabled()) << screen.messageTexts().join("|").toStdString();
    EXPECT_EQ(d.parameterName(), QStringLiteral("NM78K0X.PRS"));
    d.model().typeSettingName("NEW NAME");
    d.model().typeExtensionTime("7");
    ASSERT_TRUE(d.ok());
    EXPECT_TRUE(closedOk);
    EXPECT_EQ(notifyMessageOf(c.ctx), QMR_MSG_PROGRESS);  // given back
    const auto* rec = reinterpret_cast<const SetRecord*>(c.ctx->settingsRecord);
    EXPECT_EQ(std::string(rec->setFileName, 8), "NEW NAME");
    EXPECT_EQ(rec->supplyVoltage, '3');
    EXPECT_EQ(rec->logRecording, 1);
    EXPECT_EQ(rec->standaloneOp, 2);
    EXPECT_EQ(rec->extensionTimeNs.get(), kGang ? 0u : 7000u);
    EXPECT_TRUE(screen.messages.empty());
}

TEST_F(SharedDialogs, TheSettingListHasARowPerSlotOfTheUnit)
{
    ScriptedScreen screen;
    SettingListLogic list(screen, ListMode::Delete, {}, {}, 0, QMR_SET_ENTRIES);
    EXPECT_EQ(list.rows().size(), QMR_SET_ENTRIES);
    EXPECT_EQ(list.rows().back().label, QString::asprintf("%02d", QMR_SET_ENTRIES - 1));
    EXPECT_FALSE(list.accept(QMR_SET_ENTRIES));
    ASSERT_EQ(screen.messages.size(), 1u);
    EXPECT_EQ(screen.messages[0].text, QStringLiteral("Choose a number"));
    screen.messages.clear();
    EXPECT_FALSE(list.accept(QMR_SET_ENTRIES - 1));  // empty: it does not exist
    EXPECT_EQ(screen.messages[0].text, QString::asprintf(" [%02d] a doesn't exist ", QMR_SET_ENTRIES - 1));
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("QMR_LINK", "sim", 1);
    setenv("QMR_SIM_DIR", "", 1);
    setenv("QMR_READ_TIMEOUT_MS", "300", 1);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
