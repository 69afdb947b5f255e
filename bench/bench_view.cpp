// QM's main view, offscreen, on the in-process simulated unit:
// - the view's cost per progress record: fetching it, the status line, the
//   progress bar and the log line, with the trace on and 10 000 lines already
//   in the pane (goal: at least 5000 records a second);
// - the time from building the window to "Initialization Completion", with
//   the start-up wait of 500 ms left out.
// Each reports its ratio to its goal or wait as a counter.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <vector>

#include "support/eventwait.h"
#include "checks/crc32.h"
#include "link/sim/sim_driver.h"
#include "qm/cqmqmrview.h"
#include "support/stockedunit.h"
#include "qt/mainframe.h"

using namespace qmr::app;

namespace {

bool waitUntil(const std::function<bool()>& cond, int ms = 20000) { return processEventsUntil(cond, ms); }

void prepareUnit()
{
    resetSimulatedUnit();
    stockSimulatedUnit(QM_EXAMPLES_DIR, "class1.prs", "demo.set", 0x1000);
}

struct Program {
    CMainFrame* frame = nullptr;
    CQMQMRView* view = nullptr;
    Program()
    {
        QmLogic::Options o;
        o.startupWaitMs = 0;  // the start-up wait is left out
        frame = makeQmFrame();
        view = new CQMQMRView(frame, o);
        view->traceBox()->setChecked(true);
        frame->show();
        view->logic().start();
    }
    bool started()
    {
        return waitUntil([&] { return view->logic().idle() && view->logic().deviceReady(); });
    }
    ~Program()
    {
        frame->closeWithoutAsking();
        delete frame;
    }
};

void BM_ViewPerRecord(benchmark::State& state)
{
    prepareUnit();
    Program p;
    if (!p.started()) {
        state.SkipWithError("the start command did not finish");
        return;
    }
    for (int i = 0; i < 10000; ++i) p.view->appendLog(QStringLiteral("Initialization prm name upload Completion  %1 msec").arg(i));
    FlshContext* ctx = p.view->logic().context();
    const int batch = 500;  // the ring holds 1000: a batch is never overwritten
    int64_t records = 0;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        int32_t before = ctx->ringRead;
        ResetParams none{};
        // The worker appends all of them before the view takes any (one at a
        // time: a reset that arrives while one runs is dropped).
        for (int i = 0; i < batch; ++i) {
            QMRFlshReset(ctx, &none, 0);
            QElapsedTimer t;
            t.start();
            while (((ctx->ringWrite - before + QMR_RING_SIZE) % QMR_RING_SIZE) <= i && t.elapsed() < 5000) QThread::usleep(20);
        }
        state.ResumeTiming();
        QElapsedTimer handled;
        handled.start();
        waitUntil([&] { return ((ctx->ringRead - before + QMR_RING_SIZE) % QMR_RING_SIZE) == batch; });
        seconds += double(handled.nsecsElapsed()) / 1e9;
        records += batch;
    }
    state.SetItemsProcessed(records);
    state.counters["records_per_s"] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
    state.counters["ratio_to_goal_5000_per_s"] = seconds > 0 ? double(records) / seconds / 5000.0 : 0;
    state.counters["pane_lines"] = double(p.view->logPane()->blockCount());
}

void BM_LaunchToInitialized(benchmark::State& state)
{
    prepareUnit();
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        {
            Program p;
            if (!p.started()) {
                state.SkipWithError("the start command did not finish");
                return;
            }
            total += double(t.nsecsElapsed()) / 1e6;
            ++n;
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    state.counters["ms_per_launch"] = n ? total / n : 0;
    state.counters["ratio_to_500ms_wait"] = n ? total / n / 500.0 : 0;
}

}  // namespace

BENCHMARK(BM_ViewPerRecord)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_LaunchToInitialized)->Unit(benchmark::kMillisecond)->Iterations(20);

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
