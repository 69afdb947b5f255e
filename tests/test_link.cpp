// The frame layer and the opening of the link, against a scripted device.
#include <cstdlib>
#include <memory>

#include "link/link.h"
#include "support.h"

using namespace qmr::link;
using qmrtest::FakeDevice;
using qmrtest::ScriptDriver;
using qmrtest::ScriptState;
using qmrtest::unitFrame;

namespace {

std::vector<uint8_t> bytes(std::initializer_list<int> v)
{
    std::vector<uint8_t> out;
    for (int b : v) out.push_back(static_cast<uint8_t>(b));
    return out;
}

TEST(Crc16, KermitCheckValueAndCommandExamples)
{
    const char* digits = "123456789";
    EXPECT_EQ(crc16(reinterpret_cast<const uint8_t*>(digits), 9), 0x2189);
    struct Case {
        uint8_t command;
        std::vector<uint8_t> frame;
    };
    const Case cases[] = {
        {0x01, bytes({0x01, 0x00, 0x00, 0xDC, 0x5A})},
        {0x0E, bytes({0x0E, 0x00, 0x00, 0x1B, 0x10})},
        {0x0F, bytes({0x0F, 0x00, 0x00, 0xC7, 0x4A})},
    };
    for (const auto& c : cases) {
        uint8_t out[5];
        ASSERT_EQ(buildFrame(c.command, nullptr, 0, out), 5u);
        EXPECT_EQ(std::vector<uint8_t>(out, out + 5), c.frame) << int(c.command);
    }
}

TEST(Frame, LengthIsBigEndianAndCrcCoversHeaderAndData)
{
    std::vector<uint8_t> data(512);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    std::vector<uint8_t> f(517);
    ASSERT_EQ(buildFrame(0x34, data.data(), 512, f.data()), 517u);
    EXPECT_EQ(f[1], 0x02);
    EXPECT_EQ(f[2], 0x00);
    uint16_t crc = crc16(f.data(), 515);
    EXPECT_EQ(f[515], crc & 0xFF);
    EXPECT_EQ(f[516], crc >> 8);
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = static_cast<FlshContext*>(std::calloc(1, sizeof(FlshContext)));
        ctx->link = ctx->link2 = -1;
        state = std::make_shared<ScriptState>();
        driver = std::make_unique<ScriptDriver>(std::vector<FakeDevice>{{unitDescription()}}, state);
        ASSERT_TRUE(openLinkWith(ctx, *driver));
    }
    void TearDown() override
    {
        closeLink(ctx);
        std::free(ctx);
    }
    void answer(const std::vector<uint8_t>& b)
    {
        std::lock_guard<std::mutex> g(state->mutex);
        state->toHost.insert(state->toHost.end(), b.begin(), b.end());
    }
    FlshContext* ctx = nullptr;
    std::shared_ptr<ScriptState> state;
    std::unique_ptr<ScriptDriver> driver;
};

TEST_F(LinkTest, StatusAnswerKeepsTheStatusInLastStatus)
{
    for (uint8_t status : {uint8_t{1}, uint8_t{6}, uint8_t{30}}) {
        answer(unitFrame(0x09, {status}));
        uint8_t got = 0;
        ASSERT_EQ(readStatus(ctx, got), 0);
        EXPECT_EQ(got, status);
        EXPECT_EQ(ctx->lastStatus, status);
    }
}

TEST_F(LinkTest, AnswerWithWrongCrcIsAccepted)
{
    auto f = unitFrame(0x01, {1});
    f[4] ^= 0xFF;
    answer(f);
    uint8_t st = 0;
    EXPECT_EQ(readStatus(ctx, st), 0);
    EXPECT_EQ(st, 1);
}

TEST_F(LinkTest, VariableAnswerOfLengthOneIsAStatusNotABlock)
{
    answer(unitFrame(0x0E, {16}));
    answer(unitFrame(0x0E, {0xAB, 0xCD}));  // the next answer must stay intact
    uint8_t buf[512];
    VariableAnswer a;
    ASSERT_EQ(readVariable(ctx, buf, sizeof buf, a), 0);
    EXPECT_TRUE(a.isStatus);
    EXPECT_EQ(a.status, 16);
    EXPECT_EQ(ctx->lastStatus, 16);
    ASSERT_EQ(readVariable(ctx, buf, sizeof buf, a), 0);
    EXPECT_FALSE(a.isStatus);
    EXPECT_EQ(a.length, 2);
    EXPECT_EQ(buf[0], 0xAB);
    EXPECT_EQ(buf[1], 0xCD);
}

TEST_F(LinkTest, OversizedVariableAnswerIsDrainedAndFailsWith122)
{
    std::vector<uint8_t> big(600, 0x55);
    answer(unitFrame(0x0E, big));
    uint8_t buf[512];
    VariableAnswer a;
    EXPECT_EQ(readVariable(ctx, buf, sizeof buf, a), QMR_E_SHORTREAD);
    // The link is still in step: the next answer reads normally.
    answer(unitFrame(0x01, {1}));
    uint8_t st = 0;
    EXPECT_EQ(readStatus(ctx, st), 0);
    EXPECT_EQ(st, 1);
}

TEST_F(LinkTest, EveryReaderTakesAnAnswerByTheLengthItAnnounces)
{
    enum Reader { Fixed, Status };
    struct Case {
        const char* name;
        Reader reader;
        uint32_t expected;  // fixed answer size
        std::vector<uint8_t> data;
        int rc;
        int code;  // what the command ends with
    };
    const Case cases[] = {
        {"empty answer where expected", Fixed, 5, {}, 0, 0},
        {"status instead of an empty answer", Fixed, 5, {5}, kRefused, 5},
        {"status 1 instead of data", Fixed, 7, {1}, kRefused, QMR_E_SHORTREAD},
        {"short answer instead of a block", Fixed, 517, {1, 2}, QMR_E_SHORTREAD, QMR_E_SHORTREAD},
        {"longer answer than expected", Fixed, 7, {1, 2, 3, 4}, QMR_E_SHORTREAD, QMR_E_SHORTREAD},
        {"one data byte is read as data", Fixed, 6, {0xFF}, 0, 0},
        {"data instead of a status", Status, 0, {1, 2}, QMR_E_SHORTREAD, QMR_E_SHORTREAD},
        {"empty answer instead of a status", Status, 0, {}, QMR_E_SHORTREAD, QMR_E_SHORTREAD},
    };
    for (const auto& c : cases) {
        ctx->lastStatus = 1;
        answer(unitFrame(0x0F, c.data));
        answer(unitFrame(0x01, {0x42}));  // the next exchange's answer
        uint8_t frame[517] = {};
        uint8_t st = 0;
        int rc = c.reader == Fixed ? readFixed(ctx, frame, c.expected) : readStatus(ctx, st);
        EXPECT_EQ(rc, c.rc) << c.name;
        EXPECT_EQ(endCode(ctx, rc), c.code) << c.name;
        ASSERT_EQ(readStatus(ctx, st), 0) << c.name;
        EXPECT_EQ(st, 0x42) << c.name << ": the link is out of step";
    }
}

TEST_F(LinkTest, SilentOrShortAnswerTimesOutWith122)
{
    uint8_t st = 0;
    EXPECT_EQ(readStatus(ctx, st), QMR_E_SHORTREAD);
    answer(bytes({0x01, 0x00}));
    EXPECT_EQ(readStatus(ctx, st), QMR_E_SHORTREAD);
}

TEST_F(LinkTest, FailingDriverReadIs123AndClosedLinkSendIs131)
{
    {
        std::lock_guard<std::mutex> g(state->mutex);
        state->failReads = true;
    }
    uint8_t st = 0;
    EXPECT_EQ(readStatus(ctx, st), QMR_E_READ);
    closeLink(ctx);
    EXPECT_EQ(ctx->link, -1);
    EXPECT_EQ(ctx->link2, -1);
    uint8_t b = 1;
    EXPECT_EQ(send(ctx, &b, 1), QMR_E_LINK);
}

TEST_F(LinkTest, CommandFramesGoOutWhole)
{
    uint8_t number = 3;
    ASSERT_EQ(sendCommand(ctx, 0x08, &number, 1), 0);
    ASSERT_EQ(sendBare(ctx, 0x20), 0);
    std::lock_guard<std::mutex> g(state->mutex);
    auto expected = unitFrame(0x08, {3});
    expected.push_back(0x20);
    EXPECT_EQ(state->fromHost, expected);
}

TEST_F(LinkTest, DeviceInformationKeepsTheSerialNumber)
{
    ASSERT_TRUE(readDeviceInfo(ctx));
    EXPECT_STREQ(reinterpret_cast<const char*>(ctx->usbSerial), "SCRIPT01");
}

// ---- finding the unit by its description ----------------------------------------
struct MatchCase {
    const char* description;
    bool single;  // accepted by the single-unit build
    bool gang;    // accepted by the gang build
};

TEST(OpenLink, DescriptionMatchOfThisBuild)
{
    const MatchCase cases[] = {
        {"Brennagrove Quillmarker-01", true, false},
        {"brennagrove quillmarker-01", true, false},
        {"Brennagrove Quillmarker-01 A", true, false},  // the single build matches a prefix
        {"Brennagrove Quillmarker-0", false, false},
        {"Brennagrove Quill GANG-01", false, true},
        {"BRENNAGROVE QUILL gang-01", false, true},
        {"Brennagrove Quill GANG-01 A", false, false},  // the gang build wants it exactly
        {"FT232R USB UART", false, false},
    };
#ifdef QMR_GANG
    const bool gang = true;
#else
    const bool gang = false;
#endif
    for (const auto& c : cases) {
        auto state = std::make_shared<ScriptState>();
        ScriptDriver d({{c.description}}, state);
        FlshContext* ctx = static_cast<FlshContext*>(std::calloc(1, sizeof(FlshContext)));
        bool opened = openLinkWith(ctx, d);
        EXPECT_EQ(opened, gang ? c.gang : c.single) << c.description;
        if (!opened) {
            EXPECT_EQ(ctx->link, -1);
            EXPECT_EQ(ctx->link2, -1);
        }
        closeLink(ctx);
        std::free(ctx);
    }
}

TEST(OpenLink, TwoUnitsTheFirstThatOpensIsUsed)
{
    auto state = std::make_shared<ScriptState>();
    FlshContext* ctx = static_cast<FlshContext*>(std::calloc(1, sizeof(FlshContext)));
    {
        ScriptDriver d({{"Other device", true, "OTHER"}, {unitDescription(), true, "UNIT1"}, {unitDescription(), true, "UNIT2"}},
                       state);
        ASSERT_TRUE(openLinkWith(ctx, d));
        EXPECT_EQ(d.opened, std::vector<std::string>{"UNIT1"});
        closeLink(ctx);
    }
    {
        ScriptDriver d({{unitDescription(), false, "BUSY"}, {unitDescription(), true, "FREE"}}, state);
        ASSERT_TRUE(openLinkWith(ctx, d));
        EXPECT_EQ(d.opened, std::vector<std::string>{"FREE"});
        closeLink(ctx);
    }
    std::free(ctx);
}

TEST(OpenLink, UnknownLinkSettingIsAClearError)
{
    std::string error;
    EXPECT_EQ(makeDriver("usb3", error), nullptr);
    EXPECT_NE(error.find("QMR_LINK=\"usb3\""), std::string::npos);
    EXPECT_NE(makeDriver("sim", error), nullptr);
    EXPECT_NE(makeDriver(nullptr, error), nullptr);
    EXPECT_NE(makeDriver("tty:/dev/null", error), nullptr);
}

}  // namespace
