// qmr, the command line, run in-process against the simulated unit (and,
// built against the gang layout, the simulated gang box): every subcommand's
// success path, its exit code on the failures that matter, and its JSON.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "checks/crc32.h"
#include "cli/cli.h"
#include "cli/clirun.h"
#include "core/images.h"
#include "scratch.h"
#include "setrecord/setrecord.h"
#include "support/hexfiles.h"
#include "support/stockedunit.h"

using namespace qmr::app;
using Json = nlohmann::json;

namespace {

using namespace qmrtest;
using qmrtest::qmr;
using Outcome = qmrtest::QmrRun;

TEST_F(Cli, InfoTellsWhatTheUnitHolds)
{
    Outcome r = qmr({"--json", "info"});
    ASSERT_EQ(r.exit, 0) << r.err;
    Json res = r.last("result");
    EXPECT_EQ(res["v"], 1);
    EXPECT_EQ(res["ok"], true);
    EXPECT_EQ(res["usb_serial"], "QMSIM0001");
    EXPECT_EQ(res["default_slot"], 0);
    ASSERT_EQ(res["setting_files"].size(), 1u);
    EXPECT_EQ(res["setting_files"][0]["name"], "DEMO NM78F0511 EPV");
    EXPECT_EQ(res["parameter_files"][0]["name"], "NM78K0X.PRS");
    EXPECT_EQ(res["image"]["name"], "blinky.hex");
    if (kGang) {
        EXPECT_EQ(res["sockets"][3]["present"], false);
        EXPECT_EQ(res["sockets"][7]["firmware"], "2.05");
    }
    Outcome human = qmr({"info"});
    EXPECT_EQ(human.exit, 0);
    EXPECT_NE(human.out.find("00 * DEMO NM78F0511 EPV"), std::string::npos) << human.out;
}

TEST_F(Cli, ParameterAndSettingFilesAreCheckedThenSentListedSavedAndDeleted)
{
    auto prm = readExampleFile(example("class3.prs"));
    auto bad = prm;
    bad[400] ^= 1;
    // The checks come first: a damaged file is refused, one the unit holds needs --force.
    EXPECT_EQ(qmr({"prm", "send", t.file("bad.prs", bad)}).exit, 3);
    Outcome again = qmr({"prm", "send", example("class1.prs")});
    EXPECT_EQ(again.exit, 3);
    EXPECT_NE(again.err.find("--force"), std::string::npos);
    EXPECT_EQ(qmr({"prm", "send", "--force", example("class1.prs")}).exit, 0);
    EXPECT_EQ(qmr({"prm", "send", t.file("c3.prs", prm)}).exit, 0);
    with([&](qmr::sim::Device& d) { EXPECT_EQ(d.store().prm.size(), 2u); });
    // Settings: into a slot, out to a file byte for byte, listed, made the default, deleted.
    EXPECT_EQ(qmr({"set", "send", example("demo.set"), "--slot", "3"}).exit, 0);
    std::string copy = t.at("copy.set");
    ASSERT_EQ(qmr({"set", "get", "3", "-o", copy}).exit, 0);
    EXPECT_EQ(readExampleFile(copy), readExampleFile(example("demo.set")));
    Outcome list = qmr({"--json", "set", "list"});
    ASSERT_EQ(list.exit, 0);
    EXPECT_EQ(list.last("result")["slots"][3]["used"], true);
    EXPECT_EQ(list.last("result")["slots"].size(), size_t(QMR_SET_ENTRIES));
    EXPECT_EQ(qmr({"set", "default", "0"}).exit, 0);
    // Making the default the default again (the unit would refuse it) is no failure.
    ASSERT_EQ(qmr({"set", "default", "3"}).exit, 0);
    Outcome same = qmr({"--json", "set", "default", "3"});
    EXPECT_EQ(same.exit, 0) << same.err;
    EXPECT_EQ(same.last("result")["unchanged"], true);
    with([](qmr::sim::Device& d) { EXPECT_EQ(d.store().defaultSetting, 3); });
    EXPECT_EQ(qmr({"set", "delete", "3"}).exit, 0);
    with([](qmr::sim::Device& d) { EXPECT_FALSE(d.store().settings[3].has_value()); });
    // What does not fit: a slot beyond the list, a file that is no setting, one for no parameter file.
    EXPECT_EQ(qmr({"set", "send", example("demo.set"), "--slot", std::to_string(QMR_SET_ENTRIES)}).exit, 2);
    EXPECT_EQ(qmr({"set", "send", example("class1.prs"), "--slot", "2"}).exit, 3);
    auto stranger = readExampleFile(example("demo.set"));
    stranger[6] ^= 0x5A;
    EXPECT_EQ(qmr({"set", "send", t.file("stranger.set", stranger), "--slot", "2"}).exit, 3);
    EXPECT_EQ(qmr({"set", "get", "7", "-o", t.at("x.set")}).exit, 5);       // an empty slot: the unit says so
    EXPECT_EQ(qmr({"set", "get", "0", "-o", t.at("gone/x.set")}).exit, 3);  // a file that cannot be written
}

TEST_F(Cli, ImagesGoDownOnceWithIfChangedComeBackAsSRecordsAndTheirSumsAreReported)
{
    Outcome down = qmr({"--json", "image", "download", example("blinky.hex")});
    ASSERT_EQ(down.exit, 0) << down.err;
    EXPECT_EQ(down.last("result")["skipped"], false);
    const std::string crc = down.last("result")["crc"];
    with([&](qmr::sim::Device& d) { EXPECT_EQ(d.store().image->name, "blinky.hex"); });
    Outcome same = qmr({"--json", "image", "download", "--if-changed", example("blinky.mot")});
    ASSERT_EQ(same.exit, 0);
    EXPECT_EQ(same.last("result")["skipped"], true);  // the same image in S-records
    EXPECT_EQ(same.last("result")["crc"], crc);
    // Upload: the S-records of the unit's image.
    std::string up = t.at("up.s");
    ASSERT_EQ(qmr({"image", "upload", "-o", up}).exit, 0);
    std::ifstream f(up, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> image;
    with([&](qmr::sim::Device& d) { image = d.store().image->data; });
    EXPECT_EQ(text, sRecordText(image.data(), image.size(), 0, uint32_t(image.size())));
    Outcome info = qmr({"--json", "image", "info"});
    ASSERT_EQ(info.exit, 0);
    EXPECT_EQ(info.last("result")["crc"], crc);
    // The report side by side: the file, the unit, the device.
    Outcome sums = qmr({"--json", "checksum", example("blinky.hex")});
    ASSERT_EQ(sums.exit, 0) << sums.err;
    Json res = sums.last("result");
    EXPECT_EQ(res["file"]["crc"], crc);
    EXPECT_EQ(res["unit"]["crc"], crc);
    EXPECT_EQ(res["same"], true);
    EXPECT_NE(res["file"]["fill"].get<std::string>().find("0xFF"), std::string::npos);
    EXPECT_FALSE(sums.all("unit").empty());
    // A file that is not an image, and one cut off.
    EXPECT_EQ(qmr({"image", "download", example("demo.set")}).exit, 3);
    std::string cut = ":10010000214601360121470136007EFE09D2190140\r\n";
    Outcome cutOff = qmr({"image", "download", t.file("cut.hex", cut)});
    EXPECT_EQ(cutOff.exit, 3);
    EXPECT_NE(cutOff.err.find("damaged or cut off"), std::string::npos) << cutOff.err;
    EXPECT_EQ(qmr({"image", "download", t.at("none.hex")}).exit, 3);
}

TEST_F(Cli, DeviceOperationsReportEachSocketAndTheirExitSaysHowTheyWent)
{
    for (const char* op : {"erase", "blank", "program", "verify", "epv", "security", "device-checksum", "signature"}) {
        Outcome r = qmr({"--json", op});
        EXPECT_EQ(r.exit, 0) << op << ": " << r.err << r.out;
        EXPECT_EQ(r.last("result")["ok"], std::string(op) != "signature" || true) << op;
        EXPECT_EQ(r.all("unit").size(), kGang ? 6u : 1u) << op;
    }
    // A target error: exit 1 and the socket that failed.
    with([](qmr::sim::Device& d) { d.injectTargetError(kGang ? 3 : 1, 15); });
    Outcome ng = qmr({"--json", "epv"});
    EXPECT_EQ(ng.exit, 1);
    int failed = 0;
    for (const Json& u : ng.all("unit")) {
        if (u["result"] == "NG") {
            ++failed;
            EXPECT_EQ(u["socket"], kGang ? 3 : 1);
            EXPECT_EQ(u["code"], 15);
            EXPECT_EQ(u["text"], "It is a verifying error. ");
        }
    }
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(ng.last("result")["ok"], false);
    // The unit refuses the command: exit 5 with its status text.
    with([](qmr::sim::Device& d) { d.injectStatus(0x25, 27); });
    Outcome refused = qmr({"--json", "epv"});
    EXPECT_EQ(refused.exit, 5);
    EXPECT_NE(refused.last("error")["message"].get<std::string>().find("carried out by the management flow"), std::string::npos);
    // No image: the device commands say what is missing before they start.
    with([](qmr::sim::Device& d) { d.store().image.reset(); });
    Outcome empty = qmr({"blank"});
    EXPECT_EQ(empty.exit, 5);
    EXPECT_NE(empty.err.find("no image"), std::string::npos);
}

TEST_F(Cli, NoUnitAndABrokenLinkExitWith4AndSayWhatToDo)
{
    Outcome none = qmr({"--link", "tty:/nonexistent/ttyUSB9", "--json", "info"});
    EXPECT_EQ(none.exit, 4);
    EXPECT_NE(none.last("error")["hint"].get<std::string>().find("qmr doctor"), std::string::npos);
    setenv("QMR_LINK", "sim", 1);
    with([](qmr::sim::Device& d) { d.unplugAfter(40); });
    Outcome broken = qmr({"epv"});
    EXPECT_EQ(broken.exit, 4);
    resetSimulatedUnit();
    EXPECT_EQ(qmr({"nonsense"}).exit, 2);
    EXPECT_EQ(qmr({"set", "send"}).exit, 2);
    for (const char* link : {"bogus", "tty:", "usb"}) EXPECT_EQ(qmr({"--link", link, "info"}).exit, 2) << link;
    EXPECT_EQ(qmr({"--help"}).exit, 0);
}

TEST_F(Cli, TheTargetIsReadOutAndSerialNumbersAreWritten)
{
    // Program the targets first so that there is something to read.
    ASSERT_EQ(qmr({"epv"}).exit, 0);
    if (kGang) {
        Outcome r = qmr({"--json", "read", "-o", t.at("dump.s"), "--socket", "2", "--socket", "5"});
        ASSERT_EQ(r.exit, 0) << r.err;
        EXPECT_EQ(r.last("result")["files"].size(), 2u);
        for (int p : {2, 5}) {
            std::ifstream f(t.at("dump" + std::to_string(p) + ".s"), std::ios::binary);
            ASSERT_TRUE(f.good()) << p;
        }
        EXPECT_EQ(qmr({"read", "-o", t.at("dump.s"), "--socket", "4"}).exit, 2);  // socket 4 holds no unit
    } else {
        ASSERT_EQ(qmr({"read", "-o", t.at("dump.s")}).exit, 0);
        std::ifstream f(t.at("dump.s"), std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        auto mem = target(1);
        EXPECT_EQ(text.substr(0, 48), sRecordText(mem.data(), mem.size(), 0, 16).substr(0, 48));
    }
    Outcome s = qmr({"--json", "serial", "epv", "--address", "0X20", "--size", "2", "--start", "fffe"});
    ASSERT_EQ(s.exit, 0) << s.err;
    auto units = s.all("unit");
    ASSERT_EQ(units.size(), kGang ? 6u : 1u);
    EXPECT_EQ(units[0]["serial"], "fffe");
    auto m = target(1);
    EXPECT_EQ(m[0x20], 0xFF);
    EXPECT_EQ(m[0x21], 0xFE);
    if (kGang) {
        // Socket 8 (the eighth number) and the next base after it.
        EXPECT_EQ(units.back()["serial"], "0005");
        EXPECT_EQ(s.last("result")["next"], "0006");
    } else {
        EXPECT_EQ(s.last("result")["next"], "ffff");
    }
    EXPECT_EQ(qmr({"serial", "epv", "--address", "20", "--size", "3", "--start", "1"}).exit, 2);
    EXPECT_EQ(qmr({"serial", "epv", "--address", "ffffff", "--size", "1", "--start", "1"}).exit, 3);
    EXPECT_EQ(qmr({"serial", "epv", "--address", "20", "--size", "1", "--start", "100"}).exit, 3);
}

TEST_F(Cli, TheLogIsShownSavedAndCleared)
{
    with([](qmr::sim::Device& d) {
        d.store().okCount = 12;
        d.store().ngCount = 2;
        d.store().ngList[0] = 40;
        d.store().ngList[1] = 15;
    });
    Outcome r = qmr({"--json", "log", "-o", t.at("log.txt"), "--clear"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.last("result")["ok"], 12);
    EXPECT_EQ(r.last("result")["ng"], 2);
    EXPECT_EQ(r.last("result")["ng_list"][1]["number"], "001");
    std::ifstream f(t.at("log.txt"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.substr(text.find("OK/NG")), "OK/NG Count :  12 / 2 \r\n002 A (blank check) target has written it. \r\n001 It is a verifying error. \r\n");
    with([](qmr::sim::Device& d) { EXPECT_EQ(d.store().okCount, 0u); });
}

TEST_F(Cli, FirmwareGoesToTheUnitInTwoStagesWhenItIsOld)
{
    setenv("QMR_FIRMWARE_WAIT_MS", "0", 1);
    if (kGang) resetSimulatedGangBox({1, 2}, [](qmr::sim::Config& c) { c.versions[1] = 0x0203; });
    else resetSimulatedUnit([](qmr::sim::Config& c) { c.versions[0] = 0x0203; });
    stockSimulatedUnit(QM_EXAMPLES_DIR, "class1.prs", "demo.set", 0x1000);
    std::string big = t.file("qm_fw_big.hex", qmrtest::firmwareHex(0xE200));
    // The intermediate firmware lies beside the program: here, the examples.
    with([](qmr::sim::Device& d) { d.clearFrames(); });
    Outcome r = qmr({"--json", "firmware", big});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.last("result")["stages"], 2);
    size_t starts = 0;
    with([&](qmr::sim::Device& d) {
        for (const auto& f : d.frames()) starts += f.command == (kGang ? 0x2C : 0x02);
    });
    EXPECT_EQ(starts, 2u);
    // Without the marker: refused before anything is sent.
    EXPECT_EQ(qmr({"firmware", t.file("plain.hex", qmrtest::firmwareHex(0x2000, qmrtest::Marker::None))}).exit, 3);
    if (kGang) {
        Outcome box = qmr({"--json", "firmware", "--gang-box", example("qmgang_fw_demo.hex")});
        EXPECT_EQ(box.exit, 0) << box.err;
        EXPECT_EQ(box.last("result")["target"], "gang box");
    } else {
        EXPECT_EQ(qmr({"firmware", "--gang-box", example("qm_fw_demo.hex")}).exit, 2);
    }
}

#ifdef QMR_GANG
TEST_F(Cli, AGangEpvWithOneFailedSocketInJson)
{
    with([](qmr::sim::Device& d) { d.injectTargetError(6, 40); });
    Outcome r = qmr({"--json", "epv"});
    EXPECT_EQ(r.exit, 1);
    auto units = r.all("unit");
    ASSERT_EQ(units.size(), 6u);  // the sockets that hold a unit
    std::vector<int> sockets;
    for (const Json& u : units) {
        sockets.push_back(u["socket"]);
        EXPECT_EQ(u["v"], 1);
        EXPECT_EQ(u["command"], "epv");
        EXPECT_EQ(u["result"], u["socket"] == 6 ? "NG" : "OK");
    }
    EXPECT_EQ(sockets, (std::vector<int>{1, 2, 3, 5, 6, 8}));
    EXPECT_EQ(r.last("result")["ok"], false);
}

TEST_F(Cli, TheProductionLoopRunsAnEpvWhenTheButtonIsPressed)
{
    ASSERT_EQ(qmr({"info"}).exit, 0);  // the buttons are unmasked once the box is ready
    with([](qmr::sim::Device& d) {
        d.clearFrames();
        d.pressStartButton();
    });
    Outcome r = qmr({"--json", "run", "--on-button", "--cycles", "1", "--poll-ms", "10"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.last("result")["cycles"], 1);
    EXPECT_EQ(r.all("unit").size(), 6u);
    size_t epvs = 0;
    with([&](qmr::sim::Device& d) {
        for (const auto& f : d.frames()) epvs += f.command == 0x25;
    });
    EXPECT_EQ(epvs, 1u);
    // A failed socket in a cycle: the loop's exit says so, the buttons are unmasked again.
    with([](qmr::sim::Device& d) {
        d.injectTargetError(2, 15);
        d.pressStartButton();
    });
    Outcome ng = qmr({"--json", "run", "--on-button", "--cycles", "1", "--poll-ms", "10"});
    EXPECT_EQ(ng.exit, 1);
    EXPECT_EQ(ng.last("result")["failed_cycles"], 1);
    with([](qmr::sim::Device& d) { EXPECT_FALSE(d.buttonsMasked()); });
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    setenv("QMR_LINK", "sim", 1);
    setenv("QMR_SIM_DIR", "", 1);
    setenv("QMR_READ_TIMEOUT_MS", "300", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
