#pragma once
// Pictures larger than the window holds, for printing and sharing: the view
// computed off-screen in bands of rows on worker threads and written to a PNG
// band by band, so memory stays bounded whatever the size. With one sample a
// pixel the PNG is palettised and holds what a run at that width computes;
// with N x N samples every pixel is the average, in linear light, of the
// palette colours of the N x N pixels it covers in the picture computed at N
// times the width, and the PNG holds 24-bit RGB.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "png_codec.hpp"
#include "run_context.hpp"

namespace velmora {

inline constexpr int kLargestExportWidth = 16384;
inline constexpr int kMostExportSamples = 4;

// A picture that cannot be exported as asked: a text that is not a number,
// a plane point that cannot be formed, a view the bands cannot compute.
struct ExportError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Whoever waits on an export: told of the rows written, and asked whether to
// go on, after every band and about ten times a second in between.
class ExportProgress {
public:
    virtual ~ExportProgress() = default;
    // `done` of `total` rows of the file are written; false cancels.
    virtual bool keepGoing(int done, int total) = 0;
};

enum class ExportEnd { Written, Cancelled };

struct ExportOutcome {
    ExportEnd end = ExportEnd::Cancelled;
    // Pixels whose orbit or colour rules met a fault (they keep the colour
    // reached, as in a run).
    int64_t pixelFaults = 0;
    bool written() const { return end == ExportEnd::Written; }
};

// What the bands compute: `rc` is the run at samples x the width of the
// file; `layout` describes the file (its width and height the picture's
// divided by the samples, rgb when samples > 1; the colours are the
// palette's, used for the averages too). Writes the whole file into `writer`
// made from `layout`, or stops when `progress` cancels (the sink then holds
// a part, which the caller discards). Throws ExportError, or what the
// writer's sink throws.
ExportOutcome WriteBands(const RunContext& rc, int samples, const PngLayout& layout, PngWriter& writer,
                         int threads, ExportProgress& progress);

// The time left of a job `fraction` (0..1) done after `seconds`, in words
// ("about 2 min 5 s left"); empty while too little is done to tell.
std::string TimeLeftText(double seconds, double fraction);

}  // namespace velmora
