// qmr doctor: finds every FTDI device on USB through sysfs and tells, for
// each, what stands between it and the library: the kernel driver that holds
// it, its tty and whether this user may open it (the dialout group, the udev
// rules), its latency timer, whether libftdi can open it, and the programs
// known to take serial ports.  Each problem comes with the command that
// fixes it.  The roots are settable so that tests run it on fake trees.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qmr::cli {

struct DoctorRoots {
    std::string sys = "/sys", dev = "/dev", proc = "/proc";
    std::vector<std::string> rulesFolders = {"/etc/udev/rules.d", "/lib/udev/rules.d", "/usr/lib/udev/rules.d"};
    std::string rulesName = "60-quillmarker.rules";
    // Whether this user may open a node for reading and writing: 0, or the
    // reason as an errno value.  Tests stand in another user.
    std::function<int(const std::string&)> access;
};

struct Problem {
    std::string what, fix;
};

struct FtdiDevice {
    std::string busId;        // "1-3"
    std::string product;      // the USB description
    std::string serial;
    bool isUnit = false;      // a programmer unit or a gang box
    std::string driver;       // the kernel driver of its interface ("" none)
    std::string tty;          // "ttyUSB0" when ftdi_sio made one
    std::string node;         // "/dev/ttyUSB0"
    bool nodeUsable = false;  // this user may open it for reading and writing
    std::string latency;      // the latency timer in ms, when there is one
    bool libftdiOpens = false;
    std::string libftdiProblem;
    bool usable = false;      // the library reaches it one way or the other
    std::vector<Problem> problems;
};

struct DoctorReport {
    std::vector<FtdiDevice> devices;
    std::vector<Problem> general;  // of the system, not of one device
    bool udevRules = false;
    bool inDialout = false;
    bool unitUnusable() const;
    bool anyUnit() const;
};

// Tries to open a device with libftdi; false with the reason.
using LibftdiProbe = std::function<bool(const FtdiDevice&, std::string& why)>;
// The probe of this build (libftdi1 when it was built with it).
LibftdiProbe defaultLibftdiProbe();

DoctorReport diagnose(const DoctorRoots& roots, const LibftdiProbe& probe);

}  // namespace qmr::cli
