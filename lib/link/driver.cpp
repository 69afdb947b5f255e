#include "link/driver.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "link/sim/sim_driver.h"
#include "link/tty/tty_driver.h"
#ifdef QMR_HAVE_LIBFTDI
#include "link/libftdi/ftdi_driver.h"
#endif

namespace qmr::link {

const char* unitDescription()
{
#ifdef QMR_GANG
    return "Brennagrove Quill GANG-01";
#else
    return "Brennagrove Quillmarker-01";
#endif
}

bool CompositeDriver::count(uint32_t& n)
{
    n = 0;
    for (auto& p : parts_) {
        uint32_t k = 0;
        if (p->count(k)) n += k;
    }
    return true;
}

bool CompositeDriver::description(uint32_t index, char out[64])
{
    for (auto& p : parts_) {
        uint32_t k = 0;
        if (!p->count(k)) continue;
        if (index < k) return p->description(index, out);
        index -= k;
    }
    return false;
}

std::unique_ptr<Port> CompositeDriver::openByDescription(const char* description,
                                                         std::string& problem)
{
    for (auto& p : parts_) {
        auto port = p->openByDescription(description, problem);
        if (port) return port;
    }
    return nullptr;
}

std::unique_ptr<Driver> makeDriver(const char* setting, std::string& error)
{
    std::string s = setting ? setting : "";
    if (s.empty() || s == "auto") {
        auto c = std::make_unique<CompositeDriver>();
#ifdef QMR_HAVE_LIBFTDI
        c->add(std::make_unique<FtdiDriver>());
#endif
        c->add(std::make_unique<TtyDriver>("/sys", "/dev"));
        return c;
    }
    if (s == "sim") return std::make_unique<SimDriver>();
    if (s.rfind("tty:", 0) == 0) {
        if (s.size() > 4) return std::make_unique<TtyPathDriver>(s.substr(4), unitDescription());
        error = "QMR_LINK=\"" + s + "\" names no device: use tty:PATH with the unit's character device";
        return nullptr;
    }
    error = "QMR_LINK=\"" + s + "\" is not a link: use auto, sim or tty:PATH";
    return nullptr;
}

namespace {
std::atomic<DriverFactory> g_factory{nullptr};
}

void setDriverFactory(DriverFactory f) { g_factory = f; }

std::unique_ptr<Driver> currentDriver(std::string& error)
{
    if (auto f = g_factory.load()) return f(error);
    return makeDriver(std::getenv("QMR_LINK"), error);
}

}  // namespace qmr::link
