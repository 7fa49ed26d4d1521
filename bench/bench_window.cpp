// The same picture computed in the window and by the session the
// command-line renderer drives, with the same number of threads: how much
// longer the window takes. The view is the seahorse valley of the
// Mandelbrot set, 1024 pixels wide, long enough (about three seconds on
// one thread; VELMORA_WINDOW_MITER=1500 halves it) that a run's fixed costs
// do not count.
//
// The two are run in turn, so that a change in the machine's load falls on
// both alike, and the window's run starts from its event loop, as a menu
// item starts it. Reported per thread count: the median wall time of each
// (ms), `window_vs_cli` (the median of each pair's ratio, window over
// renderer, which a load that comes and goes disturbs least),
// `cpu_window_vs_cli` (the same for the program's processor time),
// `window_cores` and `cli_cores` (processor time over wall time: on a busy
// machine, how much of the cores each side got) and the window's event
// pumps (how many, their wall and processor time, the longest time events
// waited).
//
// Without a display the window draws off screen; under an X server (see
// tests/app/run_under_xvfb.sh) it draws there. VELMORA_WINDOW_MITER sets
// the iterations (default 3000), VELMORA_WINDOW_RUNS the runs of each
// (default 5), VELMORA_WINDOW_WIDTH the width (default 1024; a small one for
// callgrind, whose counts tell the window's extra work apart from a busy
// machine's noise).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "headless_session.hpp"
#include "main_window.hpp"
#include "picture_canvas.hpp"
#include "window_bench_main.hpp"

namespace {

using namespace velmora;

int EnvInt(const char* name, int fallback) {
    const char* text = std::getenv(name);
    const int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

void SetView(ProgramState& state, ModeActions& actions) {
    actions.Mandelbrot();
    ParameterTexts& t = state.texts;
    t.setText(TextField::siz, std::to_string(EnvInt("VELMORA_WINDOW_WIDTH", 1024)));
    t.setText(TextField::miter, std::to_string(EnvInt("VELMORA_WINDOW_MITER", 3000)));
    t.setText(TextField::xce, "-0.7445");
    t.setText(TextField::yce, "0.1215");
    t.setText(TextField::Rang, "0.02");
}

struct Desktop : bench::WindowProgram {
    Desktop() {
        SetView(program.state(), program.actions());
        QCoreApplication::processEvents();
    }
};

struct Renderer {
    HeadlessSession session;
    Renderer() { SetView(session.state, session.actions); }
};

std::unique_ptr<Desktop> theDesktop;

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Processor time of the whole program (every thread) so far: on a busy
// machine it tells the work done apart from the waiting for a core.
double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Timing {
    double wall = 0, cpu = 0;
};

// A run started from the window's event loop, as its menu starts one; the
// loop goes on until the window has shown the finished picture.
Timing WindowRun(Desktop& d) {
    Timing t;
    QTimer::singleShot(0, [&] {
        const auto start = std::chrono::steady_clock::now();
        const double cpu = ProcessCpuSeconds();
        d.program.driver().Runclick();
        t = {Seconds(std::chrono::steady_clock::now() - start), ProcessCpuSeconds() - cpu};
        QCoreApplication::processEvents();
        QCoreApplication::exit(0);
    });
    QCoreApplication::exec();
    return t;
}

Timing RendererRun(Renderer& r) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = ProcessCpuSeconds();
    r.session.driver.Runclick();
    return {Seconds(std::chrono::steady_clock::now() - start), ProcessCpuSeconds() - cpu};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void BM_WindowVsRenderer(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    if (!theDesktop) theDesktop = std::make_unique<Desktop>();
    Desktop& d = *theDesktop;
    Renderer r;
    d.program.driver().setThreads(threads);
    r.session.driver.setThreads(threads);
    const int runs = EnvInt("VELMORA_WINDOW_RUNS", 5);
    std::vector<double> window, renderer, ratios, cpuRatios, windowCores, rendererCores;
    WindowHost& host = d.program.host();
    for (auto _ : state) {
        // One run of each first, unmeasured, so that both start warm.
        WindowRun(d);
        RendererRun(r);
        host.resetPumpStatistics();
        for (int i = 0; i < runs; ++i) {
            const Timing c = RendererRun(r), w = WindowRun(d);
            renderer.push_back(c.wall);
            window.push_back(w.wall);
            ratios.push_back(w.wall / c.wall);
            cpuRatios.push_back(w.cpu / c.cpu);
            windowCores.push_back(w.cpu / w.wall);
            rendererCores.push_back(c.cpu / c.wall);
        }
        state.SetIterationTime(Median(window));
    }
    if (d.program.state().buffer.bytes != r.session.state.buffer.bytes) {
        state.SkipWithError("the window's picture differs from the renderer's");
        return;
    }
    const double w = Median(window), c = Median(renderer);
    const WindowHost::PumpStatistics& stats = host.pumpStatistics();
    state.counters["window_ms"] = w * 1e3;
    state.counters["cli_ms"] = c * 1e3;
    state.counters["window_vs_cli"] = Median(ratios);
    state.counters["cpu_window_vs_cli"] = Median(cpuRatios);
    // Cores kept busy on average (processor time over wall time).
    state.counters["window_cores"] = Median(windowCores);
    state.counters["cli_cores"] = Median(rendererCores);
    state.counters["pumps/run"] = static_cast<double>(stats.pumps) / runs;
    state.counters["pump_ms/run"] = static_cast<double>(stats.nanosecondsPumping) * 1e-6 / runs;
    state.counters["pump_cpu_ms/run"] = static_cast<double>(stats.cpuNanosecondsPumping) * 1e-6 / runs;
    state.counters["longest_wait_ms"] = static_cast<double>(stats.longestWait) * 1e-6;
}
BENCHMARK(BM_WindowVsRenderer)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return velmora::bench::RunWindowBenchmarks(argc, argv, theDesktop); }
