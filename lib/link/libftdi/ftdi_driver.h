// Units reached through libftdi1 (libusb), detaching ftdi_sio while open.
#pragma once

#include <string>
#include <vector>

#include "link/driver.h"

namespace qmr::link {

class FtdiDriver : public Driver {
public:
    FtdiDriver();
    ~FtdiDriver() override;
    bool count(uint32_t& n) override;
    bool description(uint32_t index, char out[64]) override;
    std::unique_ptr<Port> openByDescription(const char* description, std::string& problem) override;

private:
    struct Entry {
        std::string description;
        std::string serial;
        void* device;   // libusb_device*, referenced
        int interface;  // 0 = A, 1 = B ...
    };
    void refresh();
    void release();
    std::vector<Entry> entries_;
    bool listed_ = false;
};

}  // namespace qmr::link
