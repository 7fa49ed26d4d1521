// Saving and loading a 1024 x 768 picture as a GIF, ours beside giflib on the
// same pixels in the same binary: random indices (the table fills and clears
// all the time) and a real fractal (long runs of equal indices). Each
// reports megabytes of pixels per second; giflib decodes its own output.

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

#include "gif_reader.hpp"
#include "gif_writer.hpp"
#include "headless_session.hpp"

namespace {

using namespace velmora;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

const std::vector<uint8_t>& RandomPixels() {
    static const std::vector<uint8_t> pixels = [] {
        std::mt19937 random(1);
        std::vector<uint8_t> p(kWidth * kHeight);
        for (auto& v : p) v = static_cast<uint8_t>(random());
        return p;
    }();
    return pixels;
}

const std::vector<uint8_t>& FractalPixels() {
    static const std::vector<uint8_t> pixels = [] {
        HeadlessSession session;
        session.actions.Mandelbrot();
        session.state.texts.setText(TextField::siz, std::to_string(kWidth));
        session.state.texts.setText(TextField::miter, "200");
        session.state.texts.setText(TextField::Rang, "3");
        session.state.texts.setText(TextField::xce, "-0.5");
        session.driver.Runclick();
        if (session.state.buffer.bytes.size() != size_t(kWidth) * kHeight) throw std::runtime_error("render failed");
        return session.state.buffer.bytes;
    }();
    return pixels;
}

const std::vector<uint8_t>& Pixels(int which) { return which == 0 ? RandomPixels() : FractalPixels(); }

std::vector<uint8_t> OursEncode(const std::vector<uint8_t>& pixels) {
    MemorySink sink;
    sink.bytes.reserve(pixels.size() * 3 / 2);
    WriteGif(sink, GifImage{pixels.data(), kWidth, kHeight, {}}, ParameterBlock{});
    return std::move(sink.bytes);
}

int WriteToVector(GifFileType* file, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(file->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct ReadCursor {
    const std::vector<uint8_t>* bytes;
    size_t at;
};

int ReadFromVector(GifFileType* file, GifByteType* data, int length) {
    auto* in = static_cast<ReadCursor*>(file->UserData);
    const size_t n = std::min(static_cast<size_t>(length), in->bytes->size() - in->at);
    std::memcpy(data, in->bytes->data() + in->at, n);
    in->at += n;
    return static_cast<int>(n);
}

std::vector<uint8_t> GiflibEncode(const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> out;
    out.reserve(pixels.size() * 3 / 2);
    int error = 0;
    GifFileType* file = EGifOpen(&out, WriteToVector, &error);
    GifColorType colours[256] = {};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    if (!file || EGifPutScreenDesc(file, kWidth, kHeight, 8, 0, map) == GIF_ERROR ||
        EGifPutImageDesc(file, 0, 0, kWidth, kHeight, false, nullptr) == GIF_ERROR ||
        EGifPutLine(file, const_cast<GifPixelType*>(pixels.data()), kWidth * kHeight) == GIF_ERROR)
        throw std::runtime_error("giflib encode failed");
    EGifCloseFile(file, &error);
    GifFreeMapObject(map);
    return out;
}

void GiflibDecode(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& pixels) {
    ReadCursor cursor{&bytes, 0};
    int error = 0;
    GifFileType* file = DGifOpen(&cursor, ReadFromVector, &error);
    GifRecordType type;
    if (!file) throw std::runtime_error("giflib open failed");
    do {
        if (DGifGetRecordType(file, &type) == GIF_ERROR) throw std::runtime_error("giflib record failed");
    } while (type != IMAGE_DESC_RECORD_TYPE);
    if (DGifGetImageDesc(file) == GIF_ERROR || DGifGetLine(file, pixels.data(), kWidth * kHeight) == GIF_ERROR)
        throw std::runtime_error("giflib decode failed");
    DGifCloseFile(file, &error);
}

void Report(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight);
}

void BM_OursEncode(benchmark::State& state) {
    const auto& pixels = Pixels(static_cast<int>(state.range(0)));
    size_t size = 0;
    for (auto _ : state) size = OursEncode(pixels).size();
    state.counters["file bytes"] = static_cast<double>(size);
    Report(state);
}

void BM_OursDecode(benchmark::State& state) {
    const auto& pixels = Pixels(static_cast<int>(state.range(0)));
    const std::vector<uint8_t> file = OursEncode(pixels);
    for (auto _ : state) {
        MemorySource source(file);
        const GifReadResult r = ReadGif(source);
        if (r.pixels != pixels) state.SkipWithError("decoded pixels differ");
        benchmark::DoNotOptimize(r.pixels.data());
    }
    Report(state);
}

void BM_GiflibEncode(benchmark::State& state) {
    const auto& pixels = Pixels(static_cast<int>(state.range(0)));
    size_t size = 0;
    for (auto _ : state) size = GiflibEncode(pixels).size();
    state.counters["file bytes"] = static_cast<double>(size);
    Report(state);
}

void BM_GiflibDecode(benchmark::State& state) {
    const auto& pixels = Pixels(static_cast<int>(state.range(0)));
    const std::vector<uint8_t> file = GiflibEncode(pixels);
    std::vector<uint8_t> out(pixels.size());
    for (auto _ : state) {
        GiflibDecode(file, out);
        if (out != pixels) state.SkipWithError("decoded pixels differ");
        benchmark::DoNotOptimize(out.data());
    }
    Report(state);
}

// Argument 0: random indices; 1: a Mandelbrot picture.
BENCHMARK(BM_OursEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GiflibEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GiflibDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
