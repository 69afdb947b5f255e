// Fuzzes the library's reading of the unit's answers: a state routine runs
// on this thread against a port that answers with the fuzz input and fails
// once it is used up.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "link/link.h"
#include "platform/platform.h"
#include "protocol/context.h"
#include "protocol/states.h"

namespace {

struct Bytes {
    const uint8_t* p;
    size_t n;
};
Bytes g_in;

class FuzzPort : public qmr::link::Port {
public:
    bool write(const uint8_t*, uint32_t n, uint32_t& w, uint64_t) override
    {
        w = n;
        return true;
    }
    bool read(uint8_t* d, uint32_t n, uint32_t& got, uint64_t) override
    {
        if (g_in.n == 0) return false;  // used up: the read fails at once
        got = n < g_in.n ? n : static_cast<uint32_t>(g_in.n);
        std::memcpy(d, g_in.p, got);
        g_in.p += got;
        g_in.n -= got;
        return true;
    }
    bool info(qmr::link::DeviceInfo& i) override
    {
        i = {};
        return true;
    }
    bool purgeReceive() override { return true; }
    void dropReceived() override {}
    void interrupt() override {}
};

class FuzzDriver : public qmr::link::Driver {
public:
    bool count(uint32_t& n) override
    {
        n = 1;
        return true;
    }
    bool description(uint32_t, char out[64]) override
    {
        std::memset(out, 0, 64);
        std::strcpy(out, qmr::link::unitDescription());
        return true;
    }
    std::unique_ptr<qmr::link::Port> openByDescription(const char*, std::string&) override
    {
        return std::make_unique<FuzzPort>();
    }
};

// Every state that has a routine in this build.
const std::vector<int>& states()
{
    static const std::vector<int> list = [] {
        std::vector<int> v;
        for (int s = 0; s <= 60; ++s)
            if (qmr::protocol::stateRoutine(s)) v.push_back(s);
        return v;
    }();
    return list;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    static FlshContext* c = [] {
        auto* x = static_cast<FlshContext*>(std::calloc(1, sizeof(FlshContext)));
        x->lock = qmr::platform::openSemaphore("FlshQmrSem", 1, 1);
        x->workerThread = new qmr::protocol::Worker;
        return x;
    }();
    static std::vector<uint8_t> image(0x800000), read(0x400000);
    // The first byte names the state when it has a routine.
    int state = qmr::protocol::stateRoutine(data[0]) ? data[0] : states()[data[0] % states().size()];
    uint8_t flags = data[1];
    g_in = {data + 2, size - 2};

    c->link = c->link2 = -1;
    FuzzDriver driver;
    qmr::link::openLinkWith(c, driver);
    c->hexImage = image.data();
    c->hexSize = (flags & 1) ? 0x10000 : 1000;
    c->uploadBuffer = image.data();
    c->readBuffer = read.data();
    c->readEnd = (flags & 2) ? 0x400000 : 3000;
    c->prm.prmFileSize = 16384;
    c->prmNameCount = flags >> 4;
    c->prmListSelection = flags & 3;
    c->settingsNumber = flags & 7;
#ifdef QMR_GANG
    for (auto& u : c->units) {
        u.active = 1;
        u.finished = 0;
        u.error = 0;
    }
    c->readUnit = flags & 15;
    c->multiDelete = flags & 1;
#endif
    qmr::protocol::workerOf(c)->poll = qmr::protocol::PollState{};
    c->state = state;
    c->busy = 1;
    // A poll re-enters while the unit says it is not done; the input bounds it.
    for (int pass = 0; c->busy && pass < 4; ++pass) {
        auto routine = qmr::protocol::stateRoutine(state);
        if (!routine || routine(c) != 0) break;
    }
    qmr::link::closeLink(c);
    return 0;
}
