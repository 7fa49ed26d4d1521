// The custom formula against the built-in formulas on the same view, on one
// thread. A program whose step is z*z + k, with k made from c once per orbit
// ("z*z+c", and "z*z+sin(c)", the dialog's start text), runs on the kernel
// of the built-in z^2+c; other programs, such as "z*z-c", run as compiled
// instructions, and show what the interpretation itself costs. "z*z+sin(c)"
// makes its sine once per orbit where the built-in "csin(z)" makes one
// combined sine, cosine and exponential a step. Each reports orbit steps per
// second.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "custom_formula.hpp"
#include "headless_session.hpp"
#include "mode_actions.hpp"
#include "render_driver.hpp"
#include "startup.hpp"

namespace {

using namespace velmora;

// Julia set of the start-up constant, no stalks, so every orbit runs to its
// escape or to the iteration limit.
void Render(benchmark::State& state, const char* customFormula, uint8_t builtIn = kFormulaZ2, bool mandelbrot = false) {
    int64_t steps = 0;
    for (auto _ : state) {
        HeadlessSession session;
        ProgramState& s = session.state;
        HeadlessHost& host = session.host;
        ModeActions& actions = session.actions;
        RenderDriver& driver = session.driver;
        driver.setThreads(1);
        if (mandelbrot) actions.Mandelbrot();
        actions.StalkItem(kStalkNone);
        actions.FunctionItem(builtIn);
        if (customFormula) {
            actions.FunctionItem(kFormulaCustom);
            ConfirmCustomFormula(s, host, customFormula);
            if (ReadAndCompileCustomFormula(s, host, {}) != CustomCompileOutcome::Compiled) {
                state.SkipWithError("formula did not compile");
                return;
            }
        }
        s.texts.setText(TextField::siz, mandelbrot ? "800" : "400");
        s.texts.setText(TextField::miter, mandelbrot ? "1000" : "200");
        driver.Runclick();
        steps += driver.lastOutcome().orbitSteps;
        benchmark::DoNotOptimize(s.buffer.bytes.data());
    }
    state.counters["steps/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
    state.counters["steps"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kAvgIterations);
}

void BM_BuiltInZ2(benchmark::State& state) { Render(state, nullptr); }
void BM_BuiltInCSin(benchmark::State& state) { Render(state, nullptr, kFormulaCSin); }
void BM_CustomZZSinC(benchmark::State& state) { Render(state, "z*z+sin(c)"); }
void BM_CustomZZC(benchmark::State& state) { Render(state, "z*z+c"); }
// The whole Mandelbrot set, 800 x 600, 1000 iterations: long orbits, so the
// steps and not the pixels set the pace. "z*z+c" runs on the built-in
// formula's kernel; "z*z-c", the same work in another order, on the general
// compiled program.
void BM_MandelbrotBuiltInZ2(benchmark::State& state) { Render(state, nullptr, kFormulaZ2, true); }
void BM_MandelbrotCustomZZC(benchmark::State& state) { Render(state, "z*z+c", kFormulaZ2, true); }
void BM_MandelbrotCustomZZMinusC(benchmark::State& state) { Render(state, "z*z-c", kFormulaZ2, true); }

BENCHMARK(BM_BuiltInZ2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuiltInCSin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CustomZZSinC)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CustomZZC)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MandelbrotBuiltInZ2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MandelbrotCustomZZC)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MandelbrotCustomZZMinusC)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
