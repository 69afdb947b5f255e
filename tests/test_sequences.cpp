// Whole command sequences of both builds against the simulated unit: the
// transfers, initialization with stored files, device operations with their
// polling, and every injected fault ending in its error record.
#include <atomic>
#include <cstdlib>

#include "checks/crc32.h"
#include "fixtures.h"
#include "link/sim/sim_driver.h"
#include "checks/codes.h"
#include "support.h"

using namespace qmrtest;

namespace {

using qmrtest::kGang;

std::atomic<uint64_t> g_clock{0};

class Sequences : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto c = qmr::link::defaultSimConfig();
        c.storeDir.clear();
        qmr::link::resetSimDevice(c);
        prm = parameterFile(0x11223344);
        set = settingsRecord(prm, 0x3FFF);
    }
    void reconfigure(const std::function<void(qmr::sim::Config&)>& f)
    {
        auto c = qmr::link::defaultSimConfig();
        c.storeDir.clear();
        f(c);
        qmr::link::resetSimDevice(c);
    }
    static void unit(const std::function<void(qmr::sim::Device&)>& f) { qmr::link::withSimDevice(f); }

    // Runs one command and returns its records up to `last` (or an error).
    std::vector<ProgressRecord> run(Session& s, int (*command)(FlshContext*, int), const char* last)
    {
        command(s.ctx, 0);
        return s.untilText(last);
    }
    std::vector<int> percents(const std::vector<ProgressRecord>& recs)
    {
        std::vector<int> out;
        for (const auto& r : recs) out.push_back(r.percent);
        return out;
    }
    // Registers the parameter file and a settings file through the library;
    // the unit makes the settings file it registers its default.
    void registerFiles(Session& s)
    {
        std::memcpy(s.ctx->prm.prmImage, prm.data(), prm.size());
        s.ctx->prm.prmFileSize = static_cast<uint32_t>(prm.size());
        ASSERT_EQ(run(s, QMRPRMSend, "PRM File Send Command Completion").back().code, 0);
        std::memcpy(s.ctx->settingsRecord, set.data(), set.size());
        s.ctx->settingsNumber = 2;
        ASSERT_EQ(run(s, QMRSETSend, "SET File Send Command Completion").back().code, 0);
        unit([](qmr::sim::Device& d) { EXPECT_EQ(d.store().defaultSetting, 2); });
    }
    void prepareImage(Session& s, const std::vector<uint8_t>& image)
    {
        image_ = image;
        s.ctx->hexImage = image_.data();
        s.ctx->hexSize = static_cast<uint32_t>(image_.size());
        s.ctx->hexHighest = static_cast<uint32_t>(image_.size() - 1);
        s.ctx->hexCrc = qmr::checks::crc32Bzip2(image_.data(), image_.size());
        std::strcpy(s.ctx->hexFileName, "blinky.hex");
        std::memcpy(s.ctx->hexTimestamp, "20261209120000", 14);
    }
    void downloadImage(Session& s, const std::vector<uint8_t>& image)
    {
        prepareImage(s, image);
        auto recs = run(s, QMRHexDownLoad, "HEX File Download Command Completion");
        ASSERT_EQ(recs.back().code, 0) << recs.back().text;
    }
    // A unit holding the files and an image, initialized.
    void readyUnit(Session& s, size_t imageSize)
    {
        ASSERT_TRUE(s.reset());
        registerFiles(s);
        downloadImage(s, pattern(imageSize));
        ASSERT_STREQ(s.initialize().back().text, "Initialization Completion");
    }
    std::vector<ProgressRecord> poll(Session& s, int tagB)
    {
        s.ctx->tagA = 26;
        s.ctx->tagB = tagB;
        QMRProgress(s.ctx, 0);
        return s.until([](const ProgressRecord& r) { return std::strstr(r.title, "Completion") != nullptr; }, 10000);
    }
    size_t framesOf(uint8_t command)
    {
        size_t n = 0;
        unit([&](qmr::sim::Device& d) {
            for (const auto& f : d.frames()) n += f.command == command;
        });
        return n;
    }

    std::vector<uint8_t> prm, set, image_;
};

TEST_F(Sequences, ParameterFileGoesAs32BlocksWithItsProgress)
{
    Session s;
    ASSERT_TRUE(s.reset());
    std::memcpy(s.ctx->prm.prmImage, prm.data(), prm.size());
    s.ctx->prm.prmImage[16384] = 0x77;  // a partial block past 16384 is not sent
    s.ctx->prm.prmFileSize = 16384 + 100;
    QMRPRMSend(s.ctx, 0);
    auto recs = s.untilText("PRM File Send Command Completion");
    std::vector<int> expected = {1};
    for (int i = 0; i < 32; ++i) expected.push_back(3 * i);
    expected.insert(expected.end(), {99, 100});
    EXPECT_EQ(percents(recs), expected);
    EXPECT_STREQ(recs[1].text, "PRM File Download Command ...0 %");
    EXPECT_STREQ(recs[2].text, "PRM File Download Command ...3 %");
    EXPECT_STREQ(recs[1].title, "Parameter File Download ...");
    EXPECT_STREQ(recs.back().title, "Parameter File Download Completion");
    EXPECT_EQ(framesOf(0x34), 32u);
    unit([&](qmr::sim::Device& d) {
        ASSERT_EQ(d.store().prm.count(0x11223344), 1u);
        EXPECT_EQ(d.store().prm[0x11223344], prm);
    });
    // Registered again with other bytes: the unit replaces the file it held.
    s.ctx->prm.prmImage[100] ^= 0xFF;
    QMRPRMSend(s.ctx, 0);
    auto again = s.untilText("PRM File Send Command Completion");
    EXPECT_EQ(again.back().code, 0);
    unit([&](qmr::sim::Device& d) {
        ASSERT_EQ(d.store().prm.size(), 1u);
        EXPECT_EQ(d.store().prm[0x11223344][100], uint8_t(prm[100] ^ 0xFF));
    });
}

TEST_F(Sequences, InitializationUploadsTheDefaultSettingsAndItsParameterFile)
{
    Session s;
    ASSERT_TRUE(s.reset());
    registerFiles(s);
    downloadImage(s, pattern(0x4000));
    std::memset(s.ctx->settingsRecord, 0, sizeof s.ctx->settingsRecord);
    std::memset(&s.ctx->prm, 0, sizeof s.ctx->prm);
    auto recs = s.initialize();
    ASSERT_STREQ(recs.back().text, "Initialization Completion");
    EXPECT_EQ(s.ctx->settingsNumber, 2);
    EXPECT_EQ(s.ctx->settingsNumberValid, 1);
    EXPECT_EQ(s.ctx->setupInfoValid, 1);
    EXPECT_EQ(std::memcmp(s.ctx->settingsRecord, set.data(), set.size()), 0);
    EXPECT_EQ(std::memcmp(s.ctx->prm.prmImage, prm.data(), prm.size()), 0);
    EXPECT_EQ(s.ctx->prmNameCount, 1);
    EXPECT_EQ(qmr_be32(s.ctx->prmNameList[0]), 0x11223344u);
    EXPECT_STREQ(reinterpret_cast<const char*>(s.ctx->prmNameList[0] + 4), "TESTDEV.PRS");
    EXPECT_EQ(s.ctx->setNameCount, 1);
    EXPECT_EQ(s.ctx->setNameList[2][0], 2);
    EXPECT_STREQ(reinterpret_cast<const char*>(s.ctx->setNameList[2] + 33), "TEST SETTING");
    EXPECT_STREQ(s.ctx->systemText, "blinky.hex");
    // The unit reports the CRC of the image it holds as the program computed it.
    EXPECT_EQ(qmr_info_hex_crc(s.ctx), qmr::checks::crc32Bzip2(image_.data(), image_.size()));
#ifdef QMR_GANG
    EXPECT_EQ(s.ctx->buttonMask, 0);  // settings and image present: start buttons free
#else
    EXPECT_EQ(s.ctx->setValid, 1);
#endif
}

TEST_F(Sequences, ImageStreamsFollowTheProgressRules)
{
    struct Case {
        uint32_t size;
        std::vector<int> lines;  // percents of the progress lines
        size_t frames;           // image data frames after name and header
    };
    const Case cases[] = {
        {100, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100}, 1},
        {512, {10, 20, 30, 40, 50, 60, 70, 80, 90, 99}, 1},
        {512 * 3 + 7, {10, 20, 30, 40, 50, 60, 70, 80, 90, 99}, 4},
        {512 * 9, {10, 20, 30, 40, 50, 60, 70, 80, 90, 99}, 9},
        {512 * 10, {10, 20, 30, 40, 50, 60, 70, 80, 90, 99, 99}, 10},
        {512 * 25 + 1, {10, 20, 30, 40, 50, 60, 70, 80, 99}, 26},
    };
    for (const auto& c : cases) {
        SetUp();
        Session s;
        ASSERT_TRUE(s.reset());
        prepareImage(s, pattern(c.size, static_cast<uint8_t>(c.size)));
        unit([](qmr::sim::Device& d) { d.clearFrames(); });
        QMRHexDownLoad(s.ctx, 0);
        auto all = s.untilText("HEX File Download Command Completion");
        ASSERT_EQ(all.back().code, 0) << c.size;
        std::vector<int> lines;
        for (size_t i = 1; i + 1 < all.size(); ++i) lines.push_back(all[i].percent);
        EXPECT_EQ(lines, c.lines) << c.size;
        EXPECT_EQ(framesOf(0x32), c.frames + 2) << c.size;
        unit([&](qmr::sim::Device& d) {
            ASSERT_TRUE(d.store().image.has_value());
            EXPECT_EQ(d.store().image->data, image_) << c.size;
            EXPECT_EQ(d.store().image->name, "blinky.hex");
        });
    }
}

TEST_F(Sequences, ImageInformationAndUploadGiveBackWhatWasDownloaded)
{
    Session s;
    ASSERT_TRUE(s.reset());
    downloadImage(s, pattern(512 * 37 + 100));
    ASSERT_EQ(run(s, QMRHexInfoUpLoad, "HEX File Infomation Upload Command Completion").back().code, 0);
    EXPECT_STREQ(s.ctx->systemText, "blinky.hex");
    EXPECT_EQ(s.ctx->unitImageSize, image_.size());
    EXPECT_EQ(s.ctx->unitImageCrc, qmr::checks::crc32Bzip2(image_.data(), image_.size()));
    std::vector<uint8_t> up(0x800000, 0);
    s.ctx->uploadBuffer = up.data();
    s.ctx->hexSize = 0;
    auto recs = run(s, QMRHexUpLoad, "HEX File Upload Command Completion");
    ASSERT_EQ(recs.back().code, 0) << recs.back().text;
    EXPECT_EQ(s.ctx->hexSize, image_.size());
    EXPECT_TRUE(std::equal(image_.begin(), image_.end(), up.begin()));
    EXPECT_EQ(up[image_.size()], 0);  // nothing past the image size is written
    ASSERT_EQ(run(s, QMRCheckSum, "Check Sum Command Completion").back().code, 0);
    uint32_t sum = 0;
    for (uint8_t b : image_) sum += b;
    EXPECT_EQ(s.ctx->imageChecksum, static_cast<uint16_t>(sum));
}

TEST_F(Sequences, ImageWithAWrongCrcIsRefusedByTheUnit)
{
    Session s;
    ASSERT_TRUE(s.reset());
    image_ = pattern(2000);
    s.ctx->hexImage = image_.data();
    s.ctx->hexSize = 2000;
    s.ctx->hexCrc = 0x12345678;
    auto recs = run(s, QMRHexDownLoad, "HEX File Download Command Completion");
    EXPECT_EQ(recs.back().code, 16);
    EXPECT_STREQ(recs.back().title, "HEX File Download failure");
    unit([](qmr::sim::Device& d) { EXPECT_FALSE(d.store().image.has_value()); });
    s.ctx->hexSize = 0x800001;  // larger than any image buffer
    recs = run(s, QMRHexDownLoad, "HEX File Download Command Completion");
    EXPECT_EQ(recs.back().code, QMR_E_RANGE);
}

TEST_F(Sequences, EpvWithPollingProgramsTheTarget)
{
    Session s;
    readyUnit(s, 0x2000);
    ASSERT_FALSE(HasFatalFailure());
    s.ctx->tagA = 8;
    QMRFlshEPV(s.ctx, 0);
    auto start = s.next();
    EXPECT_STREQ(start.text, "EPV Command ...");
    EXPECT_STREQ(start.title, "Epv ...");
    EXPECT_EQ(start.percent, 2);
    EXPECT_EQ(start.tagB, 8);
    auto recs = poll(s, 8);
    ASSERT_EQ(recs.back().code, 0) << recs.back().text;
    EXPECT_STREQ(recs.back().title, "Verify Completion");
    EXPECT_STREQ(recs.back().text, "PROGRESS 100 Completion");
    EXPECT_EQ(recs.back().tagB, 8);
    EXPECT_STREQ(recs[recs.size() - 2].text, "PROGRESS 99 Completion");
    unit([&](qmr::sim::Device& d) {
        for (int u = 1; u <= (kGang ? 8 : 1); ++u) {
            auto& mem = d.targetMemory(u);
            ASSERT_GE(mem.size(), 0x4000u);
            EXPECT_TRUE(std::equal(image_.begin(), image_.end(), mem.begin())) << u;
            EXPECT_EQ(mem[0x3FFF], 0xFF);
        }
    });
#ifdef QMR_GANG
    for (const auto& u : s.ctx->units) {
        EXPECT_EQ(+u.active, 1);
        EXPECT_EQ(+u.finished, 1);
        EXPECT_EQ(+u.percent, 100);
    }
    EXPECT_EQ(s.ctx->buttonMask, 0);
#endif
    // Blank check now finds the programmed bytes.
    QMRFlshBlnk(s.ctx, 0);
    EXPECT_STREQ(s.next().text, "BLANK Command ...");
    auto blank = poll(s, 3);
    EXPECT_EQ(blank.back().code, 40);
    EXPECT_STREQ(blank.back().text, qmr::checks::targetErrorText(40, true));
    // Erase, then blank check passes; the device checksum is the sum of 0xFF.
    QMRFlshErase(s.ctx, 0, 0, 0);
    s.next();
    EXPECT_EQ(poll(s, 2).back().code, 0);
    QMRFlashCheckSum(s.ctx, 0);
    EXPECT_STREQ(s.next().text, "Device Check Sum Command Completion");
    EXPECT_EQ(poll(s, 5).back().code, 0);
    uint16_t expected = static_cast<uint16_t>(0x4000 * 0xFF);
#ifdef QMR_GANG
    EXPECT_EQ(qmr_be16(s.ctx->units[7].deviceChecksum), expected);
#else
    EXPECT_EQ(qmr_be16(s.ctx->deviceChecksum), expected);
#endif
}

TEST_F(Sequences, SignatureSecurityAndRead)
{
    Session s;
    readyUnit(s, 0x1800);
    ASSERT_FALSE(HasFatalFailure());
    QMRFlshSigread(s.ctx, 0);
    EXPECT_STREQ(s.next().text, "Device Signature Command Completion");
    EXPECT_EQ(poll(s, 4).back().code, 0);
    QMRFlshSecurity(s.ctx, 0);
    s.next();
    EXPECT_EQ(poll(s, 7).back().code, 0);
#ifdef QMR_GANG
    EXPECT_EQ(s.ctx->units[0].signature[0], 0xA0);
    EXPECT_EQ(s.ctx->units[0].signature[16], 0xB0);
    EXPECT_EQ(s.ctx->units[0].signature[17], 0);  // 17 bytes for this family
    EXPECT_EQ(+s.ctx->units[0].securityOk, 1);
#else
    EXPECT_EQ(s.ctx->signature[16], 0xB0);
    EXPECT_EQ(s.ctx->securityResult, 1);
#endif
    QMRFlshProgram(s.ctx, 0);
    EXPECT_STREQ(s.next().text, "PROGRAM Command ...");  // the starter's record
    EXPECT_STREQ(s.next().text, "PROGRAM Command ...");
    EXPECT_EQ(poll(s, 9).back().code, 0);
    std::vector<uint8_t> buf(0x400000, 0);
    s.ctx->readBuffer = buf.data();
    s.ctx->readEnd = 0x4000;
    s.ctx->readUnit = 3;
    auto recs = run(s, QMRFlshRead, "Read Command Completion");
    ASSERT_EQ(recs.back().code, 0) << recs.back().text;
    EXPECT_TRUE(std::equal(image_.begin(), image_.end(), buf.begin()));
    EXPECT_EQ(buf[0x3FFF], 0xFF);
    EXPECT_EQ(recs[recs.size() - 2].percent, 96);  // 32 blocks of 3 %
    s.ctx->readEnd = 0x400001;
    EXPECT_EQ(run(s, QMRFlshRead, "Read Command Completion").back().code, QMR_E_RANGE);
    // Nothing asked for: the unit's blocks are drained and the link stays in step.
    s.ctx->readEnd = 0;
    EXPECT_EQ(run(s, QMRFlshRead, "Read Command Completion").back().code, 0);
    EXPECT_EQ(run(s, QMRFlshBuildNo, "Build No Command Completion").back().code, 0);
}

TEST_F(Sequences, AProgressRequestRightAfterTheOperationsFirstRecordIsNotLost)
{
    // Program and Verify post their first record from the starter, before
    // the operation runs: a caller that asks for the progress on it at once
    // gets its poll after the operation's start, never nothing.
    Session s;
    readyUnit(s, 0x1000);
    ASSERT_FALSE(HasFatalFailure());
    for (auto call : {QMRFlshProgram, QMRFlshVerify}) {
        s.ctx->tagA = s.ctx->tagB = 3;
        call(s.ctx, 0);
        s.ctx->tagA = 26;
        QMRProgress(s.ctx, 0);  // queued before the worker runs the operation
        auto recs = s.until([](const ProgressRecord& r) { return std::strstr(r.title, "Completion") != nullptr; }, 3000);
        ASSERT_FALSE(recs.empty());
        EXPECT_STREQ(recs.back().text, "PROGRESS 100 Completion") << recs.back().text;
        EXPECT_EQ(recs.back().code, 0);
    }
}

TEST_F(Sequences, ExpansionEpvWritesEachUnitsSerialNumber)
{
    Session s;
    readyUnit(s, 0x1000);
    ASSERT_FALSE(HasFatalFailure());
    s.ctx->serialAddress = 0x100;
    s.ctx->serialSize = 4;
    s.ctx->serialValue = 0xCAFE0001;
    for (int i = 0; i < 8; ++i) {
        s.ctx->unitSerial[i][0] = 0x5A5A5A5A;  // the high word: not written for 4 bytes
        s.ctx->unitSerial[i][1] = 0xCAFE0001 + static_cast<uint32_t>(i);
    }
    QMRFlshEXPEPV(s.ctx, 0);
    EXPECT_STREQ(s.next().text, "EXPANSION EPV Command ...");
    ASSERT_EQ(poll(s, 9).back().code, 0);
    unit([&](qmr::sim::Device& d) {
        for (int u = 1; u <= (kGang ? 8 : 1); ++u) {
            auto& m = d.targetMemory(u);
            EXPECT_EQ(qmr_be32(&m[0x100]), 0xCAFE0000u + static_cast<uint32_t>(u)) << u;
            EXPECT_EQ(m[0x104], image_[0x104]);
        }
        size_t n = 0;
        for (const auto& f : d.frames())
            if (f.command == 0x2A) n = f.data.size();
        EXPECT_EQ(n, kGang ? 69u : 9u);
    });
#ifdef QMR_GANG
    // Eight bytes: the high word, then the low word.
    s.ctx->serialSize = 8;
    s.ctx->unitSerial[2][0] = 0x01020304;
    s.ctx->unitSerial[2][1] = 0x05060708;
    QMRFlshEXPEPV(s.ctx, 0);
    EXPECT_STREQ(s.next().text, "EXPANSION EPV Command ...");
    ASSERT_EQ(poll(s, 9).back().code, 0);
    unit([&](qmr::sim::Device& d) {
        auto& m = d.targetMemory(3);
        EXPECT_EQ(std::vector<uint8_t>(m.begin() + 0x100, m.begin() + 0x108), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    });
#endif
}

TEST_F(Sequences, PollOutcomes)
{
    Session s;
    readyUnit(s, 0x1000);
    ASSERT_FALSE(HasFatalFailure());

    // No unit active: only the final records.
#ifdef QMR_GANG
    auto idle = poll(s, 1);
    ASSERT_EQ(idle.size(), 2u);
    EXPECT_STREQ(idle[0].text, "PROGRESS 99 Completion");
    EXPECT_EQ(idle.back().code, 0);
#endif
    // Result code 6 is a normal answer, not a failure.
    unit([](qmr::sim::Device& d) { d.injectTargetError(1, 6); });
    QMRFlshErase(s.ctx, 0, 0, 0);
    EXPECT_STREQ(s.next().text, "ERASE Command ...");
    EXPECT_EQ(poll(s, 2).back().code, 0);
    // The first failing unit in unit order is reported.
    unit([](qmr::sim::Device& d) {
        d.injectTargetError(kGang ? 5 : 1, 15);
        if (kGang) d.injectTargetError(3, 42);
    });
    QMRFlshErase(s.ctx, 0, 0, 0);
    s.next();
    auto failed = poll(s, 2);
    EXPECT_EQ(failed.back().code, kGang ? 42 : 15);
    EXPECT_STREQ(failed.back().title, "Error notice from the Target");
    EXPECT_EQ(failed.back().tagB, 2);
#ifdef QMR_GANG
    EXPECT_EQ(+s.ctx->units[4].error, 15);  // the other results stay in their slots
    EXPECT_EQ(+s.ctx->units[2].error, 42);
#endif
}

TEST_F(Sequences, SettingsUploadDeleteAndDefaults)
{
    Session s;
    ASSERT_TRUE(s.reset());
    registerFiles(s);
    std::memset(s.ctx->settingsRecord, 0, sizeof s.ctx->settingsRecord);
    s.ctx->settingsNumberChosen = 2;
    QMRSETUpLoad(s.ctx, 0);
    auto recs = s.untilText("SET File Upload Command Completion");
    std::vector<int> expected;
    for (int i = 0; i < 32; ++i) expected.push_back(3 * i);
    expected.push_back(100);
    EXPECT_EQ(percents(recs), expected);
    EXPECT_EQ(recs.back().done, 1);
    EXPECT_STREQ(s.next().text, "SET File Upload Command Completion");
    EXPECT_EQ(std::memcmp(s.ctx->settingsRecord, set.data(), set.size()), 0);

    s.ctx->settingsNumberChosen = 5;  // an empty slot
    QMRSETUpLoad(s.ctx, 0);
    auto none = s.next();
    EXPECT_EQ(none.code, 6);
    EXPECT_EQ(none.tagB, 17);
    EXPECT_EQ(s.ctx->setupInfoValid, 0);

    ASSERT_EQ(run(s, QMRSETDefaultGet, "SET Default No Getting Command Completion").back().code, 0);
    EXPECT_EQ(s.ctx->settingsNumber, 2);
    ASSERT_EQ(run(s, QMRSETListUpLoad, "SET Name List Up Load Command Completion").back().code, 0);
#ifdef QMR_GANG
    // A multiple delete with no marked entry sends nothing and completes.
    s.ctx->multiDelete = 1;
    unit([](qmr::sim::Device& d) { d.clearFrames(); });
    EXPECT_EQ(run(s, QMRSETFileDelete, "SET File Delete Command Completion").back().code, 0);
    EXPECT_EQ(framesOf(0x14), 0u);
    s.ctx->setNameList[2][0] |= 0x80;
    EXPECT_EQ(run(s, QMRSETFileDelete, "SET File Delete Command Completion").back().code, 0);
    EXPECT_EQ(framesOf(0x14), 1u);
#else
    s.ctx->setDeleteNumber = 2;
    EXPECT_EQ(run(s, QMRSETFileDelete, "SET File Delete Command Completion").back().code, 0);
#endif
    auto again = run(s, QMRSETFileDelete, "SET File Delete Command Completion");
    EXPECT_EQ(again.back().code, 6);  // nothing stored there any more
    EXPECT_STREQ(again.back().text, "SET File Delete Command Failed");
    ASSERT_EQ(run(s, QMRSETDefaultGet, "SET Default No Getting Command Completion").back().code, 0);
    EXPECT_EQ(s.ctx->settingsNumberValid, 0);
}

TEST_F(Sequences, LogAndSystemInformation)
{
    unit([](qmr::sim::Device& d) {
        d.store().okCount = 12;
        d.store().ngCount = 3;
        d.store().ngList[0] = 15;
        d.store().ngList[31] = 40;
    });
    Session s;
    ASSERT_TRUE(s.reset());
    ASSERT_EQ(run(s, QMRLogInfoUpLoad, "Log data Infomation Upload Command Completion").back().code, 0);
    EXPECT_EQ(s.ctx->okCount, 12u);
    EXPECT_EQ(s.ctx->ngCount, 3u);
    EXPECT_EQ(s.ctx->ngList[0], 15);
    EXPECT_EQ(s.ctx->ngList[31], 40);
    ASSERT_EQ(run(s, QMRLogCntClear, "Log OK/NG cnt Clear Completion").back().code, 0);
    unit([](qmr::sim::Device& d) { EXPECT_EQ(d.store().okCount, 0u); });
    s.ctx->sysValues[0] = 0x12;
    s.ctx->sysValues[1] = 0x34;
    ASSERT_EQ(run(s, QMRSysinfowrite, "System Infomation write Command Completion").back().code, 0);
    s.ctx->sysValues[0] = s.ctx->sysValues[1] = 0;
    ASSERT_EQ(run(s, QMRSysinforead, "System Infomation read Command Completion").back().code, 0);
    EXPECT_EQ(s.ctx->sysValues[0], 0x12);
    EXPECT_EQ(s.ctx->sysValues[1], 0x34);
    ASSERT_EQ(run(s, QMRFlshBuildNo, "Build No Command Completion").back().code, 0);
    EXPECT_EQ(s.ctx->buildNumber, 0x0102);
}

TEST_F(Sequences, FirmwareUpdate)
{
    Session s;
    ASSERT_TRUE(s.reset());
    std::vector<uint8_t> fw = pattern(512 * 12 + 3);
    s.ctx->firmwareImage = fw.data();
    s.ctx->firmwareSize = static_cast<uint32_t>(fw.size());
#ifdef QMR_GANG
    s.ctx->firmwareTarget = 2;  // the units in the box
#endif
    auto recs = run(s, QMRFIRMUpdate, "Firmware Update Command Completion");
    ASSERT_EQ(recs.back().code, 0) << recs.back().text;
    EXPECT_STREQ(recs.front().text, "Firmware Update Command ...");
    EXPECT_EQ(framesOf(0x33), 13u);
    EXPECT_EQ(framesOf(kGang ? 0x2C : 0x02), 1u);
    unit([](qmr::sim::Device& d) { d.injectStatus(0x33, 15, 4); });
    auto bad = run(s, QMRFIRMUpdate, "Firmware Update Command Completion");
    EXPECT_EQ(bad.back().code, 15);
}

#ifdef QMR_GANG
TEST_F(Sequences, StartButtonAndMask)
{
    Session s;
    readyUnit(s, 0x800);
    ASSERT_FALSE(HasFatalFailure());
    unit([](qmr::sim::Device& d) { d.pressStartButton(); });
    QMRFlshSBtnInfo(s.ctx, 0);
    auto r = s.next();
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(s.ctx->startButtons, 1);
    s.ctx->buttonMask = 1;
    EXPECT_EQ(run(s, QMRFlshBtnMask, "Button mask Completion").back().code, 0);
    unit([](qmr::sim::Device& d) {
        EXPECT_TRUE(d.buttonsMasked());
        d.pressStartButton();  // masked: not seen
    });
    QMRFlshSBtnInfo(s.ctx, 0);
    s.next();
    EXPECT_EQ(s.ctx->startButtons, 0);
}
#endif

TEST_F(Sequences, RefusedSettingsFileEndsWithItsStatusAndTheLinkStaysInStep)
{
    Session s;
    ASSERT_TRUE(s.reset());
    registerFiles(s);
    ASSERT_FALSE(HasFatalFailure());
    std::vector<uint8_t> orphan = set;
    orphan[6] ^= 0x5A;  // a parameter identity the unit does not hold
    std::memcpy(s.ctx->settingsRecord, orphan.data(), orphan.size());
    s.ctx->settingsNumber = 4;
    QMRSETSend(s.ctx, 0);
    auto refused = s.until([](const ProgressRecord& r) { return r.percent == 100; });
    EXPECT_EQ(refused.back().code, 5);
    EXPECT_STREQ(refused.back().title, "Setting File Download failure");
    EXPECT_STREQ(refused.back().text, qmr::checks::unitStatusText(5, true));
    // Nothing of that answer is left for the next command.
    ASSERT_TRUE(s.reset());
    EXPECT_STREQ(s.initialize().back().text, "Initialization Completion");
}

TEST_F(Sequences, AStatusWhereAnotherAnswerBelongsEndsTheCommandWithIt)
{
    struct Case {
        const char* name;
        int (*command)(FlshContext*, int);
        uint8_t answerTo;  // the command whose answer becomes a status
        size_t skip;
        uint8_t status;
        const char* title;
        const char* text;  // null: the status text
    };
    const Case cases[] = {
        {"parameter download end", QMRPRMSend, 0x0F, 0, 4, "Parameter File Download failure", nullptr},
        {"settings download end", QMRSETSend, 0x0F, 0, 18, "Setting File Download failure", nullptr},
        {"settings upload end", QMRSETUpLoad, 0x0F, 0, 16, "Initialization failure", nullptr},
        {"parameter upload end", QMRPRMUpLoad, 0x0F, 0, 16, "Initialization failure", nullptr},
        {"image download end", QMRHexDownLoad, 0x0F, 0, 33, "HEX File Download failure", nullptr},
        {"image upload end", QMRHexUpLoad, 0x0F, 0, 8, "HEX File upload failure", nullptr},
        {"image information close", QMRHexInfoUpLoad, 0x0E, 2, 8, "HEX File Infomation Upload failure", nullptr},
        {"firmware end", QMRFIRMUpdate, 0x0F, 0, 15, "Error notice from the Target", nullptr},
        {"parameter name list", QMRPRMListUpLoad, 0x04, 0, 24, "", nullptr},
        {"build number", QMRFlshBuildNo, 0x1C, 0, 30, "Build No failure", nullptr},
        {"system information", QMRSysinforead, 0x11, 0, 32, "", nullptr},
        {"default number set", QMRSETDefaultSet, 0x06, 0, 7, "", nullptr},
        {"settings delete", QMRSETFileDelete, 0x14, 0, 6, "Setting File Delete Failed", "SET File Delete Command Failed"},
    };
    std::vector<uint8_t> firmware = pattern(1024);
    std::vector<uint8_t> upload(QMR_IMAGE_SIZE);
    for (const auto& c : cases) {
        SetUp();
        Session s;
        readyUnit(s, 0x800);
        ASSERT_FALSE(HasFatalFailure());
        std::vector<uint8_t> other = parameterFile(0x55667788);  // not stored yet
        std::memcpy(s.ctx->prm.prmImage, other.data(), other.size());
        s.ctx->prm.prmFileSize = static_cast<uint32_t>(other.size());
        std::memcpy(s.ctx->settingsRecord, set.data(), set.size());
        s.ctx->settingsNumber = 2;
        s.ctx->settingsNumberChosen = 2;
        s.ctx->setDeleteNumber = 2;
        s.ctx->uploadBuffer = upload.data();
        s.ctx->firmwareImage = firmware.data();
        s.ctx->firmwareSize = static_cast<uint32_t>(firmware.size());
#ifdef QMR_GANG
        s.ctx->firmwareTarget = 1;
#endif
        prepareImage(s, pattern(0x800));
        unit([&](qmr::sim::Device& d) { d.injectStatus(c.answerTo, c.status, c.skip); });
        c.command(s.ctx, 0);
        auto recs = s.until([](const ProgressRecord& r) { return r.percent == 100 && r.done == 0; });
        const ProgressRecord& last = recs.back();
        EXPECT_EQ(last.code, c.status) << c.name;
        EXPECT_STREQ(last.title, c.title) << c.name;
        EXPECT_STREQ(last.text, c.text ? c.text : qmr::checks::unitStatusText(c.status, true)) << c.name;
        // The next command finds the link in step.
        auto next = run(s, QMRPRMListUpLoad, "PRM Name List Up Load Command Completion");
        EXPECT_EQ(next.back().code, 0) << c.name << ": " << next.back().text;
    }
}

TEST_F(Sequences, InjectedFaultsEndInTheirErrorRecords)
{
    struct Case {
        const char* name;
        std::function<void(qmr::sim::Device&)> inject;
        int code;
    };
    const Case cases[] = {
        {"unit status on the operation", [](qmr::sim::Device& d) { d.injectStatus(0x25, 27); }, 27},
        {"unit falls silent", [](qmr::sim::Device& d) { d.silenceAfter(3); }, QMR_E_SHORTREAD},
        {"unit unplugged", [](qmr::sim::Device& d) { d.unplugAfter(2); }, QMR_E_READ},
        {"answer too short", [](qmr::sim::Device& d) { d.injectAnswer(0x25, {0x25, 0x00}); }, QMR_E_SHORTREAD},
        {"target error", [](qmr::sim::Device& d) { d.injectTargetError(1, 33); }, 33},
        {"progress answer too long",
         [](qmr::sim::Device& d) {
             std::vector<uint8_t> big(300, 0);
             d.injectAnswer(0x20, qmr::sim::Device::frame(0x20, big.data(), 300));
         },
         QMR_E_SHORTREAD},
    };
    for (const auto& c : cases) {
        SetUp();
        Session s;
        readyUnit(s, 0x800);
        ASSERT_FALSE(HasFatalFailure());
        unit(c.inject);
        QMRFlshEPV(s.ctx, 0);
        auto first = s.next();
        ProgressRecord last = first;
        if (first.code == 0) last = poll(s, 8).back();
        EXPECT_EQ(last.code, c.code) << c.name;
        EXPECT_STREQ(last.title, "Error notice from the Target") << c.name;
    }
}

TEST_F(Sequences, ACodeWithoutATextSaysItIsUnknown)
{
    for (int english : {1, 0}) {
        SetUp();
        Session s(english != 0);
        readyUnit(s, 0x800);
        ASSERT_FALSE(HasFatalFailure());
        unit([](qmr::sim::Device& d) { d.injectStatus(0x25, 52); });
        QMRFlshEPV(s.ctx, 0);
        auto r = s.next();
        EXPECT_EQ(r.code, 52);
        EXPECT_STREQ(r.text, "unknown code 52") << english;
    }
}

TEST_F(Sequences, CommandsWhileAPollRuns)
{
    // A clock that does not move keeps the operation running.
    reconfigure([](qmr::sim::Config& c) {
        c.paceBytesPerMs = 1;
        c.clock = [] { return g_clock.load(); };
    });
    Session s;
    readyUnit(s, 0x800);
    ASSERT_FALSE(HasFatalFailure());
    QMRFlshEPV(s.ctx, 0);
    s.next();
    s.ctx->tagA = 26;
    QMRProgress(s.ctx, 0);
    auto r = s.next();
    EXPECT_STREQ(r.text, "PROGRESS 0 Completion");
    QMRFlshErase(s.ctx, 0, 0, 0);    // a device command while one runs is dropped
    QMRPRMListUpLoad(s.ctx, 0);      // a transfer waits for its turn
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(s.next().text, "PROGRESS 0 Completion");
    QMRFlshAbort(s.ctx, nullptr);
    std::vector<ProgressRecord> recs = s.untilText("PRM Name List Up Load Command Completion");
    std::vector<std::string> tail;
    for (const auto& x : recs)
        if (std::strncmp(x.text, "PROGRESS", 8) != 0) tail.push_back(x.text);
    EXPECT_EQ(tail, (std::vector<std::string>{"Sequence Aborted.", "PRM Name List Up Load Command Completion"}));
    EXPECT_EQ(framesOf(0x21), 0u);  // the erase never reached the unit
    EXPECT_FALSE(s.window.wait(100));
}

}  // namespace
