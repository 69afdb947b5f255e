#include "cli/unit.h"

#include <chrono>
#include <thread>

namespace qmr::cli {

namespace {
constexpr int kProgressPoll = 26;
}

bool isLinkCode(int code)
{
    return code == QMR_E_NOTFOUND || code == QMR_E_SHORTWRITE || code == QMR_E_OPEN || code == QMR_E_SHORTREAD ||
           code == QMR_E_READ || code == QMR_E_LINK;
}

Unit::Unit(Options options) : opt_(std::move(options))
{
    window_.base.post = &Unit::onPost;
    window_.self = this;
}

Unit::~Unit()
{
    if (!ctx_) return;
    if (!broken_) QMRFlshGUIQuit(ctx_);  // the worker takes it before the close
    QMRFlshClose(ctx_);
}

bool Unit::open()
{
    ctx_ = QMRFlshOpen(&window_.base, QMR_MSG_PROGRESS, nullptr);
    if (ctx_) ctx_->english = opt_.english ? 1 : 0;
    return ctx_ != nullptr;
}

void Unit::onPost(QmrWindow* self, uint32_t, uintptr_t, intptr_t)
{
    Unit* u = reinterpret_cast<Window*>(self)->self;
    {
        std::lock_guard<std::mutex> g(u->mutex_);
        ++u->pending_;
    }
    u->cv_.notify_one();
}

bool Unit::next(ProgressRecord& out)
{
    std::unique_lock<std::mutex> g(mutex_);
    if (!cv_.wait_for(g, std::chrono::milliseconds(opt_.recordTimeoutMs), [&] { return pending_ > 0; })) return false;
    --pending_;
    g.unlock();
    ProgressRecord* r = QMRFlshGetProg(ctx_);
    if (!r) return false;
    out = *r;  // the worker may reuse the ring entry
    if (opt_.onRecord) opt_.onRecord(out);
    return true;
}

Outcome Unit::run(int tagA, int (*call)(FlshContext*, int), bool deviceOperation,
                  const std::function<void(FlshContext*)>& before)
{
    Outcome o;
    ProgressRecord r{};
    ResetParams none{};
    QMRFlshReset(ctx_, &none, 0);
    // The reset's idle record.
    for (;;) {
        if (!next(r)) {
            o.timedOut = true;
            return o;
        }
        bool finished = r.percent == 100 && r.scale == 100;
        // A reset that finds no unit ends with its code (in the worker's idle state).
        if (finished && (r.state == 0 || r.code)) {
            if (r.code) {
                o.code = r.code;
                o.last = r;
                if (isLinkCode(r.code)) broken_ = true;
                return o;
            }
            break;
        }
    }
    if (before) before(ctx_);
    ctx_->tagA = tagA;
    if (deviceOperation) ctx_->tagB = tagA;
    call(ctx_, 0);
    for (;;) {
        if (!next(r)) {
            o.timedOut = true;
            return o;
        }
        bool finished = r.percent == 100 && r.scale == 100;
        if (r.state == 0) continue;  // an idle record belongs to no command of ours
        if (!finished) {
            if (deviceOperation && !o.polled) {
                o.polled = true;
                ctx_->tagA = kProgressPoll;
                QMRProgress(ctx_, 0);
            }
            continue;
        }
        if (r.code) {
            o.code = r.code;
            o.last = r;
            if (r.code == QMR_E_SHORTWRITE || r.code == QMR_E_SHORTREAD || r.code == QMR_E_READ) broken_ = true;
            return o;
        }
        if (r.done) continue;  // the first of two final records
        o.ok = true;
        o.last = r;
        return o;
    }
}

Outcome Unit::start()
{
    return run(12, QMRStartCmd, false, [](FlshContext* c) { QMRGetDeviceInfo(c, 0); });
}

HexContext* Unit::load(const std::string& path, uint32_t firmwareCheck, int& result)
{
    result = 0;
    HexContext* h = QMRHexOpen(path.c_str(), nullptr, 0, nullptr, 0, firmwareCheck);
    if (!h) return nullptr;
    while (__atomic_load_n(&h->loadState, __ATOMIC_ACQUIRE) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    HexProgressRecord* r = QMRHexGetProg(h);
    result = r ? r->result : QMR_HEX_EFILE;
    if (__atomic_load_n(&h->loadState, __ATOMIC_ACQUIRE) == 2 && result == 0) result = QMR_HEX_EFILE;
    return h;
}

}  // namespace qmr::cli
