// The image loader from QMRHexOpen to its posted record, for an 8 MB image
// in Intel HEX and in S3 records (goal: at least 4 GB/s of text), and the
// CRC-32 forms over 8 MB, each beside the slicing-by-8 tables the library
// used before (goal: at least 15 times as fast).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "checks/crc32.h"
#include "crc32_slicing.h"
#include "imagegen.h"
#include "notify.h"
#include "qmr/qmr.h"

namespace {

struct Files {
    std::string dir, hex, srec;
    size_t hexBytes = 0, srecBytes = 0;
    Files()
    {
        char t[] = "/tmp/qmr-bench-XXXXXX";
        dir = mkdtemp(t);
        auto img = qmrbench::imageBytes(0x800000);
        std::string h = qmrbench::intelHex(img), s = qmrbench::sRecords(img);
        hex = dir + "/image.hex";
        srec = dir + "/image.s";
        hexBytes = h.size();
        srecBytes = s.size();
        qmrbench::writeFile(hex, h);
        qmrbench::writeFile(srec, s);
    }
    ~Files()
    {
        std::remove(hex.c_str());
        std::remove(srec.c_str());
        rmdir(dir.c_str());
    }
};
Files& files()
{
    static Files f;
    return f;
}


void load(benchmark::State& state, const std::string& path, size_t bytes)
{
    qmrbench::Window w;
    for (auto _ : state) {
        HexContext* h = QMRHexOpen(path.c_str(), &w.base, QMR_MSG_HEXLOADED, nullptr, 0, 0);
        w.wait();
        if (QMRHexGetProg(h)->result != 0) state.SkipWithError("load failed");
        state.PauseTiming();
        QMRHexClose(h);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["text_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["ratio_to_goal_4GBps"] = benchmark::Counter(double(bytes) / 4e9, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_LoadIntelHex8MB(benchmark::State& s) { load(s, files().hex, files().hexBytes); }
void BM_LoadSRecords8MB(benchmark::State& s) { load(s, files().srec, files().srecBytes); }
BENCHMARK(BM_LoadIntelHex8MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_LoadSRecords8MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

double seconds(uint32_t (*crc)(const uint8_t*, size_t), const std::vector<uint8_t>& img, int reps)
{
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i) benchmark::DoNotOptimize(crc(img.data(), img.size()));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The library's form (ISA-L), with its speed-up over the old tables measured in the same run.
template <uint32_t (*Crc)(const uint8_t*, size_t), uint32_t (*Old)(const uint8_t*, size_t)>
void crc(benchmark::State& state)
{
    static const auto img = qmrbench::imageBytes(0x800000);
    if (Crc(img.data(), img.size()) != Old(img.data(), img.size())) state.SkipWithError("the CRCs differ");
    for (auto _ : state) benchmark::DoNotOptimize(Crc(img.data(), img.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * img.size()));
    const double ours = seconds(Crc, img, 40), old = seconds(Old, img, 4) * 10;
    state.counters["speedup_vs_slicing8"] = old / ours;
    state.counters["ratio_to_goal_15x"] = old / ours / 15.0;
}
BENCHMARK(crc<qmr::checks::crc32Bzip2, qmrbench::slicing8::crc32Bzip2>)->Name("BM_Crc32Bzip2_8MB")->Unit(benchmark::kMicrosecond);
BENCHMARK(crc<qmr::checks::crc32Mpeg2, qmrbench::slicing8::crc32Mpeg2>)->Name("BM_Crc32Mpeg2_8MB")->Unit(benchmark::kMicrosecond);
BENCHMARK(crc<qmr::checks::crc32Zip, qmrbench::slicing8::crc32Zip>)->Name("BM_Crc32Zip_8MB")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
