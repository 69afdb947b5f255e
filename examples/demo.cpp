// qm-demo: opens the unit (by default the simulated one), resets the link,
// runs the start command and prints every progress record.  Built against
// qmrctl as qm-demo and against qmrmulti as qm-demo-gang.
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "qmr.h"

namespace {

// A notify target that counts the library's announcements; the main thread
// answers each with one QMRFlshGetProg, as a window would.
struct Window {
    QmrWindow base;
    std::mutex mutex;
    std::condition_variable cv;
    int pending = 0;
};

void onPost(QmrWindow* self, uint32_t, uintptr_t, intptr_t)
{
    auto* w = reinterpret_cast<Window*>(self);
    {
        std::lock_guard<std::mutex> g(w->mutex);
        ++w->pending;
    }
    w->cv.notify_one();
}

// Prints records until one ends the command; returns its code.
int follow(Window& w, FlshContext* ctx, bool (*isFinal)(const ProgressRecord*))
{
    for (;;) {
        {
            std::unique_lock<std::mutex> g(w.mutex);
            if (!w.cv.wait_for(g, std::chrono::seconds(30), [&] { return w.pending > 0; })) {
                std::fprintf(stderr, "qm-demo: no answer from the library\n");
                return -1;
            }
            --w.pending;
        }
        const ProgressRecord* r = QMRFlshGetProg(ctx);
        std::printf("[%3d%%] %-28s %s%s", r->percent, r->title, r->text, r->code ? "" : "\n");
        if (r->code) std::printf("  (code %d)\n", r->code);
        if (r->code || isFinal(r)) return r->code;
    }
}

bool resetDone(const ProgressRecord* r) { return std::strcmp(r->text, "RESET Command Completion") == 0; }
bool initDone(const ProgressRecord* r)
{
    return r->done == 0 && std::strcmp(r->text, "Initialization Completion") == 0;
}

}  // namespace

int main()
{
    if (!std::getenv("QMR_LINK")) setenv("QMR_LINK", "sim", 0);
    std::printf("library version %d, link %s\n", QMRGetVersion(), std::getenv("QMR_LINK"));
    Window w;
    w.base.post = onPost;
    FlshContext* ctx = QMRFlshOpen(&w.base, QMR_MSG_PROGRESS, nullptr);
    if (!ctx) {
        std::fprintf(stderr, "qm-demo: cannot open a library context\n");
        return 1;
    }
    ctx->english = 1;
    ResetParams params{};
    ctx->tagA = 1;
    QMRFlshReset(ctx, &params, 0);
    int rc = follow(w, ctx, resetDone);
    if (rc == 0) {
        ctx->tagA = 2;
        QMRStartCmd(ctx, 0);
        rc = follow(w, ctx, initDone);
    }
    if (rc == 0) {
        std::printf("unit: image \"%s\", firmware %X.%02X build %u, default setting %s\n", ctx->systemText,
                    qmr_info_version(ctx, 0) >> 8, qmr_info_version(ctx, 0) & 0xFF,
                    qmr_be16(&ctx->unitInfo[21]), ctx->settingsNumberValid ? "stored" : "none");
    }
    QMRFlshClose(ctx);
    return rc == 0 ? 0 : 1;
}
