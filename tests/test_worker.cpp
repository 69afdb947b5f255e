// The exported interface, the worker and the ring, against the in-process
// simulated unit (single unit or gang box, by build).
#include <chrono>
#include <cstdlib>
#include <thread>

#include "link/sim/sim_driver.h"
#include "checks/codes.h"
#include "support.h"

using qmrtest::Session;
using qmrtest::texts;

namespace {

using qmrtest::kGang;

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override { qmr::link::resetSimDevice(qmr::link::defaultSimConfig()); }
    void configure(const std::function<void(qmr::sim::Config&)>& f)
    {
        auto c = qmr::link::defaultSimConfig();
        f(c);
        qmr::link::resetSimDevice(c);
    }
    void withUnit(const std::function<void(qmr::sim::Device&)>& f) { qmr::link::withSimDevice(f); }
};

TEST_F(WorkerTest, NullContextIsRefusedWith100)
{
    ResetParams p{};
    std::vector<int> results = {
        QMRFlshReset(nullptr, &p, 0), QMRUSBOpen(nullptr, &p, 0), QMRFlshCmdOpt(nullptr, 1),
        QMRFlshSeqFlg(nullptr, 1),    QMRFlshEPV(nullptr, 0),     QMRFlshErase(nullptr, 0, 0, 0),
        QMRFlshAbort(nullptr, nullptr), QMRFlshModeChange(nullptr, nullptr, 1),
        QMRFlshV850Self(nullptr, nullptr), QMRStartCmd(nullptr, 0), QMRProgress(nullptr, 0),
        QMRFlshGUIQuit(nullptr),      QMRGetDeviceInfo(nullptr, 0), QMRHexDownLoad(nullptr, 0),
    };
    for (int r : results) EXPECT_EQ(r, QMR_E_NULL);
    EXPECT_EQ(QMRFlshGetProg(nullptr), nullptr);
    QMRFlshClose(nullptr);  // ignored
}

TEST_F(WorkerTest, VersionOfThisBuild) { EXPECT_EQ(QMRGetVersion(), kGang ? 113 : 134); }

TEST_F(WorkerTest, CommandBeforeResetGives131)
{
    Session s;
    ASSERT_NE(s.ctx, nullptr);
    s.ctx->tagA = 7;
    EXPECT_EQ(QMRStartCmd(s.ctx, 0), 0);
    auto r = s.next();
    EXPECT_EQ(r.code, QMR_E_LINK);
    EXPECT_EQ(r.percent, 100);
    EXPECT_EQ(r.scale, 100);
    EXPECT_EQ(r.tagA, 7);
    EXPECT_STREQ(r.title, "Error notice from the Target");
    EXPECT_STREQ(r.text, qmr::checks::statusRecordText(QMR_E_LINK, true));
    EXPECT_EQ(s.window.lastMessage(), QMR_MSG_PROGRESS);
}

TEST_F(WorkerTest, AbortWhileIdleGivesExactlyOneRecord)
{
    Session s;
    QMRFlshAbort(s.ctx, nullptr);
    auto r = s.next();
    EXPECT_STREQ(r.text, "ABORT ok.");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.percent, 100);
    EXPECT_EQ(r.scale, 100);
    EXPECT_FALSE(s.window.wait(150));
}

TEST_F(WorkerTest, SequenceFlagsAreMirrored)
{
    Session s;
    const std::pair<int, int> cases[] = {{1, 4}, {4, 1}, {6, 3}, {2, 2}, {0xFF, 7}, {0x18, 0}};
    for (auto [in, out] : cases) {
        EXPECT_EQ(QMRFlshSeqFlg(s.ctx, in), 0);
        EXPECT_EQ(s.ctx->seqFlags, out) << in;
    }
    ResetParams p{};
    p.cmdOption = 0x5A;
    p.seqFlags = 1;
    p.resetWord = 0x12345678;
    QMRFlshReset(s.ctx, &p, 0);
    EXPECT_EQ(s.next().code, 0);
    EXPECT_EQ(s.ctx->cmdOption, 0x5A);
    EXPECT_EQ(s.ctx->seqFlags, 4);
    EXPECT_EQ(static_cast<uint32_t>(s.ctx->resetWord), 0x12345678u);
    EXPECT_EQ(std::memcmp(&s.ctx->resetParams, &p, sizeof p), 0);
    QMRUSBOpen(s.ctx, &p, 0);
    EXPECT_STREQ(s.next().text, "RESET Command Completion");
    EXPECT_EQ(s.ctx->seqFlags, 0);
    QMRFlshCmdOpt(s.ctx, 0x1234);
    EXPECT_EQ(s.ctx->cmdOption, 0x34);
}

TEST_F(WorkerTest, ModeChangeAndSelfProgrammingStoreTheRecordAndStartNothing)
{
    Session s;
    auto* prm = static_cast<PrmRecord*>(std::calloc(1, sizeof(PrmRecord)));
    prm->prmFileSize = 16384;
    prm->prmImage[0] = 4;
    EXPECT_EQ(QMRFlshModeChange(s.ctx, prm, 3), 0);
    EXPECT_EQ(s.ctx->mode, 3);
    EXPECT_EQ(+s.ctx->prm.prmFileSize, 16384u);
    prm->prmImage[0] = 2;
    EXPECT_EQ(QMRFlshV850Self(s.ctx, prm), 0);
    EXPECT_EQ(s.ctx->prm.prmImage[0], 2);
    EXPECT_FALSE(s.window.wait(150));  // no record, not even the closed link's 131
    std::free(prm);
}

TEST_F(WorkerTest, RingKeepsOrderAndAFullPassEmptiesTheOtherTexts)
{
    Session s;
    for (int i = 0; i < QMR_RING_SIZE; ++i) {
        s.ctx->tagA = i;
        QMRFlshAbort(s.ctx, nullptr);
        auto r = s.next();
        ASSERT_EQ(r.tagA, i);
        ASSERT_STREQ(r.text, "ABORT ok.");
        if (i == 500) {
            EXPECT_STREQ(s.ctx->ring[10].text, "ABORT ok.");
        }
    }
    // The read index wrapped: every text but the one just handed out is empty.
    EXPECT_EQ(s.ctx->ringRead, 0);
    EXPECT_STREQ(s.ctx->ring[QMR_RING_SIZE - 1].text, "ABORT ok.");
    for (int k = 0; k < QMR_RING_SIZE - 1; ++k) {
        ASSERT_EQ(s.ctx->ring[k].text[0], 0) << k;
        ASSERT_EQ(s.ctx->ring[k].title[0], 0) << k;
    }
    QMRFlshAbort(s.ctx, nullptr);
    EXPECT_STREQ(s.next().text, "ABORT ok.");
    EXPECT_EQ(s.ctx->ringWrite, 1);
}

TEST_F(WorkerTest, InitializationOnAnEmptyUnit)
{
    withUnit([](qmr::sim::Device& d) {
        qmr::sim::StoredImage im;
        im.name = "blinky.hex";
        d.store().image = im;
    });
    Session s;
    ASSERT_TRUE(s.reset());
    s.ctx->tagA = 2;
    auto recs = s.initialize();
    std::vector<std::string> expected = {"Initialization ...",
                                         "Initialization startcmd Completion",
                                         "Initialization prm name upload Completion",
                                         "Initialization set name upload Completion"};
    std::vector<int> percents = {1, 25, 50, 75};
    if (kGang) {
        expected.push_back("Initialization prs file upload Completion");
        percents.push_back(99);
    }
    expected.insert(expected.end(), {"Initialization Completion", "Initialization Completion"});
    percents.insert(percents.end(), {100, 100});
    ASSERT_EQ(texts(recs), expected);
    for (size_t i = 0; i < recs.size(); ++i) {
        EXPECT_EQ(recs[i].percent, percents[i]) << i;
        EXPECT_EQ(recs[i].code, 0);
        EXPECT_EQ(recs[i].tagA, 2);
        EXPECT_EQ(recs[i].state, 20);
    }
    EXPECT_EQ(recs[recs.size() - 2].done, 1);
    EXPECT_EQ(recs.back().done, 0);
    EXPECT_STREQ(s.ctx->systemText, "blinky.hex");
    EXPECT_EQ(qmr_info_version(s.ctx, 0), 0x0205);
    EXPECT_EQ(s.ctx->settingsNumberValid, 0);
    EXPECT_EQ(s.ctx->setupInfoValid, 0);
    EXPECT_EQ(s.ctx->prmNameCount, 0);
    EXPECT_EQ(s.ctx->setNameCount, 0);
#ifdef QMR_GANG
    EXPECT_EQ(s.ctx->buttonMask, 1);  // no settings file, no image: buttons stay masked
#else
    EXPECT_EQ(s.ctx->buildNumber, 0x0102);
#endif
    // Back to idle: the next command runs.
    QMRFlshAbort(s.ctx, nullptr);
    EXPECT_STREQ(s.next().text, "ABORT ok.");
}

TEST_F(WorkerTest, VersionWordWithEEEndsWithTheFirmwareUpdateText)
{
    configure([](qmr::sim::Config& c) { c.versions[kGang ? 5 : 0] = 0x01EE; });
    Session s;
    ASSERT_TRUE(s.reset());
    auto recs = s.initialize();
    const auto& last = recs.back();
    EXPECT_EQ(last.code, 15);
    EXPECT_EQ(last.tagA, 12);
    EXPECT_EQ(last.tagB, 12);
    EXPECT_STREQ(last.text, "ERROR: It is a FirmWare update error ");
    EXPECT_FALSE(s.window.wait(100));
}

TEST_F(WorkerTest, StartStatusFailuresUseTheStatusText)
{
    struct Case {
        uint8_t status;
        bool english;
        const char* text;
    };
    const Case cases[] = {
        {255, true, "Others are abnormal "},
        {255, false, "その他の異常です"},
        {24, true, "ERROR: An administrative table was likely to break "},
    };
    for (const auto& c : cases) {
        qmr::link::resetSimDevice(qmr::link::defaultSimConfig());
        withUnit([&](qmr::sim::Device& d) { d.injectStatus(0x01, c.status); });
        Session s(c.english);
        ASSERT_TRUE(s.reset());
        auto recs = s.initialize();
        const auto& last = recs.back();
        EXPECT_EQ(last.code, c.status);
        EXPECT_EQ(last.tagB, 15);
        EXPECT_STREQ(last.title, "Initialization failure");
        EXPECT_STREQ(last.text, c.text);
    }
}

TEST_F(WorkerTest, SettingsNumberAboveFifteenEndsWithStatus35)
{
    std::vector<uint8_t> entry(65, 0);
    entry[0] = 16;
    // The answers to 0x0E so far: three after the start, the parameter list's last.
    withUnit([&](qmr::sim::Device& d) { d.injectAnswer(0x0E, qmr::sim::Device::frame(0x0E, entry.data(), 65), 4); });
    Session s;
    ASSERT_TRUE(s.reset());
    auto recs = s.initialize();
    EXPECT_EQ(recs.back().code, 35);
    EXPECT_EQ(recs.back().tagB, 18);
    EXPECT_STREQ(recs.back().text, qmr::checks::unitStatusText(35, true));
    EXPECT_EQ(s.ctx->lastStatus, 35);
}

#ifndef QMR_GANG
TEST_F(WorkerTest, SingleUnitStartStatus15RunsOnAndEndsWithTheFirmwareError)
{
    withUnit([](qmr::sim::Device& d) { d.injectStatus(0x01, 15); });
    Session s;
    ASSERT_TRUE(s.reset());
    s.ctx->logClearPending = 1;
    s.ctx->okCount = 5;
    auto recs = s.initialize();
    EXPECT_EQ(recs.back().code, 15);
    EXPECT_EQ(recs.back().tagA, 12);
    EXPECT_EQ(recs.back().tagB, 12);
    for (const auto& r : recs) EXPECT_STRNE(r.text, "Initialization Completion");
    EXPECT_EQ(s.ctx->buildNumber, 0x0102);  // the sequence ran on to the build number
    EXPECT_EQ(s.ctx->logClearPending, 0);
    EXPECT_EQ(s.ctx->okCount, 0u);
    bool sawClear = false;
    withUnit([&](qmr::sim::Device& d) { sawClear = !d.frames().empty() && d.frames().front().command == 0x10; });
    EXPECT_TRUE(sawClear);
}
#endif

TEST_F(WorkerTest, SilentUnitEndsWith122AndTheLibraryStaysUsable)
{
    withUnit([](qmr::sim::Device& d) { d.silenceAfter(6 + 517 + 10); });
    Session s;
    ASSERT_TRUE(s.reset());
    auto recs = s.initialize();
    EXPECT_EQ(recs.back().code, QMR_E_SHORTREAD);
    EXPECT_STREQ(recs.back().title, "Initialization failure");
    withUnit([](qmr::sim::Device& d) {
        d.speakAgain();
        d.clearOutput();
    });
    ASSERT_TRUE(s.reset());
    EXPECT_STREQ(s.initialize().back().text, "Initialization Completion");
}

TEST_F(WorkerTest, OversizedAnswerEndsWith122AndTheLibraryStaysUsable)
{
    std::vector<uint8_t> big(2000, 0x41);
    // The parameter list's closing answer claims 2000 bytes.
    withUnit([&](qmr::sim::Device& d) { d.injectAnswer(0x0E, qmr::sim::Device::frame(0x0E, big.data(), 2000), 3); });
    Session s;
    ASSERT_TRUE(s.reset());
    auto recs = s.initialize();
    EXPECT_EQ(recs.back().code, QMR_E_SHORTREAD);
    EXPECT_STREQ(recs.back().text, "Initialization startcmd failure");
    EXPECT_EQ(recs.back().percent, 50);
    ASSERT_TRUE(s.reset());
    EXPECT_STREQ(s.initialize().back().text, "Initialization Completion");
}

TEST_F(WorkerTest, DeviceInformationReadsTheSerialNumber)
{
    Session s;
    QMRGetDeviceInfo(s.ctx, 0);
    EXPECT_EQ(s.next().code, QMR_E_LINK);
    ASSERT_TRUE(s.reset());
    QMRGetDeviceInfo(s.ctx, 0);
    // Success posts nothing: the next command's record shows it is done.
    QMRFlshAbort(s.ctx, nullptr);
    EXPECT_STREQ(s.next().text, "ABORT ok.");
    EXPECT_STREQ(reinterpret_cast<const char*>(s.ctx->usbSerial), "QMSIM0001");
}

TEST_F(WorkerTest, UnknownLinkSettingFailsTheOpenWith32)
{
    setenv("QMR_LINK", "bogus", 1);
    Session s;
    ResetParams p{};
    QMRFlshReset(s.ctx, &p, 0);
    auto r = s.next();
    setenv("QMR_LINK", "sim", 1);
    EXPECT_EQ(r.code, QMR_E_NOTFOUND);
    EXPECT_STREQ(r.text, qmr::checks::unitStatusText(32, true));
    EXPECT_EQ(s.ctx->link, -1);
}

TEST_F(WorkerTest, CloseWhileTheWorkerWaitsOnASilentUnitReturns)
{
    setenv("QMR_READ_TIMEOUT_MS", "60000", 1);
    auto* s = new Session;
    ASSERT_TRUE(s->reset());
    withUnit([](qmr::sim::Device& d) { d.silenceAfter(0); });
    QMRStartCmd(s->ctx, 0);
    EXPECT_STREQ(s->next().text, "Initialization ...");
    auto t0 = std::chrono::steady_clock::now();
    delete s;  // closes the context while the worker is inside a read
    auto took = std::chrono::steady_clock::now() - t0;
    setenv("QMR_READ_TIMEOUT_MS", "300", 1);
    EXPECT_LT(took, std::chrono::seconds(10));
}

}  // namespace
