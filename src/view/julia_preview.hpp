#pragma once
// The Julia set of the point under the pointer, drawn small beside a
// Mandelbrot picture while the pointer moves over it. Its pixels are those
// the main run would compute for that Julia view at the preview's width, so
// a click that makes it the main picture shows it as previewed. It is
// computed on a thread of its own, apart from the main run, and only the
// newest point counts: a point the pointer has left is abandoned.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "fault.hpp"
#include "index_image.hpp"
#include "parameter_reading.hpp"
#include "program_state.hpp"

namespace velmora {

inline constexpr int32_t kJuliaPreviewWidth = 200;

// The Julia view of the constant (cx, cy) with the Julia item's range and
// centre; the constant is written with the digits that read back as it.
void WriteJuliaView(ParameterTexts& texts, PictureParameters& params, long double cx, long double cy);

// What a preview is computed from: a copy of the picture's parameters, so
// that the thread computing it shares nothing with the program.
struct JuliaPreviewJob {
    uint64_t serial = 0;  // the newer request, the larger
    long double cx = 0.0L, cy = 0.0L;
    PictureParameters params;
    RunNumbers numbers;
    ColourTable colours{};  // the palette direct colours are matched in
};

// The job for (cx, cy) over the program's picture: its formula, stalk type,
// escape test, iterations and mappings, as a Julia view `width` pixels wide.
// Throws the conversion fault of a parameter text that does not read.
JuliaPreviewJob MakeJuliaPreviewJob(const ProgramState& state, long double cx, long double cy,
                                    int32_t width = kJuliaPreviewWidth);

struct JuliaPreviewPicture {
    uint64_t serial = 0;
    long double cx = 0.0L, cy = 0.0L;
    IndexImage picture{0, 0, 0};
    // What stopped the picture short, as it would stop the run; the rows and
    // columns after it stay as a new picture starts.
    FaultKind stoppedBy = FaultKind::None;
};

// Computes the preview column by column; nothing when `abandoned` says so
// between two columns.
std::optional<JuliaPreviewPicture> RenderJuliaPreview(const JuliaPreviewJob& job,
                                                      const std::function<bool()>& abandoned = {});

// A thread that computes the newest request. `deliver` is called on that
// thread with each picture finished while no newer request came.
class JuliaPreviewWorker {
public:
    using Delivery = std::function<void(JuliaPreviewPicture)>;
    // The thread computes with the floating-point set-up of the thread that
    // makes the worker.
    explicit JuliaPreviewWorker(Delivery deliver);
    // Abandons what it computes and waits for the thread to end.
    ~JuliaPreviewWorker();
    JuliaPreviewWorker(const JuliaPreviewWorker&) = delete;
    JuliaPreviewWorker& operator=(const JuliaPreviewWorker&) = delete;

    // Replaces any request not yet started, and abandons the one being
    // computed.
    void request(JuliaPreviewJob job);

private:
    void work();

    Delivery deliver_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<JuliaPreviewJob> waiting_;
    uint64_t newest_ = 0;  // the serial of the last request
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace velmora
