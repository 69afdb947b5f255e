// The gang program's main view, offscreen, on the in-process simulated gang
// box of eight units:
// - a whole EPV cycle at once (the box answers instantly): the records the
//   view takes a second of its own thread's time, with the eight columns,
//   the status line, the bar and the log pane (goal: at least 5000 a second);
// - a whole EPV cycle at the simulated box's realistic pace: the share of
//   the cycle's time the program's window thread spends working.
// Each reports its ratio to its goal or to the cycle as a counter.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QTimer>

#include <time.h>

#include <cstdlib>

#include "gang/cqmgangview.h"
#include "qt/mainframe.h"
#include "support/stockedunit.h"

using namespace qmr::app;

namespace {

// Waits without spinning, so that the window thread's time is the view's own:
// the event loop sleeps until an event comes (a 5 ms tick looks again).
bool waitUntil(const std::function<bool()>& cond, int ms = 60000)
{
    QTimer tick;
    tick.start(5);
    QDeadlineTimer deadline(ms);
    while (!cond()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Program {
    CMainFrame* frame = nullptr;
    CQMGANGView* view = nullptr;
    Program()
    {
        GangLogic::Options o;
        o.startupWaitMs = 0;
        o.watchLongMs = 3600 * 1000;
        frame = makeGangFrame();
        view = new CQMGANGView(frame, o);
        view->traceBox()->setChecked(true);
        frame->show();
        view->logic().start();
    }
    bool started() { return waitUntil([&] { return view->logic().idle() && view->logic().deviceReady(); }); }
    // One EPV, to its end; the records it took.
    int64_t epv()
    {
        FlshContext* ctx = view->logic().context();
        int32_t before = ctx->ringRead;
        int64_t wraps = 0;
        int32_t last = before;
        view->logic().trigger(GangAction::Epv);
        waitUntil([&] {
            if (ctx->ringRead < last) ++wraps;
            last = ctx->ringRead;
            return view->logic().idle() && view->logic().units()[7].result == QStringLiteral("OK");
        });
        return wraps * QMR_RING_SIZE + ctx->ringRead - before;
    }
    ~Program()
    {
        frame->closeWithoutAsking();
        delete frame;
    }
};

void BM_GangEpvRecords(benchmark::State& state)
{
    resetSimulatedGangBox({1, 2, 3, 4, 5, 6, 7, 8});
    stockSimulatedUnit(QM_EXAMPLES_DIR, "class1.prs", "demo.set", 0x1000);
    Program p;
    if (!p.started()) {
        state.SkipWithError("the start command did not finish");
        return;
    }
    int64_t records = 0;
    double busy = 0;
    for (auto _ : state) {
        double t0 = threadSeconds();
        records += p.epv();
        busy += threadSeconds() - t0;
    }
    state.counters["records"] = double(records);
    state.counters["records_per_s"] = busy > 0 ? double(records) / busy : 0;
    state.counters["ratio_to_goal_5000_per_s"] = busy > 0 ? double(records) / busy / 5000.0 : 0;
}

void BM_GangEpvShareOfCycle(benchmark::State& state)
{
    // The box works at about the pace of real units.
    resetSimulatedGangBox({1, 2, 3, 4, 5, 6, 7, 8}, [](qmr::sim::Config& c) { c.paceBytesPerMs = 200; });
    stockSimulatedUnit(QM_EXAMPLES_DIR, "class1.prs", "demo.set", 0x1000);
    Program p;
    if (!p.started()) {
        state.SkipWithError("the start command did not finish");
        return;
    }
    double busy = 0, wall = 0;
    for (auto _ : state) {
        timespec a{}, b{};
        clock_gettime(CLOCK_MONOTONIC, &a);
        double t0 = threadSeconds();
        p.epv();
        busy += threadSeconds() - t0;
        clock_gettime(CLOCK_MONOTONIC, &b);
        wall += double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) / 1e9;
    }
    state.counters["cycle_ms"] = wall * 1000 / double(state.iterations());
    // What the program's window thread spent of the cycle (the box's work is the rest).
    state.counters["program_share_of_cycle"] = wall > 0 ? busy / wall : 0;
}

}  // namespace

BENCHMARK(BM_GangEpvRecords)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_GangEpvShareOfCycle)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QMR_LINK", "sim", 1);
    setenv("QMR_SIM_DIR", "", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
