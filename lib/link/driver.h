// The link driver interface: the handful of operations the library needs
// from a USB bridge driver (enumerate, describe, open by description, read,
// write, device information, purge).  Each backend lives in its own folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qmr::link {

struct DeviceInfo {
    uint32_t type = 0;
    uint32_t id = 0;
    char serial[16] = {};
    char description[64] = {};
};

// One open device.  All calls come from one thread except interrupt().
class Port {
public:
    virtual ~Port() = default;
    // Writes up to n bytes, waiting no later than deadlineMs (platform tickMs)
    // for a device that does not take them; false when the driver call fails.
    virtual bool write(const uint8_t* data, uint32_t n, uint32_t& written, uint64_t deadlineMs) = 0;
    // Reads up to n bytes, waiting no later than deadlineMs (platform tickMs);
    // returns with fewer bytes at the deadline.  false when the call fails.
    virtual bool read(uint8_t* data, uint32_t n, uint32_t& got, uint64_t deadlineMs) = 0;
    virtual bool info(DeviceInfo& out) = 0;
    // Lets what the device is still sending arrive, then discards everything
    // that has not been read.
    virtual bool purgeReceive() = 0;
    // Discards what has arrived and not been read, without waiting.
    virtual void dropReceived() = 0;
    // Makes a blocked or later read or write fail at once (closing the link).
    virtual void interrupt() = 0;
};

class Driver {
public:
    virtual ~Driver() = default;
    virtual bool count(uint32_t& n) = 0;
    // Description string of device index, at most 63 characters.
    virtual bool description(uint32_t index, char out[64]) = 0;
    // Opens the first device with this exact description that can be opened.
    // On failure, problem may say why (for example a permission problem).
    virtual std::unique_ptr<Port> openByDescription(const char* description,
                                                    std::string& problem) = 0;
};

// Devices found by a composite driver are those of its parts, in order.
class CompositeDriver : public Driver {
public:
    void add(std::unique_ptr<Driver> d) { parts_.push_back(std::move(d)); }
    bool empty() const { return parts_.empty(); }
    bool count(uint32_t& n) override;
    bool description(uint32_t index, char out[64]) override;
    std::unique_ptr<Port> openByDescription(const char* description, std::string& problem) override;

private:
    std::vector<std::unique_ptr<Driver>> parts_;
};

// The driver QMR_LINK chooses: unset or "auto" = libftdi then tty, "sim" =
// the in-process simulator, "tty:PATH" = PATH is the unit.  An unknown value
// gives null and the reason in error.
std::unique_ptr<Driver> makeDriver(const char* linkSetting, std::string& error);

// Tests replace the driver the library opens links with.
using DriverFactory = std::unique_ptr<Driver> (*)(std::string& error);
void setDriverFactory(DriverFactory f);
std::unique_ptr<Driver> currentDriver(std::string& error);

// Description of the unit this build looks for.
const char* unitDescription();

}  // namespace qmr::link
