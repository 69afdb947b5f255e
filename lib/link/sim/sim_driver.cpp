#include "link/sim/sim_driver.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "platform/platform.h"

namespace qmr::link {

namespace {

struct SimHost {
    std::mutex mutex;
    std::condition_variable cv;
    std::unique_ptr<sim::Device> device;
    SimHost() : device(std::make_unique<sim::Device>(defaultSimConfig())) {}
};

SimHost& host()
{
    static SimHost h;
    return h;
}

class SimPort : public Port {
public:
    bool write(const uint8_t* data, uint32_t n, uint32_t& written) override
    {
        written = 0;
        auto& h = host();
        {
            std::lock_guard<std::mutex> g(h.mutex);
            if (interrupted_) return false;
            h.device->hostWrite(data, n);
        }
        h.cv.notify_all();
        written = n;
        return true;
    }

    bool read(uint8_t* data, uint32_t n, uint32_t& got, uint64_t deadlineMs) override
    {
        got = 0;
        auto& h = host();
        std::unique_lock<std::mutex> g(h.mutex);
        for (;;) {
            if (interrupted_) return false;
            got = static_cast<uint32_t>(h.device->hostRead(data, n));
            if (got) return true;
            uint64_t now = platform::tickMs();
            if (now >= deadlineMs) return true;
            h.cv.wait_for(g, std::chrono::milliseconds(deadlineMs - now));
        }
    }

    bool info(DeviceInfo& out) override
    {
        auto& h = host();
        std::lock_guard<std::mutex> g(h.mutex);
        out = DeviceInfo{};
        std::strncpy(out.serial, h.device->config().serial.c_str(), sizeof out.serial - 1);
        std::strncpy(out.description, h.device->description(), sizeof out.description - 1);
        return true;
    }

    bool purgeReceive() override
    {
        auto& h = host();
        std::lock_guard<std::mutex> g(h.mutex);
        h.device->clearOutput();
        return true;
    }

    void interrupt() override
    {
        auto& h = host();
        {
            std::lock_guard<std::mutex> g(h.mutex);
            interrupted_ = true;
        }
        h.cv.notify_all();
    }

private:
    bool interrupted_ = false;  // guarded by the host's mutex
};

}  // namespace

sim::Config defaultSimConfig()
{
    sim::Config c;
#ifdef QMR_GANG
    c.gang = true;
#else
    c.gang = false;
#endif
    return c;
}

bool SimDriver::count(uint32_t& n)
{
    n = 1;
    return true;
}

bool SimDriver::description(uint32_t index, char out[64])
{
    if (index != 0) return false;
    auto& h = host();
    std::lock_guard<std::mutex> g(h.mutex);
    std::memset(out, 0, 64);
    std::strncpy(out, h.device->description(), 63);
    return true;
}

std::unique_ptr<Port> SimDriver::openByDescription(const char* description, std::string&)
{
    char mine[64];
    if (!this->description(0, mine) || std::strcmp(mine, description) != 0) return nullptr;
    return std::make_unique<SimPort>();
}

void withSimDevice(const std::function<void(sim::Device&)>& fn)
{
    auto& h = host();
    {
        std::lock_guard<std::mutex> g(h.mutex);
        fn(*h.device);
    }
    h.cv.notify_all();
}

void resetSimDevice(const sim::Config& config)
{
    auto& h = host();
    std::lock_guard<std::mutex> g(h.mutex);
    h.device = std::make_unique<sim::Device>(config);
}

}  // namespace qmr::link
