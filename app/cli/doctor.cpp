#include "cli/doctor.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#ifdef QMR_HAVE_LIBFTDI
#include <ftdi.h>
#endif

namespace qmr::cli {

namespace {

std::string readAttr(const std::string& path)
{
    std::ifstream f(path);
    std::string s;
    if (!f || !std::getline(f, s)) return {};
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(s.begin());
    return s;
}

std::vector<std::string> entries(const std::string& dir)
{
    std::vector<std::string> out;
    DIR* d = opendir(dir.c_str());
    if (!d) return out;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") out.push_back(n);
    }
    closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

std::string baseName(const std::string& p)
{
    auto k = p.find_last_of('/');
    return k == std::string::npos ? p : p.substr(k + 1);
}

std::string linkTarget(const std::string& path)
{
    char b[4096];
    ssize_t n = readlink(path.c_str(), b, sizeof b - 1);
    if (n <= 0) return {};
    b[n] = 0;
    return b;
}

bool isUnitProduct(const std::string& p) { return p.rfind("Brennagrove Quill", 0) == 0; }

bool userInGroup(const char* name)
{
    group* g = getgrnam(name);
    if (!g) return false;
    if (getegid() == g->gr_gid) return true;
    int n = getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(n > 0 ? n : 0));
    if (n > 0) n = getgroups(n, groups.data());
    for (int i = 0; i < n; ++i)
        if (groups[size_t(i)] == g->gr_gid) return true;
    return false;
}

}  // namespace

bool DoctorReport::anyUnit() const
{
    for (const auto& d : devices)
        if (d.isUnit) return true;
    return false;
}

bool DoctorReport::unitUnusable() const
{
    for (const auto& d : devices)
        if (d.isUnit && !d.usable) return true;
    return false;
}

LibftdiProbe defaultLibftdiProbe()
{
    return [](const FtdiDevice& d, std::string& why) {
#ifdef QMR_HAVE_LIBFTDI
        ftdi_context* f = ftdi_new();
        if (!f) {
            why = "libftdi could not start";
            return false;
        }
        int rc = ftdi_usb_open_desc(f, 0x0403, 0x6001, d.product.c_str(), d.serial.empty() ? nullptr : d.serial.c_str());
        if (rc == 0) {
            ftdi_usb_close(f);
            ftdi_free(f);
            return true;
        }
        why = ftdi_get_error_string(f);
        ftdi_free(f);
        return false;
#else
        (void)d;
        why = "this build has no libftdi";
        return false;
#endif
    };
}

DoctorReport diagnose(const DoctorRoots& roots, const LibftdiProbe& probe)
{
    DoctorReport r;
    const std::string usb = roots.sys + "/bus/usb/devices";
    for (const std::string& rf : roots.rulesFolders) {
        struct stat st;
        if (stat((rf + "/" + roots.rulesName).c_str(), &st) == 0) r.udevRules = true;
    }
    r.inDialout = userInGroup("dialout");
    for (const std::string& name : entries(usb)) {
        if (name.find(':') != std::string::npos) continue;  // an interface, not a device
        const std::string dir = usb + "/" + name;
        if (readAttr(dir + "/idVendor") != "0403") continue;
        FtdiDevice d;
        d.busId = name;
        d.product = readAttr(dir + "/product");
        d.serial = readAttr(dir + "/serial");
        d.isUnit = isUnitProduct(d.product);
        // The first interface: its driver and the tty ftdi_sio made for it.
        for (const std::string& iface : entries(dir)) {
            if (iface.rfind(name + ":", 0) != 0) continue;
            const std::string idir = dir + "/" + iface;
            d.driver = baseName(linkTarget(idir + "/driver"));
            for (const std::string& child : entries(idir))
                if (child.rfind("ttyUSB", 0) == 0) d.tty = child;
            if (!d.tty.empty()) {
                d.latency = readAttr(idir + "/" + d.tty + "/latency_timer");
                if (d.latency.empty()) d.latency = readAttr(roots.sys + "/bus/usb-serial/devices/" + d.tty + "/latency_timer");
            }
            break;
        }
        int accessError = 0;
        if (!d.tty.empty()) {
            d.node = roots.dev + "/" + d.tty;
            if (roots.access) accessError = roots.access(d.node);
            else accessError = ::access(d.node.c_str(), R_OK | W_OK) == 0 ? 0 : errno;
            d.nodeUsable = accessError == 0;
        }
        if (d.isUnit) d.libftdiOpens = probe && probe(d, d.libftdiProblem);
        d.usable = d.nodeUsable || d.libftdiOpens;

        if (d.isUnit) {
            if (!d.driver.empty() && d.driver != "ftdi_sio")
                d.problems.push_back({"its interface is bound to the driver " + d.driver + ", not ftdi_sio",
                                      "echo -n '" + name + ":1.0' | sudo tee /sys/bus/usb/drivers/" + d.driver +
                                          "/unbind && sudo modprobe ftdi_sio"});
            if (d.driver.empty() && !d.libftdiOpens)
                d.problems.push_back({"no kernel driver holds it and libftdi cannot open it",
                                      "sudo modprobe ftdi_sio   (then unplug the unit and plug it in again)"});
            if (!d.tty.empty() && !d.nodeUsable)
                d.problems.push_back(
                    {d.node + " cannot be opened by this user (" + std::string(std::strerror(accessError)) + ")",
                     r.udevRules ? "sudo usermod -aG dialout \"$USER\"   (then log out and in again)"
                                 : "sudo cp contrib/60-quillmarker.rules /etc/udev/rules.d/ && sudo udevadm control --reload "
                                   "&& sudo udevadm trigger   (or: sudo usermod -aG dialout \"$USER\", then log in again)"});
            if (!d.latency.empty() && d.latency != "1" && d.latency != "0")
                d.problems.push_back({"its latency timer is " + d.latency + " ms: every answer waits that long",
                                      "echo 1 | sudo tee /sys/bus/usb-serial/devices/" + d.tty + "/latency_timer"});
        }
        r.devices.push_back(std::move(d));
    }
    // Programs known to take serial ports as they appear.
    for (const std::string& pid : entries(roots.proc)) {
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string comm = readAttr(roots.proc + "/" + pid + "/comm");
        if (comm == "ModemManager")
            r.general.push_back({"ModemManager runs: it probes new serial ports and can take the unit's tty",
                                 "sudo systemctl stop ModemManager && sudo systemctl disable ModemManager"});
        if (comm == "brltty")
            r.general.push_back({"brltty runs: it claims FTDI serial adapters for braille displays",
                                 "sudo apt-get remove brltty"});
    }
    return r;
}

}  // namespace qmr::cli
