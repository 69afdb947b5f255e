// The production records' cost beside the cycle they serve:
// - a serial-number EPV cycle on the simulated unit at its realistic pace
//   (qmr serial epv, as a station runs it for each device);
// - one number drawn and its result recorded (two committed transactions),
//   on an SQLite file and on a PostgreSQL server (Debian's, with fsync on),
//   by 1 and by 8 stations, each with its own connection:
//   - as fast as they can: draws a second (all stations), and how many
//     stations at the cycle's pace that would serve;
//   - at the pace of the cycle (a draw, the cycle's length, the record):
//     share_of_cycle, one station's wait for its records over the cycle's
//     length (the goal: under 1 %);
// - opening the records, as each qmr invocation does, as a share of a cycle.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "records/ledger.h"
#include "scratch.h"
#include "support/pgserver.h"
#include "support/stockedunit.h"

namespace {

double g_cycleSeconds = 0;
std::string g_sqlite, g_postgres;

double now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

int runQmr(std::vector<std::string> args)
{
    args.insert(args.begin(), "qmr");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    FILE* sink = std::fopen("/dev/null", "w");
    int rc = qmr::cli::runCli(int(argv.size()), argv.data(), sink, sink);
    std::fclose(sink);
    return rc;
}

void BM_SerialEpvCycle(benchmark::State& state)
{
    qmr::app::resetSimulatedUnit([](qmr::sim::Config& c) { c.paceBytesPerMs = 200; });
    qmr::app::stockSimulatedUnit(QM_EXAMPLES_DIR, "class1.prs", "demo.set", 0x1000);
    double wall = 0;
    uint32_t n = 0;
    for (auto _ : state) {
        char start[16];
        std::snprintf(start, sizeof start, "%x", ++n);
        const double t0 = now();
        if (runQmr({"serial", "epv", "--address", "20", "--size", "4", "--start", start}) != 0) {
            state.SkipWithError("the serial-number EPV failed");
            return;
        }
        wall += now() - t0;
    }
    g_cycleSeconds = wall / double(state.iterations());
    state.counters["cycle_ms"] = g_cycleSeconds * 1000;
}

const qmr::records::Station kWho{"bench", "QMSIM0001"};

// One station: draws a number and records its result, as a cycle does; at
// the cycle's pace the cycle's length passes between the two.
void drawAndRecord(benchmark::State& state, const std::string& where, bool atCyclePace)
{
    std::unique_ptr<qmr::records::Ledger> l;
    try {
        l = qmr::records::Ledger::open(where, false);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    const qmr::records::Station who{"station-" + std::to_string(state.thread_index()), "QMSIM0001"};
    double records = 0;
    bool first = true;
    for (auto _ : state) {
        // Stations run their cycles out of step: each starts at its own point of the cycle.
        if (atCyclePace && first && state.threads() > 1) {
            const double phase = g_cycleSeconds * double(state.thread_index()) / double(state.threads());
            const timespec t{time_t(phase), long((phase - double(time_t(phase))) * 1e9)};
            nanosleep(&t, nullptr);
        }
        first = false;
        const double t0 = now();
        auto d = l->reserve("bench", {1}, who);
        const double t1 = now();
        if (atCyclePace) {
            const timespec cycle{time_t(g_cycleSeconds), long((g_cycleSeconds - double(time_t(g_cycleSeconds))) * 1e9)};
            nanosleep(&cycle, nullptr);
        }
        const double t2 = now();
        l->record({{1, "serial epv", true, 0, "", "AAB43F21", "blinky.hex", "DEMO", d.at(0).id}}, who);
        records += (t1 - t0) + (now() - t2);
    }
    const double perCycle = records / double(state.iterations());
    state.counters["wait_ms"] = benchmark::Counter(perCycle * 1000, benchmark::Counter::kAvgThreads);
    if (atCyclePace) {
        if (g_cycleSeconds > 0)
            state.counters["share_of_cycle"] = benchmark::Counter(perCycle / g_cycleSeconds, benchmark::Counter::kAvgThreads);
    } else {
        state.SetItemsProcessed(state.iterations());
        // Stations drawing once a cycle that these draws a second would serve.
        state.counters["stations_served"] =
            benchmark::Counter(double(state.iterations()) * g_cycleSeconds, benchmark::Counter::kIsRate);
    }
}

void BM_DrawSqlite(benchmark::State& state) { drawAndRecord(state, g_sqlite, false); }
void BM_DrawSqliteAtCyclePace(benchmark::State& state) { drawAndRecord(state, g_sqlite, true); }
void BM_DrawPostgres(benchmark::State& state)
{
    if (g_postgres.empty()) state.SkipWithError("no PostgreSQL server");
    else drawAndRecord(state, g_postgres, false);
}
void BM_DrawPostgresAtCyclePace(benchmark::State& state)
{
    if (g_postgres.empty()) state.SkipWithError("no PostgreSQL server");
    else drawAndRecord(state, g_postgres, true);
}

// What each qmr invocation adds: opening the records (and the schema check).
void openRecords(benchmark::State& state, const std::string& where)
{
    double wall = 0;
    for (auto _ : state) {
        const double t0 = now();
        auto l = qmr::records::Ledger::open(where, false);
        benchmark::DoNotOptimize(l->series("bench"));
        wall += now() - t0;
    }
    if (g_cycleSeconds > 0) state.counters["share_of_cycle"] = wall / double(state.iterations()) / g_cycleSeconds;
}
void BM_OpenSqlite(benchmark::State& state) { openRecords(state, g_sqlite); }
void BM_OpenPostgres(benchmark::State& state)
{
    if (g_postgres.empty()) {
        state.SkipWithError("no PostgreSQL server");
        return;
    }
    openRecords(state, g_postgres);
}

}  // namespace

BENCHMARK(BM_SerialEpvCycle)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DrawSqlite)->Unit(benchmark::kMicrosecond)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_DrawPostgres)->Unit(benchmark::kMicrosecond)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_DrawSqliteAtCyclePace)->Unit(benchmark::kMillisecond)->Iterations(12)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_DrawPostgresAtCyclePace)->Unit(benchmark::kMillisecond)->Iterations(12)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_OpenSqlite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenPostgres)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    setenv("QMR_LINK", "sim", 1);
    setenv("QMR_SIM_DIR", "", 1);
    setenv("QMR_SIM_PACE", "realistic", 1);
    qmrtest::Scratch folder;
    // The SQLite file on the disk the benchmark runs from; the server keeps fsync on.
    g_sqlite = folder.at("records.db");
    qmrtest::PgServer server(true);
    if (server.running()) g_postgres = server.createDatabase();
    else std::fprintf(stderr, "no PostgreSQL server: %s\n", server.why().c_str());
    for (const std::string& where : {g_sqlite, g_postgres}) {
        if (where.empty()) continue;
        auto l = qmr::records::Ledger::open(where, true);
        l->createSeries({"bench", 0x20, 8, 1});
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
