// The in-process simulated unit (QMR_LINK=sim): the gang box in the gang
// build, the single unit otherwise.  All links of the process reach the same
// simulated device.
#pragma once

#include <functional>

#include "link/driver.h"
#include "sim/device.h"

namespace qmr::link {

class SimDriver : public Driver {
public:
    bool count(uint32_t& n) override;
    bool description(uint32_t index, char out[64]) override;
    std::unique_ptr<Port> openByDescription(const char* description, std::string& problem) override;
};

// Runs fn on the process's simulated device, serialised with the link.
void withSimDevice(const std::function<void(sim::Device&)>& fn);
// Replaces the process's simulated device (a fresh unit with this setup).
void resetSimDevice(const sim::Config& config);
sim::Config defaultSimConfig();

}  // namespace qmr::link
