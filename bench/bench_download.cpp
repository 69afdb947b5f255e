// Downloading an 8 MB image through the library into the in-process
// simulated unit with no modelled pace: the CPU time the library (and the
// simulator beside it) spends per megabyte, against the time a 12 Mbit/s
// link needs for the same bytes.
#include <benchmark/benchmark.h>

#include <time.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "checks/crc32.h"
#include "imagegen.h"
#include "notify.h"
#include "qmr/qmr.h"

namespace {

const ProgressRecord* next(qmrbench::Window& w, FlshContext* c)
{
    w.wait();
    return QMRFlshGetProg(c);
}

void BM_Download8MB(benchmark::State& state)
{
    setenv("QMR_LINK", "sim", 1);
    setenv("QMR_SIM_DIR", "", 1);
    qmrbench::Window w;
    FlshContext* c = QMRFlshOpen(&w.base, QMR_MSG_PROGRESS, nullptr);
    ResetParams p{};
    QMRFlshReset(c, &p, 0);
    next(w, c);
    static auto img = qmrbench::imageBytes(0x800000);
    c->hexImage = img.data();
    c->hexSize = static_cast<uint32_t>(img.size());
    c->hexHighest = c->hexSize - 1;
    c->hexCrc = qmr::checks::crc32Bzip2(img.data(), img.size());
    std::strcpy(c->hexFileName, "bench.hex");
    timespec t0{}, t1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t0);
    for (auto _ : state) {
        QMRHexDownLoad(c, 0);
        for (;;) {
            const ProgressRecord* r = next(w, c);
            if (r->code) {
                state.SkipWithError(r->text);
                break;
            }
            if (std::strcmp(r->text, "HEX File Download Command Completion") == 0) break;
        }
    }
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t1);
    QMRFlshClose(c);
    double cpu = double(t1.tv_sec - t0.tv_sec) + double(t1.tv_nsec - t0.tv_nsec) * 1e-9;
    double bytes = static_cast<double>(img.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(img.size()));
    // Seconds a 12 Mbit/s link needs for the frames (517 bytes per 512).
    double linkSeconds = bytes * 517.0 / 512.0 * 8.0 / 12e6;
    state.counters["link_s"] = linkSeconds;
    // The goal: below 2 % of the link's time.
    state.counters["cpu_pct_of_link"] = 100.0 * cpu / static_cast<double>(state.iterations()) / linkSeconds;
    state.counters["cpu_ms_per_MB"] = 1000.0 * cpu / static_cast<double>(state.iterations()) / (bytes / 1048576.0);
}
// Process CPU time: the worker thread does the work.
BENCHMARK(BM_Download8MB)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
