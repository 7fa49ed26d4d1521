// What a PNG costs beside the picture it holds: a 1200-pixel view at 1000
// iterations computed by a run, and the same picture written as a PNG with
// its parameters (Save as PNG...) and through the band exporter (one sample,
// and 3 x 3). Writing should cost a small part of computing.

#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>

#include "headless_session.hpp"

namespace {

using namespace velmora;

void SetView(HeadlessSession& session) {
    session.actions.Mandelbrot();
    session.state.texts.setText(TextField::siz, "1200");
    session.state.texts.setText(TextField::miter, "1000");
    session.state.texts.setText(TextField::Rang, "0.02");
    session.state.texts.setText(TextField::xce, "-0.7435");
    session.state.texts.setText(TextField::yce, "0.1314");
}

struct Discard : ExportProgress {
    bool keepGoing(int, int) override { return true; }
};

void BM_ComputePicture(benchmark::State& state) {
    HeadlessSession session;
    SetView(session);
    for (auto _ : state) {
        if (!session.driver.Runclick().completed()) throw std::runtime_error("the run did not complete");
    }
    state.counters["pixels"] = 1200.0 * 900.0;
}
BENCHMARK(BM_ComputePicture)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WritePng(benchmark::State& state) {
    HeadlessSession session;
    SetView(session);
    session.driver.Runclick();
    size_t bytes = 0;
    for (auto _ : state) {
        MemorySink sink;
        session.files.SavePng(sink, "view.png");
        bytes = sink.bytes.size();
    }
    state.counters["file bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WritePng)->Unit(benchmark::kMillisecond)->UseRealTime();

// The band exporter computes and writes: against BM_ComputePicture it shows
// what the bands and the PNG add to the run.
void BM_ExportBands(benchmark::State& state) {
    HeadlessSession session;
    SetView(session);
    const int samples = static_cast<int>(state.range(0));
    for (auto _ : state) {
        MemorySink sink;
        Discard progress;
        if (!session.files.ExportLargePng(sink, {1200, samples, 0}, progress).written())
            throw std::runtime_error("the export did not complete");
    }
}
BENCHMARK(BM_ExportBands)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
