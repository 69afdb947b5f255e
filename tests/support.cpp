#include "support.h"

#include <stdlib.h>

#include <fstream>

#include "link/link.h"
#include "platform/platform.h"

namespace qmrtest {

std::vector<std::string> texts(const std::vector<ProgressRecord>& records)
{
    std::vector<std::string> out;
    for (const auto& r : records) out.emplace_back(r.text);
    return out;
}

bool ScriptPort::write(const uint8_t* d, uint32_t n, uint32_t& w, uint64_t)
{
    std::lock_guard<std::mutex> g(s_->mutex);
    s_->fromHost.insert(s_->fromHost.end(), d, d + n);
    w = n;
    return true;
}

bool ScriptPort::read(uint8_t* d, uint32_t n, uint32_t& got, uint64_t deadline)
{
    got = 0;
    for (;;) {
        {
            std::lock_guard<std::mutex> g(s_->mutex);
            if (s_->failReads) return false;
            while (got < n && !s_->toHost.empty()) {
                d[got++] = s_->toHost.front();
                s_->toHost.pop_front();
            }
        }
        if (got || qmr::platform::tickMs() >= deadline) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool ScriptPort::info(qmr::link::DeviceInfo& out)
{
    out = qmr::link::DeviceInfo{};
    std::strncpy(out.serial, serial_.c_str(), sizeof out.serial - 1);
    return true;
}

bool ScriptPort::purgeReceive()
{
    std::lock_guard<std::mutex> g(s_->mutex);
    s_->toHost.clear();
    return true;
}

bool ScriptDriver::count(uint32_t& n)
{
    n = static_cast<uint32_t>(devices_.size());
    return true;
}

bool ScriptDriver::description(uint32_t index, char out[64])
{
    if (index >= devices_.size()) return false;
    std::memset(out, 0, 64);
    std::strncpy(out, devices_[index].description.c_str(), 63);
    return true;
}

std::unique_ptr<qmr::link::Port> ScriptDriver::openByDescription(const char* d, std::string&)
{
    for (auto& dev : devices_) {
        if (dev.description != d || !dev.opens) continue;
        opened.push_back(dev.serial);
        return std::make_unique<ScriptPort>(s_, dev.serial);
    }
    return nullptr;
}

std::vector<uint8_t> unitFrame(uint8_t command, std::vector<uint8_t> data)
{
    std::vector<uint8_t> f(data.size() + 5);
    qmr::link::buildFrame(command, data.data(), static_cast<uint16_t>(data.size()), f.data());
    return f;
}

}  // namespace qmrtest
