// Whole pictures through the render driver on one thread, one per formula
// family (polynomial, reciprocal, transcendental) and one with a stalk test
// watching the orbit (which the lane kernel leaves to the one-pixel path),
// beside plain z^2+c for reference. Each reports orbit steps per second.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "headless_session.hpp"
#include "mode_actions.hpp"
#include "render_driver.hpp"
#include "startup.hpp"

namespace {

using namespace velmora;

struct Scene {
    uint8_t kind;
    uint8_t stalk;
    const char* bailout;
};

constexpr int kWidth = 320;
constexpr int kIterations = 500;

void BM_Picture(benchmark::State& state, Scene scene) {
    int64_t steps = 0;
    for (auto _ : state) {
        HeadlessSession session;
        ProgramState& s = session.state;
        ModeActions& actions = session.actions;
        RenderDriver& driver = session.driver;
        driver.setThreads(1);
        actions.Mandelbrot();
        s.params.FunctionKind = scene.kind;
        s.params.StalkType = scene.stalk;
        s.texts.setText(TextField::siz, std::to_string(kWidth));
        s.texts.setText(TextField::miter, std::to_string(kIterations));
        s.texts.setText(TextField::Rang, "3");
        s.texts.setText(TextField::maxmod, scene.bailout);
        s.texts.setText(TextField::p1, "0.1");
        driver.Runclick();
        if (s.statusText != "Picture completed.") state.SkipWithError("the picture did not complete");
        steps += driver.lastOutcome().orbitSteps;
        benchmark::DoNotOptimize(s.buffer.bytes.data());
    }
    state.counters["steps/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(BM_Picture, z2_plus_c, Scene{kFormulaZ2, kStalkNone, "4"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Picture, polynomial_z3_plus_c, Scene{kFormulaZ3, kStalkNone, "20"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Picture, reciprocal_1_over_z2_plus_c, Scene{kFormulaRecipZ2, kStalkNone, "20"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Picture, transcendental_c_cos_z, Scene{kFormulaCCos, kStalkNone, "50"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Picture, transcendental_sinh_z_plus_c, Scene{kFormulaSinh, kStalkNone, "200"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Picture, z2_plus_c_circle_stalk, Scene{kFormulaZ2, kStalkCircle, "4"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
