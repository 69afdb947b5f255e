#include "link/sim/sim_driver.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <thread>
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

// Bytes a millisecond of a modelled link (QMR_SIM_LINK_BYTES_PER_MS, or
// 1500 for QMR_SIM_PACE=realistic, about 12 Mbit/s); 0 = no modelled pace.
uint32_t linkPace()
{
    if (const char* v = std::getenv("QMR_SIM_LINK_BYTES_PER_MS")) return static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
    const char* p = std::getenv("QMR_SIM_PACE");
    return p && std::strcmp(p, "realistic") == 0 ? 1500 : 0;
}

class SimPort : public Port {
public:
    bool write(const uint8_t* data, uint32_t n, uint32_t& written, uint64_t) override
    {
        written = 0;
        auto& h = host();
        {
            std::lock_guard<std::mutex> g(h.mutex);
            if (interrupted_ || h.device->unplugged()) return false;
            h.device->hostWrite(data, n);
        }
        h.cv.notify_all();
        written = n;
        spend(n);
        return true;
    }

    bool read(uint8_t* data, uint32_t n, uint32_t& got, uint64_t deadlineMs) override
    {
        got = 0;
        auto& h = host();
        std::unique_lock<std::mutex> g(h.mutex);
        for (;;) {
            if (interrupted_ || h.device->unplugged()) return false;
            got = static_cast<uint32_t>(h.device->hostRead(data, n));
            if (got) {
                g.unlock();
                spend(got);
                return true;
            }
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

    void dropReceived() override { purgeReceive(); }

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
    // Models the link's transfer time: sleeps once enough time has built up.
    void spend(uint32_t bytes)
    {
        if (!pace_) return;
        debtUs_ += uint64_t(bytes) * 1000 / pace_;
        if (debtUs_ >= 2000) {
            std::this_thread::sleep_for(std::chrono::microseconds(debtUs_));
            debtUs_ = 0;
        }
    }
    bool interrupted_ = false;  // guarded by the host's mutex
    uint32_t pace_ = linkPace();
    uint64_t debtUs_ = 0;
};

}  // namespace

sim::Config defaultSimConfig()
{
    sim::Config c;
    c.storeDir = sim::defaultStoreDir();
    const char* pace = std::getenv("QMR_SIM_PACE");
    if (pace && std::strcmp(pace, "realistic") == 0) c.paceBytesPerMs = 200;
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
