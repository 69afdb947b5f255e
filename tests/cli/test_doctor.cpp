// qmr doctor on fake sysfs trees: no device, a unit this user may not open,
// one bound to another driver, a slow latency timer, and one that works.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cerrno>
#include <unistd.h>

#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "cli/cli.h"
#include "cli/doctor.h"
#include "scratch.h"

using namespace qmr::cli;
namespace fs = std::filesystem;

namespace {

void write(const fs::path& p, const std::string& text)
{
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text << "\n";
}

// An FTDI device on USB at bus id `bus`, with its first interface bound to
// `driver` ("" for none) and, for ftdi_sio, a tty with its latency timer.
void addDevice(const fs::path& root, const std::string& bus, const std::string& product, const std::string& serial,
               const std::string& driver, const std::string& tty, const std::string& latency, mode_t nodeMode)
{
    fs::path dev = root / "sys/bus/usb/devices" / bus;
    write(dev / "idVendor", "0403");
    write(dev / "idProduct", "6001");
    write(dev / "product", product);
    write(dev / "serial", serial);
    fs::path iface = dev / (bus + ":1.0");
    fs::create_directories(iface);
    if (!driver.empty()) {
        fs::create_directories(root / "sys/bus/usb/drivers" / driver);
        fs::create_directory_symlink(root / "sys/bus/usb/drivers" / driver, iface / "driver");
    }
    if (!tty.empty()) {
        write(iface / tty / "latency_timer", latency);
        write(root / "dev" / tty, "");
        fs::permissions(root / "dev" / tty, fs::perms(nodeMode));
    }
}

LibftdiProbe probe(bool opens)
{
    return [opens](const FtdiDevice&, std::string& why) {
        if (!opens) why = "LIBUSB_ERROR_ACCESS";
        return opens;
    };
}

DoctorRoots rootsOf(const fs::path& root)
{
    DoctorRoots r;
    r.sys = (root / "sys").string();
    r.dev = (root / "dev").string();
    r.proc = (root / "proc").string();
    r.rulesFolders = {(root / "etc/udev/rules.d").string()};
    return r;
}

bool mentions(const std::vector<Problem>& ps, const std::string& what, const std::string& fix)
{
    for (const Problem& p : ps)
        if (p.what.find(what) != std::string::npos && p.fix.find(fix) != std::string::npos) return true;
    return false;
}

TEST(Doctor, NoDeviceIsNoUnitAndNothingUnusable)
{
    qmrtest::Scratch t;
    fs::create_directories(t.path / "sys/bus/usb/devices");
    DoctorReport r = diagnose(rootsOf(t.path), probe(true));
    EXPECT_TRUE(r.devices.empty());
    EXPECT_FALSE(r.anyUnit());
    EXPECT_FALSE(r.unitUnusable());
    EXPECT_FALSE(r.udevRules);
}

TEST(Doctor, TheUnitsOnATreeAreToldApart)
{
    qmrtest::Scratch t;
    // 1-1 works: ftdi_sio, its tty open to us, latency 1.
    addDevice(t.path, "1-1", "Brennagrove Quillmarker-01", "QM000001", "ftdi_sio", "ttyUSB0", "1", 0666);
    // 1-2 is bound to another driver and has no tty.
    addDevice(t.path, "1-2", "Brennagrove Quill GANG-01", "QG000002", "usbfs", "", "", 0);
    // 1-3 has the slow default latency timer.
    addDevice(t.path, "1-3", "Brennagrove Quillmarker-01", "QM000003", "ftdi_sio", "ttyUSB1", "16", 0666);
    // 1-4 is somebody else's FTDI adapter.
    addDevice(t.path, "1-4", "FT232R USB UART", "A50285BI", "ftdi_sio", "ttyUSB2", "16", 0666);
    write(t.path / "proc/812/comm", "ModemManager");
    write(t.path / "proc/901/comm", "bash");
    write(t.path / "etc/udev/rules.d/60-quillmarker.rules", "# rules");
    DoctorReport r = diagnose(rootsOf(t.path), probe(false));
    ASSERT_EQ(r.devices.size(), 4u);
    const FtdiDevice &ok = r.devices[0], &bound = r.devices[1], &slow = r.devices[2], &other = r.devices[3];
    EXPECT_TRUE(ok.isUnit);
    EXPECT_EQ(ok.driver, "ftdi_sio");
    EXPECT_EQ(ok.node, (t.path / "dev/ttyUSB0").string());
    EXPECT_TRUE(ok.nodeUsable);
    EXPECT_TRUE(ok.usable);
    EXPECT_TRUE(ok.problems.empty());
    EXPECT_EQ(bound.driver, "usbfs");
    EXPECT_FALSE(bound.usable);  // no tty, and libftdi cannot open it
    EXPECT_TRUE(mentions(bound.problems, "bound to the driver usbfs", "/sys/bus/usb/drivers/usbfs/unbind"));
    EXPECT_TRUE(slow.usable);
    EXPECT_EQ(slow.latency, "16");
    EXPECT_TRUE(mentions(slow.problems, "latency timer is 16", "echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB1/latency_timer"));
    EXPECT_FALSE(other.isUnit);
    EXPECT_TRUE(other.problems.empty());
    EXPECT_TRUE(mentions(r.general, "ModemManager", "systemctl disable ModemManager"));
    EXPECT_EQ(r.general.size(), 1u);
    EXPECT_TRUE(r.udevRules);
    EXPECT_TRUE(r.unitUnusable());  // the one bound elsewhere
    // libftdi reaching it makes it usable after all.
    DoctorReport viaLibftdi = diagnose(rootsOf(t.path), probe(true));
    EXPECT_TRUE(viaLibftdi.devices[1].usable);
    EXPECT_FALSE(viaLibftdi.unitUnusable());
}

TEST(Doctor, ATtyThisUserMayNotOpenIsUnusableAndTheFixSaysHow)
{
    qmrtest::Scratch t;
    addDevice(t.path, "2-1", "Brennagrove Quillmarker-01", "QM000009", "ftdi_sio", "ttyUSB0", "1", 0660);
    DoctorRoots roots = rootsOf(t.path);
    roots.access = [](const std::string& node) { return node.find("ttyUSB0") != std::string::npos ? EACCES : 0; };
    DoctorReport r = diagnose(roots, probe(false));
    ASSERT_EQ(r.devices.size(), 1u);
    EXPECT_FALSE(r.devices[0].nodeUsable);
    EXPECT_FALSE(r.devices[0].usable);
    EXPECT_TRUE(r.unitUnusable());
    // Without the udev rules the fix installs them.
    EXPECT_TRUE(mentions(r.devices[0].problems, "cannot be opened by this user (Permission denied)", "60-quillmarker.rules"));
    // With the rules installed, the fix is the group.
    write(t.path / "etc/udev/rules.d/60-quillmarker.rules", "# rules");
    EXPECT_TRUE(mentions(diagnose(roots, probe(false)).devices[0].problems, "cannot be opened", "usermod -aG dialout"));
}

TEST(Doctor, TheCommandExitsNonZeroWhenAUnitIsThereButUnusable)
{
    qmrtest::Scratch t;
    addDevice(t.path, "1-2", "Brennagrove Quill GANG-01", "QG000002", "usbfs", "", "", 0);
    setenv("QMR_DOCTOR_ROOT", t.path.c_str(), 1);
    setenv("QMR_DOCTOR_LIBFTDI", "fails", 1);
    auto run = [](std::vector<std::string> args, std::string& out) {
        args.insert(args.begin(), "qmr");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        char* buf = nullptr;
        size_t len = 0;
        FILE* f = open_memstream(&buf, &len);
        int rc = qmr::cli::runCli(int(argv.size()), argv.data(), f, f);
        std::fclose(f);
        out.assign(buf, len);
        std::free(buf);
        return rc;
    };
    std::string out;
    EXPECT_EQ(run({"doctor"}, out), 4);
    EXPECT_NE(out.find("usable: NO"), std::string::npos) << out;
    EXPECT_NE(out.find("fix: echo -n '1-2:1.0' | sudo tee /sys/bus/usb/drivers/usbfs/unbind"), std::string::npos) << out;
    setenv("QMR_DOCTOR_LIBFTDI", "ok", 1);
    EXPECT_EQ(run({"--json", "doctor"}, out), 0);
    EXPECT_NE(out.find("\"usable\":true"), std::string::npos) << out;
    unsetenv("QMR_DOCTOR_ROOT");
    unsetenv("QMR_DOCTOR_LIBFTDI");
}

}  // namespace
