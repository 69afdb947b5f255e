// Work split across the processors: part 0 on the calling thread, the others
// on threads of their own, all at once.  Where no thread can be had the
// calling thread runs the parts left over after its own: slower, never lost.
#pragma once

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace qmr::files {

// How many parts a job of n bytes is worth: one per processor, each at least minBytes.
inline unsigned partsFor(size_t n, size_t minBytes, unsigned wanted = 0)
{
    unsigned parts = wanted ? wanted : std::max(1u, std::thread::hardware_concurrency());
    parts = std::min(parts, 16u);
    const size_t most = n / std::max<size_t>(minBytes, 1);
    return most < parts ? static_cast<unsigned>(std::max<size_t>(most, 1)) : parts;
}

// Runs f(0) .. f(count - 1); returns when all have.  f must not throw.
template <typename F>
void runInParts(size_t count, const F& f)
{
    std::vector<std::thread> helpers;
    size_t started = 1;
    try {
        helpers.reserve(count);
        for (; started < count; ++started) helpers.emplace_back([&f, k = started] { f(k); });
    } catch (...) {
        // No more threads (or no memory for them): the rest run here.
    }
    if (count) f(0);
    for (auto& t : helpers) t.join();
    for (size_t k = started; k < count; ++k) f(k);
}

}  // namespace qmr::files
