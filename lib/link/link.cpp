#include "link/link.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/platform.h"

namespace qmr::link {

namespace {

// Open ports by handle.  The worker uses a port; closing from another thread
// interrupts it first, so the handle table holds shared ownership.
struct OpenPort {
    std::shared_ptr<Port> port;
    int timeoutMs = 5000;  // read time-out, taken once when the link opens
};
struct PortTable {
    std::mutex mutex;
    std::map<int32_t, OpenPort> ports;
    int32_t next = 1;
};
PortTable& table()
{
    static PortTable t;
    return t;
}

OpenPort openPort(int32_t handle)
{
    if (handle == -1) return {};
    auto& t = table();
    std::lock_guard<std::mutex> g(t.mutex);
    auto it = t.ports.find(handle);
    return it == t.ports.end() ? OpenPort{} : it->second;
}

std::shared_ptr<Port> portOf(int32_t handle) { return openPort(handle).port; }

int32_t addPort(std::unique_ptr<Port> p)
{
    auto& t = table();
    std::lock_guard<std::mutex> g(t.mutex);
    int32_t h = t.next++;
    if (t.next <= 0) t.next = 1;
    t.ports[h] = OpenPort{std::shared_ptr<Port>(std::move(p)), readTimeoutMs()};
    return h;
}

void removePort(int32_t handle)
{
    std::shared_ptr<Port> p;
    {
        auto& t = table();
        std::lock_guard<std::mutex> g(t.mutex);
        auto it = t.ports.find(handle);
        if (it == t.ports.end()) return;
        p = std::move(it->second.port);
        t.ports.erase(it);
    }
    // The port closes when its last user lets go of it.
}

}  // namespace

size_t buildFrame(uint8_t command, const uint8_t* data, uint16_t n, uint8_t* out)
{
    out[0] = command;
    out[1] = static_cast<uint8_t>(n >> 8);
    out[2] = static_cast<uint8_t>(n);
    if (n) std::memcpy(out + 3, data, n);
    uint16_t c = crc16(out, 3u + n);
    out[3 + n] = static_cast<uint8_t>(c);
    out[4 + n] = static_cast<uint8_t>(c >> 8);
    return 5u + n;
}

int readTimeoutMs()
{
    const char* s = std::getenv("QMR_READ_TIMEOUT_MS");
    if (s && *s) {
        char* end = nullptr;
        long v = std::strtol(s, &end, 10);
        if (end && *end == 0 && v > 0 && v <= 600000) return static_cast<int>(v);
    }
    return 5000;
}

bool openLinkWith(FlshContext* ctx, Driver& driver)
{
    ctx->link = -1;
    ctx->link2 = -1;
    uint32_t n = 0;
    if (driver.count(n)) {
        const char* wanted = unitDescription();
        for (uint32_t i = 0; i < n && ctx->link == -1; ++i) {
            char desc[64] = {};
            if (!driver.description(i, desc)) continue;
            desc[63] = 0;
            // 26 characters: the gang box's description and its terminating
            // zero (an exact match), or the single unit's whole description
            // (a prefix match).
            if (strncasecmp(desc, wanted, 26) != 0) continue;
            std::string problem;
            auto port = driver.openByDescription(desc, problem);
            if (port) {
                ctx->link = addPort(std::move(port));
            } else if (!problem.empty()) {
                std::fprintf(stderr, "qmr: %s\n", problem.c_str());
            }
        }
    }
    if (ctx->link == -1) {
        closeLink(ctx);
        return false;
    }
    return true;
}

bool openLink(FlshContext* ctx)
{
    std::string error;
    auto driver = currentDriver(error);
    if (!driver) {
        std::fprintf(stderr, "qmr: %s\n", error.c_str());
        ctx->link = ctx->link2 = -1;
        return false;
    }
    return openLinkWith(ctx, *driver);
}

void closeLink(FlshContext* ctx)
{
    if (ctx->link != -1) removePort(ctx->link);
    if (ctx->link2 != -1 && ctx->link2 != ctx->link) removePort(ctx->link2);
    ctx->link = -1;
    ctx->link2 = -1;
}

void interruptLink(FlshContext* ctx)
{
    if (auto p = portOf(ctx->link)) p->interrupt();
}

bool isOpen(const FlshContext* ctx) { return ctx->link != -1; }

bool readDeviceInfo(FlshContext* ctx)
{
    auto p = portOf(ctx->link);
    if (!p) return false;
    DeviceInfo info;
    if (!p->info(info)) return false;
    std::memcpy(ctx->usbSerial, info.serial, sizeof ctx->usbSerial);
    return true;
}

void purgeReceive(FlshContext* ctx)
{
    // The abort path purges link2; only link is ever opened, so fall back to it.
    auto p = portOf(ctx->link2 != -1 ? ctx->link2 : ctx->link);
    if (p) p->purgeReceive();
}

void dropReceived(FlshContext* ctx)
{
    if (auto p = portOf(ctx->link)) p->dropReceived();
}

int send(FlshContext* ctx, const uint8_t* data, uint32_t n)
{
    OpenPort open = openPort(ctx->link);
    const auto& p = open.port;
    if (!p) return QMR_E_LINK;
    uint32_t written = 0;
    uint64_t deadline = platform::tickMs() + static_cast<uint64_t>(open.timeoutMs);
    if (!p->write(data, n, written, deadline)) return QMR_E_LINK;
    return written == n ? 0 : QMR_E_SHORTWRITE;
}

int receive(FlshContext* ctx, uint8_t* data, uint32_t n)
{
    OpenPort open = openPort(ctx->link);
    const auto& p = open.port;
    if (!p) return QMR_E_READ;
    uint64_t deadline = platform::tickMs() + static_cast<uint64_t>(open.timeoutMs);
    uint32_t have = 0;
    while (have < n) {
        uint32_t got = 0;
        if (!p->read(data + have, n - have, got, deadline)) return QMR_E_READ;
        have += got;
        if (got == 0 && platform::tickMs() >= deadline) break;
    }
    return have == n ? 0 : QMR_E_SHORTREAD;
}

int sendCommand(FlshContext* ctx, uint8_t command, const uint8_t* data, uint16_t n)
{
    uint8_t small[kFrameOverhead + 64];
    if (n <= 64) return send(ctx, small, static_cast<uint32_t>(buildFrame(command, data, n, small)));
    std::unique_ptr<uint8_t[]> big(new uint8_t[n + kFrameOverhead]);
    return send(ctx, big.get(), static_cast<uint32_t>(buildFrame(command, data, n, big.get())));
}

int sendBare(FlshContext* ctx, uint8_t command) { return send(ctx, &command, 1); }

int endCode(const FlshContext* ctx, int rc)
{
    if (rc != kRefused) return rc;
    return ctx->lastStatus == 1 ? QMR_E_SHORTREAD : ctx->lastStatus;
}

namespace {

// Reads and drops n bytes (an answer that is not the one expected).
void drain(FlshContext* ctx, uint32_t n)
{
    uint8_t sink[kBlockFrame];
    while (n) {
        uint32_t k = n < sizeof sink ? n : static_cast<uint32_t>(sizeof sink);
        if (receive(ctx, sink, k)) return;
        n -= k;
    }
}

uint16_t announced(const uint8_t head[3]) { return static_cast<uint16_t>((head[1] << 8) | head[2]); }

// The rest of a status answer after its header: the status, kept in lastStatus.
int readStatusRest(FlshContext* ctx, uint8_t& status)
{
    uint8_t rest[3];
    int rc = receive(ctx, rest, sizeof rest);
    if (rc) return rc;
    status = rest[0];
    ctx->lastStatus = status;
    return 0;
}

}  // namespace

int readStatus(FlshContext* ctx, uint8_t& status)
{
    uint8_t head[3];
    int rc = receive(ctx, head, sizeof head);
    if (rc) return rc;
    uint16_t len = announced(head);
    if (len != 1) {
        drain(ctx, len + 2u);
        return QMR_E_SHORTREAD;
    }
    return readStatusRest(ctx, status);
}

int readFixed(FlshContext* ctx, uint8_t* frame, uint32_t n)
{
    if (n < kFrameOverhead) return QMR_E_SHORTREAD;
    int rc = receive(ctx, frame, 3);
    if (rc) return rc;
    uint16_t len = announced(frame);
    if (len == n - kFrameOverhead) return receive(ctx, frame + 3, len + 2u);
    if (len == 1) {
        uint8_t status = 0;
        rc = readStatusRest(ctx, status);
        return rc ? rc : kRefused;
    }
    drain(ctx, len + 2u);
    return QMR_E_SHORTREAD;
}

int readVariable(FlshContext* ctx, uint8_t* data, uint32_t capacity, VariableAnswer& out)
{
    out = VariableAnswer{};
    uint8_t head[3];
    int rc = receive(ctx, head, sizeof head);
    if (rc) return rc;
    uint16_t len = announced(head);
    if (len == 1) {
        rc = readStatusRest(ctx, out.status);
        if (rc) return rc;
        out.isStatus = true;
        return 0;
    }
    if (len > capacity) {
        // Never let the unit's length field size a copy: read the answer
        // away so the link stays in step, and fail the command.
        drain(ctx, len + 2u);
        purgeReceive(ctx);
        return QMR_E_SHORTREAD;
    }
    if (len) {
        rc = receive(ctx, data, len);
        if (rc) return rc;
    }
    uint8_t crc[2];
    rc = receive(ctx, crc, sizeof crc);
    if (rc) return rc;
    out.length = len;
    return 0;
}

}  // namespace qmr::link
