// A notify target for the benchmarks: counts posts, waits for the next one.
#pragma once

#include <condition_variable>
#include <mutex>

#include "qmr/qmr.h"

namespace qmrbench {

struct Window {
    QmrWindow base{&Window::onPost};
    std::mutex m;
    std::condition_variable cv;
    int n = 0;

    static void onPost(QmrWindow* w, uint32_t, uintptr_t, intptr_t)
    {
        auto* x = reinterpret_cast<Window*>(w);
        std::lock_guard<std::mutex> g(x->m);
        ++x->n;
        x->cv.notify_one();
    }
    void wait()
    {
        std::unique_lock<std::mutex> g(m);
        cv.wait(g, [&] { return n > 0; });
        --n;
    }
};

}  // namespace qmrbench
