// Units reached through the kernel's ftdi_sio driver as /dev/ttyUSB*.
#pragma once

#include <string>
#include <vector>

#include "link/driver.h"

namespace qmr::link {

struct TtyDevice {
    std::string node;         // /dev/ttyUSBn
    std::string description;  // the USB product string, with " A", " B" ... per interface
    std::string serial;       // the USB serial string
    std::string latencyTimer; // sysfs latency_timer attribute, when there is one
};

// Lists the ttyUSB devices under sysRoot (normally /sys) in the order of
// their numbers; nodes are taken from devRoot (normally /dev).
std::vector<TtyDevice> listTtyDevices(const std::string& sysRoot, const std::string& devRoot);

// Opens a character device as the unit's port: raw, exclusive, low latency.
// On failure gives null and the reason, with advice for a permission problem.
std::unique_ptr<Port> openTtyPort(const TtyDevice& device, std::string& problem);

class TtyDriver : public Driver {
public:
    TtyDriver(std::string sysRoot, std::string devRoot)
        : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)) {}
    bool count(uint32_t& n) override;
    bool description(uint32_t index, char out[64]) override;
    std::unique_ptr<Port> openByDescription(const char* description, std::string& problem) override;

private:
    void refresh();
    std::string sysRoot_, devRoot_;
    std::vector<TtyDevice> devices_;
    bool listed_ = false;
};

// QMR_LINK=tty:PATH: PATH is the unit, listed as one device with the
// description of the unit this build looks for.
class TtyPathDriver : public Driver {
public:
    TtyPathDriver(std::string path, std::string description);
    bool count(uint32_t& n) override;
    bool description(uint32_t index, char out[64]) override;
    std::unique_ptr<Port> openByDescription(const char* description, std::string& problem) override;

private:
    TtyDevice device_;
};

}  // namespace qmr::link
