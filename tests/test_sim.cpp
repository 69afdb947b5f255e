// The simulated unit's store and its gang box positions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fixtures.h"
#include "support.h"
#include "link/link.h"
#include "sim/device.h"
#include "sim/store.h"

namespace fs = std::filesystem;
using qmr::sim::Device;
using qmr::sim::Store;

namespace {

using qmrtest::TempDir;

Store sample()
{
    Store s(8);
    s.prm[0x01020304] = qmrtest::pattern(16384);
    s.settings[3] = qmrtest::pattern(16384, 9);
    s.defaultSetting = 3;
    qmr::sim::StoredImage im;
    im.name = "image.hex";
    im.size = 1000;
    im.data = qmrtest::pattern(1000, 5);
    im.crc = 0xDEADBEEF;
    im.timestamp = "20261209101010";
    s.image = im;
    s.okCount = 7;
    s.ngList[1] = 40;
    s.sysValues[1] = 9;
    return s;
}

TEST(SimStore, RoundTripsThroughItsFileAndRefusesDamage)
{
    TempDir t;
    std::string file = (t.path / "sub/gang.store").string();
    Store a = sample();
    ASSERT_TRUE(a.save(file));
    EXPECT_FALSE(fs::exists(file + ".tmp"));
    Store b(8);
    ASSERT_EQ(b.load(file), Store::Loaded::Yes);
    EXPECT_EQ(b.prm, a.prm);
    EXPECT_EQ(b.settings[3], a.settings[3]);
    EXPECT_FALSE(b.settings[2].has_value());
    EXPECT_EQ(b.defaultSetting, 3);
    ASSERT_TRUE(b.image.has_value());
    EXPECT_EQ(b.image->data, a.image->data);
    EXPECT_EQ(b.image->crc, 0xDEADBEEFu);
    EXPECT_EQ(b.image->timestamp, "20261209101010");
    EXPECT_EQ(b.okCount, 7u);
    EXPECT_EQ(b.ngList[1], 40);
    EXPECT_EQ(b.sysValues[1], 9);

    // A damaged or cut file is not taken: the store stays as it was.
    auto size = fs::file_size(file);
    {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(size / 2));
        f.put('\x55');
    }
    Store c(8);
    c.okCount = 1;
    EXPECT_EQ(c.load(file), Store::Loaded::Damaged);
    EXPECT_EQ(c.okCount, 1u);
    fs::resize_file(file, size / 3);
    EXPECT_EQ(c.load(file), Store::Loaded::Damaged);
    EXPECT_EQ(c.load((t.path / "missing.store").string()), Store::Loaded::None);
}

void send(Device& d, uint8_t command, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> f(data.size() + 5);
    qmr::link::buildFrame(command, data.data(), static_cast<uint16_t>(data.size()), f.data());
    d.hostWrite(f.data(), f.size());
}

TEST(SimStore, AUnitKeepsWhatItWasGivenAcrossRestarts)
{
    TempDir t;
    qmr::sim::Config c;
    c.storeDir = t.path.string();
    auto prm = qmrtest::parameterFile(0xA1B2C3D4);
    {
        Device d(c);
        send(d, 0x03, {0xA1, 0xB2, 0xC3, 0xD4});
        for (int i = 0; i < 32; ++i) send(d, 0x34, std::vector<uint8_t>(prm.begin() + 512 * i, prm.begin() + 512 * (i + 1)));
        send(d, 0x0F, {});
    }
    Device again(c);
    ASSERT_EQ(again.store().prm.count(0xA1B2C3D4), 1u);
    EXPECT_EQ(again.store().prm[0xA1B2C3D4], prm);
    qmr::sim::Config fresh;  // no directory: a new unit starts empty
    EXPECT_TRUE(Device(fresh).store().prm.empty());
}

// The answer the unit queued, as bytes.
std::vector<uint8_t> answerOf(Device& d)
{
    std::vector<uint8_t> out(600);
    out.resize(d.hostRead(out.data(), out.size()));
    return out;
}

TEST(SimStore, AStoreThatCannotBeSavedAnswersTheNandWriteError)
{
    TempDir t;
    qmr::sim::Config c;
    c.storeDir = t.path.string();
    Device d(c);
    // The temporary file the store is written through cannot be created.
    fs::create_directory(t.path / "single.store.tmp");
    auto prm = qmrtest::parameterFile(0xA1B2C3D4);
    send(d, 0x03, {0xA1, 0xB2, 0xC3, 0xD4});
    answerOf(d);
    for (int i = 0; i < 32; ++i) {
        send(d, 0x34, std::vector<uint8_t>(prm.begin() + 512 * i, prm.begin() + 512 * (i + 1)));
        answerOf(d);
    }
    send(d, 0x0F, {});
    EXPECT_EQ(answerOf(d), Device::statusFrame(0x0F, 18));
    EXPECT_TRUE(d.store().prm.empty());  // it holds what it held before
    send(d, 0x10, {});                   // a log clear has nothing to keep either
    EXPECT_EQ(answerOf(d), Device::statusFrame(0x10, 18));
    fs::remove(t.path / "single.store.tmp");
    send(d, 0x10, {});
    EXPECT_EQ(answerOf(d), Device::statusFrame(0x10, 1));
}

TEST(SimStore, AStoreThatCannotBeLoadedIsReportedAndKeptAside)
{
    TempDir t;
    qmr::sim::Config c;
    c.storeDir = t.path.string();
    const std::string garbage = "not a store at all";
    t.file("single.store", garbage);
    testing::internal::CaptureStderr();
    Device d(c);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cannot be loaded"), std::string::npos) << err;
    EXPECT_TRUE(d.store().prm.empty());
    send(d, 0x10, {});  // a change is saved anew, beside the damaged store
    EXPECT_EQ(answerOf(d), Device::statusFrame(0x10, 1));
    std::ifstream kept(t.path / "single.store.damaged", std::ios::binary);
    std::string held((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
    EXPECT_EQ(held, garbage);
    EXPECT_EQ(Store(50).load((t.path / "single.store").string()), Store::Loaded::Yes);
}

TEST(SimGang, EmptyPositionsTakeNoPartInOperations)
{
    qmr::sim::Config c;
    c.gang = true;
    c.versions[2] = 0xFFFF;
    Device d(c);
    auto prm = qmrtest::parameterFile(1);
    d.store().prm[1] = prm;
    d.store().settings[0] = qmrtest::settingsRecord(prm, 0xFF);
    d.store().defaultSetting = 0;
    send(d, 0x21, {});  // erase
    uint8_t a[14] = {};
    ASSERT_EQ(d.hostRead(a, sizeof a), 14u);
    EXPECT_EQ(a[3], 1);
    EXPECT_EQ(a[4 + 1], 1);
    EXPECT_EQ(a[4 + 2], 0);
    EXPECT_EQ(a[4 + 3], 1);
}

}  // namespace
