// The settings record and the Setup dialog's model.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/setfiles.h"
#include "setrecord/setupmodel.h"

using namespace qmr::app;

namespace {

std::unique_ptr<PrmRecord> example(const char* name)
{
    auto r = std::make_unique<PrmRecord>();
    std::memset(r.get(), 0, sizeof *r);
    std::ifstream f(std::string(QM_EXAMPLES_DIR) + "/" + name, std::ios::binary);
    f.read(reinterpret_cast<char*>(r->prmImage), sizeof r->prmImage);
    r->prmFileSize = static_cast<uint32_t>(f.gcount());
    return r;
}

void put16(PrmRecord& r, uint32_t off, uint16_t v)
{
    r.prmImage[off] = uint8_t(v);
    r.prmImage[off + 1] = uint8_t(v >> 8);
}
void put32(PrmRecord& r, uint32_t off, uint32_t v)
{
    for (int i = 0; i < 4; ++i) r.prmImage[off + i] = uint8_t(v >> (8 * i));
}

struct Model {
    explicit Model(const char* file) : prm(example(file))
    {
        EXPECT_EQ(m.load(*prm), PrmCheck::Ok);
        m.fillDefaults();
        m.selectSetting("DEMO");
    }
    std::unique_ptr<PrmRecord> prm;
    SetupModel m;
};

TEST(SetRecordLayout, FieldsLieAtTheirOffsets)
{
    SetRecord r{};
    r.oscHz.set(0x11223344);
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&r);
    EXPECT_EQ(b[0x070], 0x44);  // little-endian whatever the host
    EXPECT_EQ(b[0x073], 0x11);
    r.resetVector.set(0xABCDEF);
    EXPECT_EQ(b[0x065], 0xEF);
    EXPECT_EQ(b[0x067], 0xAB);
}

TEST(SetupModel, MultiplierCodesAndTheFrequencyLimit)
{
    Model x("class1.prs");
    const Controls& c = x.m.controls();
    EXPECT_EQ(c.multiplier.items, (std::vector<std::string>{"1.0", "2.0", "2.5", "4.0"}));
    EXPECT_TRUE(c.multiplier.enabled);
    x.m.chooseMultiplier(2);
    EXPECT_DOUBLE_EQ(x.m.multiplierValue(), 2.5);
    ASSERT_TRUE(c.onTarget.checked);  // defaults: the oscillator on the target
    x.m.typeOnTargetHz("8000000");    // 20 MHz after the multiplier: the limit
    auto ok = x.m.ok();
    ASSERT_TRUE(ok.record.has_value()) << (ok.message ? ok.message->text : "");
    EXPECT_EQ(ok.record->oscMultiplier, 0x25);
    EXPECT_EQ(ok.record->oscHz.get(), 8000000u);
    EXPECT_EQ(ok.record->oscSource, 0);
    x.m.typeOnTargetHz("8000001");
    auto bad = x.m.ok();
    ASSERT_TRUE(bad.message.has_value());
    EXPECT_EQ(bad.message->text, " On Target The value of the frequency is illegal");
    EXPECT_EQ(bad.message->caption, "");  // the program's name
    x.m.setOnTarget(false);
    x.m.chooseMultiplier(3);  // 4.0 times the list's oscillator
    x.m.chooseOscillator(int(c.oscillator.items.size()) - 1);
    EXPECT_EQ(c.oscillator.text(), "8 MHz");
    auto over = x.m.ok();
    ASSERT_TRUE(over.message.has_value());
    EXPECT_EQ(over.message->text, " The value of the frequency after the multiplying is injustice. ");
}

TEST(SetupModel, AllZeroMultipliersDisableTheListAndClassTwoCouplesSpeed)
{
    Model x("class2.prs");
    const Controls& c = x.m.controls();
    EXPECT_FALSE(c.multiplier.enabled);
    EXPECT_TRUE(c.multiplier.items.empty());
    EXPECT_DOUBLE_EQ(x.m.multiplierValue(), 1.0);
    EXPECT_EQ(c.oscillator.items, (std::vector<std::string>{"6 MHz", "8 MHz"}));
    EXPECT_FALSE(c.onTarget.enabled);
    EXPECT_FALSE(c.extensionWait.enabled);
    struct Case {
        int osc;
        const char* speed;
        uint32_t baud, hz;
    };
    for (const Case& k : {Case{0, "86400 Baud", 86400, 6000000}, Case{1, "115200 Baud", 115200, 8000000}}) {
        x.m.chooseOscillator(k.osc);
        EXPECT_EQ(c.speed.items, std::vector<std::string>{k.speed});
        auto r = x.m.ok();
        ASSERT_TRUE(r.record.has_value());
        EXPECT_EQ(r.record->baudRate.get(), k.baud);
        EXPECT_EQ(r.record->oscHz.get(), k.hz);
        EXPECT_EQ(r.record->oscMultiplier, 0);
    }
}

TEST(SetupModel, SettingNamesAndResetTimesAreValidated)
{
    Model x("class1.prs");
    struct Case {
        std::string name, time, wait;
        const char* message;  // null: accepted
    };
    const Case cases[] = {
        {std::string(32, 'N'), "4000000", "4000000", nullptr},
        {std::string(33, 'N'), "0", "0", "SET filename is to 32 bytes."},
        {"   ", "0", "0", "A blank is invalid with SET filename."},
        {"", "0", "0", "Input SET filename."},
        {"OK", "4000001", "0", "Extension Time is illegal"},
        {"OK", "0", "4000001", "Extension Wait Time is illegal"},
        {"OK", "x", "0", "Extension Time is illegal"},
    };
    for (const auto& k : cases) {
        x.m.typeSettingName(k.name);
        x.m.typeExtensionTime(k.time);
        x.m.typeExtensionWait(k.wait);
        auto r = x.m.ok();
        if (!k.message) {
            ASSERT_TRUE(r.record.has_value()) << (r.message ? r.message->text : "");
            EXPECT_EQ(r.record->extensionTimeNs.get(), 4000000000u);
            continue;
        }
        ASSERT_TRUE(r.message.has_value()) << k.message;
        EXPECT_EQ(r.message->text, k.message);
        EXPECT_EQ(r.message->caption, "Warning");
        EXPECT_TRUE(r.message->taskModal);
        EXPECT_FALSE(r.record.has_value());
    }
}

TEST(SetupModel, TheGangBoxKeepsSupplyLogAndStandaloneAndWritesNoResetTimes)
{
    Model x("class1.prs");
    SetRecord current{};
    current.supplyVoltage = '3';
    current.logRecording = 1;
    current.standaloneOp = 4;
    x.m.setGangBox(true);
    x.m.keepFrom(current);
    // What the single unit's controls hold plays no part, not even when it is invalid.
    x.m.setVoltage(Voltage::Out5V);
    x.m.setLogRecording(false);
    x.m.setStandalone(1);
    x.m.typeExtensionTime("4000001");
    x.m.typeExtensionWait("120");
    auto r = x.m.ok();
    ASSERT_TRUE(r.record.has_value()) << (r.message ? r.message->text : "");
    EXPECT_EQ(r.record->supplyVoltage, '3');
    EXPECT_EQ(r.record->logRecording, 1);
    EXPECT_EQ(r.record->standaloneOp, 4);
    EXPECT_EQ(r.record->extensionTimeNs.get(), 0u);
    EXPECT_EQ(r.record->extensionWaitNs.get(), 0u);
    // The same choices on the single unit's Setup take the controls.
    x.m.setGangBox(false);
    x.m.typeExtensionTime("10");
    auto single = x.m.ok();
    ASSERT_TRUE(single.record.has_value());
    EXPECT_EQ(single.record->supplyVoltage, 'P');
    EXPECT_EQ(single.record->standaloneOp, 1);
    EXPECT_EQ(single.record->extensionTimeNs.get(), 10000u);
}

TEST(SetupModel, OkWithoutAChosenSettingActsAsCancel)
{
    auto prm = example("class1.prs");
    SetupModel m;
    ASSERT_EQ(m.load(*prm), PrmCheck::Ok);
    m.fillDefaults();
    auto r = m.ok();
    EXPECT_FALSE(r.record.has_value());
    EXPECT_FALSE(r.message.has_value());
}

TEST(Timing, EncodingRangesAndTheCountNeverReaches0xFFFF)
{
    struct Case {
        double t;
        uint32_t code, shift, count;
    };
    const Case cases[] = {
        {100, 2, 4, 100},           {65535.9, 2, 4, 0xFFFE}, {65536, 2, 4, 0xFFFE},  {100000, 2, 5, 50000},
        {200000, 2, 6, 50000},      {400000, 2, 7, 50000},   {1000000, 3, 6, 62500}, {2000000, 3, 7, 62500},
        {3e9, 16, 0, 12000},        {1e12, 16, 0, 0xFFFE},   {-5, 2, 4, 0},
        {std::nan(""), 16, 0, 0},  // no number: no count, and no undefined conversion
    };
    for (const auto& k : cases) {
        uint32_t w = encodeTiming(k.t);
        EXPECT_EQ(w & 0xFF, k.code) << k.t;
        EXPECT_EQ((w >> 8) & 0xFF, k.shift) << k.t;
        EXPECT_EQ(w >> 16, k.count) << k.t;
    }
}

TEST(Timing, WordsAreConvertedForTheWorkingFrequency)
{
    Model x("class1.prs");
    x.m.chooseMethod(1);  // UART
    const Controls& c = x.m.controls();
    auto at = std::find(c.speed.items.begin(), c.speed.items.end(), "38400 Baud");
    ASSERT_NE(at, c.speed.items.end());
    x.m.chooseSpeed(int(at - c.speed.items.begin()));
    x.m.chooseMultiplier(1);        // 2.0
    x.m.typeOnTargetHz("4000000");  // W = 8 MHz
    auto r = x.m.ok();
    ASSERT_TRUE(r.record.has_value());
    // The example's timing table 1 holds 100 + 37 * w in word w.
    EXPECT_EQ(r.record->timing[0].get(), encodeTiming(100 / 8.0));               // cycles at W
    EXPECT_EQ(r.record->timing[2].get(), encodeTiming((100 + 74) / 8.0 + 286));  // with the character time
    EXPECT_EQ(r.record->timing[9].get(), 100u + 37 * 9);                         // kept
    EXPECT_EQ(r.record->timing[83].get(), encodeTiming(100 + 37 * 83));          // a time
    EXPECT_EQ(r.record->timing[91].get(), encodeTiming((100 + 37 * 5) / 4.0));   // word 5 at the base clock
    // No encoded count is 0xFFFF (word 52 is kept as it stands: -1, no sub-table).
    for (int w = 0; w < 99; ++w) {
        if (w != 52) {
            EXPECT_NE(r.record->timing[w].get() >> 16, 0xFFFFu) << w;
        }
    }
}

TEST(SetupModel, SecurityFlagsByClass)
{
    {
        Model x("class1.prs");  // subtype 2; device 0 has the signature that hides "Read disabled"
        EXPECT_FALSE(x.m.controls().security[kRead].enabled);
        auto warn = x.m.setSecurity(kChipErase, true);
        ASSERT_TRUE(warn.has_value());
        EXPECT_EQ(warn->text, "When this flag is set up, elimination can't be written in any more to the device, either");
        EXPECT_EQ(warn->caption, "Attention");
        EXPECT_FALSE(x.m.setSecurity(kProgram, true).has_value());
        EXPECT_TRUE(x.m.setSecurity(kBootBlock, true).has_value());
        EXPECT_EQ(x.m.ok().record->securityFlags, 0xFF & ~0x01 & ~0x04 & ~0x10);
    }
    {
        Model x("class2.prs");
        EXPECT_FALSE(x.m.controls().security[kBootBlock].enabled);
        x.m.setSecurity(kBlockErase, true);
        EXPECT_EQ(x.m.ok().record->securityFlags, 0xC0 | 0x0C | 0x30);
    }
    {
        Model x("class3.prs");
        x.m.setSecurity(kBootBlock, true);
        x.m.setSecurity(kRead, true);  // unavailable: bit 3 stays set
        EXPECT_EQ(x.m.ok().record->securityFlags, 0xFF & ~0x10);
    }
}

TEST(SetupModel, ARecordBuiltAndLoadedBackFillsTheSameChoices)
{
    Model x("class1.prs");
    x.m.chooseDevice(2);
    x.m.chooseMethod(1);
    x.m.setOnTarget(false);
    x.m.chooseOscillator(1);
    x.m.chooseSpeed(2);
    x.m.chooseMultiplier(1);
    x.m.setVoltage(Voltage::Out5V);
    x.m.setBlockMode(true);
    x.m.setOpShowAddress(true);
    x.m.chooseEndBlock(5);
    x.m.setSecurity(kProgram, true);
    x.m.setCommandOption(3, true);
    x.m.setStandalone(kVerifyOnly);
    x.m.setLogRecording(true);
    x.m.typeExtensionTime("100");
    x.m.typeExtensionWait("250");
    x.m.typeSettingName("ROUND TRIP");
    auto first = x.m.ok();
    ASSERT_TRUE(first.record.has_value());
    EXPECT_EQ(first.record->endBlockAddress.get(), 6u * 4096 - 1);
    EXPECT_EQ(first.record->deviceSlot, 2);

    SetupModel back;
    ASSERT_EQ(back.load(*x.prm), PrmCheck::Ok);
    back.fillFromRecord(*first.record);
    const Controls& a = x.m.controls();
    const Controls& b = back.controls();
    EXPECT_EQ(b.device.selected, a.device.selected);
    EXPECT_EQ(b.method.selected, a.method.selected);
    EXPECT_EQ(b.oscillator.text(), a.oscillator.text());
    EXPECT_EQ(b.onTarget.checked, a.onTarget.checked);
    EXPECT_EQ(b.speed.text(), a.speed.text());
    EXPECT_EQ(b.multiplier.text(), a.multiplier.text());
    EXPECT_EQ(b.voltage, a.voltage);
    EXPECT_EQ(b.blockMode, a.blockMode);
    EXPECT_EQ(b.endBlock.items, a.endBlock.items);
    EXPECT_EQ(b.endBlock.selected, a.endBlock.selected);
    for (int k = 0; k < kSecurityBoxes; ++k) EXPECT_EQ(b.security[k].checked, a.security[k].checked) << k;
    for (int k = 0; k < 4; ++k) EXPECT_EQ(b.commandOption[k].checked, a.commandOption[k].checked) << k;
    EXPECT_EQ(b.standalone, a.standalone);
    EXPECT_EQ(b.logRecording.checked, a.logRecording.checked);
    EXPECT_EQ(b.extensionTime.text, "100");
    EXPECT_EQ(b.extensionWait.text, "250");
    EXPECT_EQ(b.setName.text, "ROUND TRIP");
    auto second = back.ok();
    ASSERT_TRUE(second.record.has_value());
    EXPECT_EQ(std::memcmp(&*first.record, &*second.record, sizeof(SetRecord)), 0);
}

TEST(SetupModel, VersionOneRecordsConvertTheirDeviceNumber)
{
    auto prm = example("class1.prs");
    put16(*prm, 384 + 80 * 1 + 36, 0);  // slot 1 empty: the slots in use are 0 and 2
    SetupModel m;
    ASSERT_EQ(m.load(*prm), PrmCheck::Ok);
    PrmView view(*prm);
    EXPECT_EQ(deviceSlotOfVersion1(view, 1), 2);
    SetRecord r{};
    r.formatVersion = 1;
    r.deviceNumber = 1;
    std::strcpy(r.setFileName, "OLD");
    m.fillFromRecord(r);
    EXPECT_EQ(m.deviceSlot(), 2);
    EXPECT_EQ(m.controls().device.selected, 1);
    ASSERT_TRUE(convertVersion1(r, view));
    EXPECT_EQ(r.deviceNumber, 2);
    EXPECT_EQ(r.formatVersion, 2);
    SetRecord gone{};
    gone.formatVersion = 1;
    gone.deviceNumber = 5;
    EXPECT_FALSE(convertVersion1(gone, view));
}

TEST(PrmView, TablesPointingOutsideTheImageAreRefused)
{
    struct Case {
        const char* name;
        void (*damage)(PrmRecord&);
        PrmCheck expected;
    };
    const Case cases[] = {
        {"intact", [](PrmRecord&) {}, PrmCheck::Ok},
        {"short file", [](PrmRecord& r) { r.prmFileSize = 100; }, PrmCheck::TooShort},
        {"first block index", [](PrmRecord& r) { put16(r, 384 + 30, 1020); }, PrmCheck::BlockTableOutside},
        {"block count", [](PrmRecord& r) { put16(r, 384 + 36, 2000); }, PrmCheck::BlockTableOutside},
        {"timing table number", [](PrmRecord& r) { r.prmImage[384 + 38] = 40; }, PrmCheck::TimingTableOutside},
        {"timing table zero", [](PrmRecord& r) { r.prmImage[384 + 38] = 0; }, PrmCheck::TimingTableOutside},
        {"sub-table offset", [](PrmRecord& r) { put32(r, 7040 + 4 * 51, 16380); }, PrmCheck::SubTableOutside},
        {"fixed method clock of 0 Hz", [](PrmRecord& r) {
             r.prmImage[128 + 2] |= 1;  // method 0 names its own clock
             put32(r, 128 + 4, 0);
         }, PrmCheck::ZeroMethodClock},
        {"no device", [](PrmRecord& r) {
             for (int s = 0; s < 32; ++s) put16(r, 384 + 80 * s + 36, 0);
         }, PrmCheck::NoDevice},
    };
    for (const auto& k : cases) {
        auto prm = example("class1.prs");
        k.damage(*prm);
        SetupModel m;
        EXPECT_EQ(m.load(*prm), k.expected) << k.name;
        EXPECT_EQ(PrmView(*prm).check(), k.expected) << k.name;
        if (k.expected != PrmCheck::Ok) {
            EXPECT_STRNE(prmCheckText(k.expected), "") << k.name;
        }
    }
}

TEST(SetFiles, ReadAndWriteByteForByteAndRefuseNewerVersions)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("qmr-set-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    Model x("class3.prs");
    x.m.typeSettingName("DISK");
    auto r = x.m.ok();
    ASSERT_TRUE(r.record.has_value());
    std::string p = (dir / "a.set").string();
    ASSERT_EQ(writeSetFile(p, *r.record), SetFileResult::Ok);
    EXPECT_EQ(fs::file_size(p), 16384u);
    SetRecord back{};
    ASSERT_EQ(readSetFile(p, back), SetFileResult::Ok);
    EXPECT_EQ(std::memcmp(&back, &*r.record, sizeof back), 0);
    SetRecord v3 = *r.record;
    v3.formatVersion = 3;
    ASSERT_EQ(writeSetFile(p, v3), SetFileResult::Ok);
    ASSERT_EQ(readSetFile(p, back), SetFileResult::Ok);  // read whole; the program refuses it later
    EXPECT_TRUE(setFileTooNew(back));
    EXPECT_FALSE(setFileTooNew(*r.record));
    std::ofstream((dir / "short.set").string()) << "x";
    EXPECT_EQ(readSetFile((dir / "short.set").string(), back), SetFileResult::WrongSize);
    EXPECT_EQ(readSetFile((dir / "none.set").string(), back), SetFileResult::CannotOpen);
    // The shipped demo setting is a version-2 record for the class-1 file.
    ASSERT_EQ(readSetFile(std::string(QM_EXAMPLES_DIR) + "/demo.set", back), SetFileResult::Ok);
    EXPECT_EQ(back.formatVersion, 2);
    fs::remove_all(dir);
}

}  // namespace
