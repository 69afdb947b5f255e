#include <algorithm>
#include "link/libftdi/ftdi_driver.h"

#include <ftdi.h>
#include <libusb.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "platform/platform.h"

namespace qmr::link {

namespace {

class FtdiPort : public Port {
public:
    FtdiPort(ftdi_context* ftdi, std::string description, std::string serial)
        : ftdi_(ftdi), description_(std::move(description)), serial_(std::move(serial)) {}
    ~FtdiPort() override
    {
        ftdi_usb_close(ftdi_);  // re-attaches ftdi_sio (module detach mode)
        ftdi_free(ftdi_);
    }

    bool write(const uint8_t* data, uint32_t n, uint32_t& written, uint64_t deadline) override
    {
        written = 0;
        if (stop_) return false;
        // libusb's bulk transfer time-out bounds a write the unit does not take.
        uint64_t now = platform::tickMs();
        ftdi_->usb_write_timeout = static_cast<int>(std::clamp<uint64_t>(deadline > now ? deadline - now : 1, 1, 600000));
        int k = ftdi_write_data(ftdi_, data, static_cast<int>(n));
        if (k < 0) return false;
        written = static_cast<uint32_t>(k);
        return true;
    }

    bool read(uint8_t* data, uint32_t n, uint32_t& got, uint64_t deadline) override
    {
        got = 0;
        for (;;) {
            if (stop_) return false;
            int k = ftdi_read_data(ftdi_, data, static_cast<int>(n));
            if (k < 0) return false;
            if (k > 0) {
                got = static_cast<uint32_t>(k);
                return true;
            }
            // libftdi returns 0 when nothing has come yet.
            if (platform::tickMs() >= deadline) return true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    bool info(DeviceInfo& out) override
    {
        out = DeviceInfo{};
        std::strncpy(out.serial, serial_.c_str(), sizeof out.serial - 1);
        std::strncpy(out.description, description_.c_str(), sizeof out.description - 1);
        return true;
    }

    bool purgeReceive() override
    {
        uint8_t sink[512];
        uint64_t end = platform::tickMs() + 200;
        for (;;) {
            uint32_t got = 0;
            uint64_t quiet = std::min(end, platform::tickMs() + 20);
            if (!read(sink, sizeof sink, got, quiet) || got == 0) break;
        }
        return ftdi_tciflush(ftdi_) == 0;
    }

    void dropReceived() override { ftdi_tciflush(ftdi_); }

    void interrupt() override { stop_ = true; }

private:
    ftdi_context* ftdi_;
    std::string description_, serial_;
    std::atomic<bool> stop_{false};
};

}  // namespace

FtdiDriver::FtdiDriver() = default;

FtdiDriver::~FtdiDriver() { release(); }

void FtdiDriver::release()
{
    for (auto& e : entries_) libusb_unref_device(static_cast<libusb_device*>(e.device));
    entries_.clear();
}

void FtdiDriver::refresh()
{
    release();
    listed_ = true;
    ftdi_context* ftdi = ftdi_new();
    if (!ftdi) return;
    ftdi_device_list* list = nullptr;
    if (ftdi_usb_find_all(ftdi, &list, 0, 0) > 0) {
        for (ftdi_device_list* d = list; d; d = d->next) {
            char desc[64] = {}, serial[17] = {};
            if (ftdi_usb_get_strings2(ftdi, d->dev, nullptr, 0, desc, sizeof desc, serial, sizeof serial) < 0)
                continue;
            int interfaces = 1;
            libusb_config_descriptor* cfg = nullptr;
            if (libusb_get_active_config_descriptor(d->dev, &cfg) == 0 && cfg) {
                interfaces = cfg->bNumInterfaces;
                libusb_free_config_descriptor(cfg);
            }
            for (int i = 0; i < interfaces && i < 4; ++i) {
                Entry e;
                e.description = desc;
                if (interfaces > 1) {
                    e.description += ' ';
                    e.description += static_cast<char>('A' + i);
                }
                e.serial = serial;
                e.device = libusb_ref_device(d->dev);
                e.interface = i;
                entries_.push_back(std::move(e));
            }
        }
    }
    if (list) ftdi_list_free(&list);
    ftdi_free(ftdi);
}

bool FtdiDriver::count(uint32_t& n)
{
    refresh();
    n = static_cast<uint32_t>(entries_.size());
    return true;
}

bool FtdiDriver::description(uint32_t index, char out[64])
{
    if (!listed_) refresh();
    if (index >= entries_.size()) return false;
    std::memset(out, 0, 64);
    std::strncpy(out, entries_[index].description.c_str(), 63);
    return true;
}

std::unique_ptr<Port> FtdiDriver::openByDescription(const char* description, std::string& problem)
{
    if (!listed_) refresh();
    for (auto& e : entries_) {
        if (e.description != description) continue;
        ftdi_context* ftdi = ftdi_new();
        if (!ftdi) return nullptr;
        ftdi->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
        ftdi_set_interface(ftdi, static_cast<ftdi_interface>(INTERFACE_A + e.interface));
        int rc = ftdi_usb_open_dev(ftdi, static_cast<libusb_device*>(e.device));
        if (rc < 0) {
            problem = std::string("USB device \"") + description + "\": " + ftdi_get_error_string(ftdi);
            if (rc == -8 || std::strstr(ftdi_get_error_string(ftdi), "ermission"))
                problem += " (install the udev rules from contrib/ and plug the unit in again)";
            ftdi_free(ftdi);
            continue;
        }
        ftdi_set_latency_timer(ftdi, 2);
        ftdi_tciflush(ftdi);
        return std::make_unique<FtdiPort>(ftdi, e.description, e.serial);
    }
    return nullptr;
}

}  // namespace qmr::link
