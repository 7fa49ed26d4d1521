// The custom formula against the built-in formulas on the same view, on one
// thread: "z*z+c" does the built-in z^2+c's arithmetic through the compiled
// program and so shows what the interpretation itself costs; "z*z+sin(c)"
// (the dialog's start text) makes the library calls of the built-in
// "csin(z)" (one combined sine, cosine and exponential and one product a
// step) and an addition more. Each reports orbit steps per second.

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
void Render(benchmark::State& state, const char* customFormula, uint8_t builtIn = kFormulaZ2) {
    int64_t steps = 0;
    for (auto _ : state) {
        HeadlessSession session;
        ProgramState& s = session.state;
        HeadlessHost& host = session.host;
        ModeActions& actions = session.actions;
        RenderDriver& driver = session.driver;
        driver.setThreads(1);
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
        s.texts.setText(TextField::siz, "400");
        s.texts.setText(TextField::miter, "200");
        driver.Runclick();
        steps += driver.orbitSteps();
        benchmark::DoNotOptimize(s.buffer.bytes.data());
    }
    state.counters["steps/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
    state.counters["steps"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kAvgIterations);
}

void BM_BuiltInZ2(benchmark::State& state) { Render(state, nullptr); }
void BM_BuiltInCSin(benchmark::State& state) { Render(state, nullptr, kFormulaCSin); }
void BM_CustomZZSinC(benchmark::State& state) { Render(state, "z*z+sin(c)"); }
void BM_CustomZZC(benchmark::State& state) { Render(state, "z*z+c"); }

BENCHMARK(BM_BuiltInZ2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuiltInCSin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CustomZZSinC)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CustomZZC)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
