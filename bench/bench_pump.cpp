// What keeping the window usable costs during a run: one 400 x 300 picture
// with 1000 iterations, drawn by the desktop program with its event pump
// off, with the pump as the program uses it (events handled every few
// milliseconds), and with events handled after every pixel.
//
// Times are the processor time of the program's thread, so that other
// programs on a busy machine do not count. pump_share_% is the share of a
// run's time spent handling events plus reading the clock on every pixel;
// the Compare benchmark alternates runs without the pump, with it, and with
// only its clock readings, and gives the whole difference.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "main_window.hpp"
#include "window_bench_main.hpp"

namespace {

using namespace velmora;

struct Desktop : bench::WindowProgram {
    Desktop() {
        // The window's thread computes too, as it did before the columns
        // moved to threads of their own: its processor time then holds the
        // whole run, and what pumping adds to it is what these measure.
        program.driver().setCommitterComputes(true);
        program.driver().setThreads(1);
        program.actions().Mandelbrot();
        ParameterTexts& t = program.state().texts;
        t.setText(TextField::siz, "400");
        t.setText(TextField::miter, "1000");
        t.setText(TextField::Rang, "3");
        t.setText(TextField::xce, "-0.5");
        QCoreApplication::processEvents();
    }
};

// Made on first use and gone before the application object.
std::unique_ptr<Desktop> theDesktop;

Desktop& TheDesktop() {
    if (!theDesktop) theDesktop = std::make_unique<Desktop>();
    return *theDesktop;
}

enum PumpMode { kOff = 0, kThrottled = 1, kEveryPixel = 2 };

void SetMode(WindowHost& host, PumpMode mode) {
    host.setPumpEnabled(mode != kOff);
    host.setPumpInterval(mode == kEveryPixel ? std::chrono::nanoseconds(0)
                                             : std::chrono::nanoseconds(WindowHost::kDefaultPumpInterval));
}

// One run; returns the thread's processor time for it.
int64_t TimedRun(Desktop& d) {
    const int64_t start = ThreadCpuNanoseconds();
    d.program.driver().Runclick();
    benchmark::DoNotOptimize(d.program.state().buffer.bytes.data());
    return ThreadCpuNanoseconds() - start;
}

// The cost of one clock reading, as the pump makes it on every pixel.
double ClockReadingNanoseconds() {
    QElapsedTimer timer;
    timer.start();
    int64_t sink = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000000; ++i) sink += timer.nsecsElapsed() & 1;
    benchmark::DoNotOptimize(sink);
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / 1e6;
}

void BM_RunWithPump(benchmark::State& state) {
    Desktop& d = TheDesktop();
    WindowHost& host = d.program.host();
    const auto mode = static_cast<PumpMode>(state.range(0));
    SetMode(host, mode);
    host.resetPumpStatistics();
    int64_t runCpu = 0;
    for (auto _ : state) runCpu += TimedRun(d);
    const WindowHost::PumpStatistics& stats = host.pumpStatistics();
    const double runs = static_cast<double>(state.iterations());
    const double checks = static_cast<double>(stats.calls) * ClockReadingNanoseconds();
    const double pumpCpu = static_cast<double>(stats.cpuNanosecondsPumping) + checks;
    state.counters["run_cpu_ms"] = static_cast<double>(runCpu) * 1e-6 / runs;
    state.counters["pumps/run"] = static_cast<double>(stats.pumps) / runs;
    state.counters["pump_cpu_ms/run"] = pumpCpu * 1e-6 / runs;
    state.counters["pump_share_%"] = runCpu > 0 ? 100.0 * pumpCpu / static_cast<double>(runCpu) : 0.0;
    state.counters["longest_pump_ms"] = static_cast<double>(stats.longestPump) * 1e-6;
    state.counters["longest_wait_ms"] = static_cast<double>(stats.longestWait) * 1e-6;
    SetMode(host, kThrottled);
}
BENCHMARK(BM_RunWithPump)
    ->ArgName("mode")
    ->Arg(kOff)
    ->Arg(kThrottled)
    ->Arg(kEveryPixel)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Runs without the pump, with it, and with its clock readings only, in turn,
// so that a change in the machine's load falls on all alike.
void BM_CompareOffAndThrottled(benchmark::State& state) {
    Desktop& d = TheDesktop();
    WindowHost& host = d.program.host();
    int64_t off = 0, on = 0, clockOnly = 0;
    for (auto _ : state) {
        SetMode(host, kOff);
        off += TimedRun(d);
        SetMode(host, kThrottled);
        on += TimedRun(d);
        host.setPumpInterval(std::chrono::hours(1));
        clockOnly += TimedRun(d);
    }
    state.counters["clock_only_cpu_ms"] = static_cast<double>(clockOnly) * 1e-6 / static_cast<double>(state.iterations());
    state.counters["off_cpu_ms"] = static_cast<double>(off) * 1e-6 / static_cast<double>(state.iterations());
    state.counters["on_cpu_ms"] = static_cast<double>(on) * 1e-6 / static_cast<double>(state.iterations());
    state.counters["overhead_%"] = on > 0 ? 100.0 * static_cast<double>(on - off) / static_cast<double>(on) : 0.0;
}
BENCHMARK(BM_CompareOffAndThrottled)->Unit(benchmark::kMillisecond)->Iterations(6);

void BM_Interval(benchmark::State& state) {
    Desktop& d = TheDesktop();
    WindowHost& host = d.program.host();
    host.setPumpEnabled(true);
    host.setPumpInterval(std::chrono::milliseconds(state.range(0)));
    host.resetPumpStatistics();
    int64_t runCpu = 0;
    for (auto _ : state) runCpu += TimedRun(d);
    const WindowHost::PumpStatistics& stats = host.pumpStatistics();
    state.counters["run_cpu_ms"] = static_cast<double>(runCpu) * 1e-6 / static_cast<double>(state.iterations());
    state.counters["pump_cpu_ms/run"] = static_cast<double>(stats.cpuNanosecondsPumping) * 1e-6 / static_cast<double>(state.iterations());
    state.counters["pumps/run"] = static_cast<double>(stats.pumps) / static_cast<double>(state.iterations());
    SetMode(host, kThrottled);
}
BENCHMARK(BM_Interval)->Arg(5)->Arg(10)->Arg(16)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace

int main(int argc, char** argv) { return velmora::bench::RunWindowBenchmarks(argc, argv, theDesktop); }
