// The image loader from QMRHexOpen to its posted record, for an 8 MB image
// in Intel HEX and in S3 records, and the CRC-32 forms over 8 MB.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "checks/crc32.h"
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
}

void BM_LoadIntelHex8MB(benchmark::State& s) { load(s, files().hex, files().hexBytes); }
void BM_LoadSRecords8MB(benchmark::State& s) { load(s, files().srec, files().srecBytes); }
BENCHMARK(BM_LoadIntelHex8MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_LoadSRecords8MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

template <uint32_t (*Crc)(const uint8_t*, size_t)>
void crc(benchmark::State& state)
{
    static const auto img = qmrbench::imageBytes(0x800000);
    for (auto _ : state) benchmark::DoNotOptimize(Crc(img.data(), img.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * img.size()));
}
BENCHMARK(crc<qmr::checks::crc32Bzip2>)->Name("BM_Crc32Bzip2_8MB")->Unit(benchmark::kMillisecond);
BENCHMARK(crc<qmr::checks::crc32Mpeg2>)->Name("BM_Crc32Mpeg2_8MB")->Unit(benchmark::kMillisecond);
BENCHMARK(crc<qmr::checks::crc32Zip>)->Name("BM_Crc32Zip_8MB")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
