#include "large_export.hpp"

#include <algorithm>
#include <cfenv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "column.hpp"
#include "fault.hpp"
#include "palette.hpp"
#include "pixel.hpp"

namespace velmora {
namespace {

// sRGB bytes to linear light in 16 bits, and back: the averages are taken in
// linear light, where light adds, so that a fine pattern of dark and light
// keeps its brightness.
struct LinearLight {
    std::array<uint16_t, 256> toLinear{};
    std::vector<uint8_t> toSrgb = std::vector<uint8_t>(65536);

    LinearLight() {
        for (int v = 0; v < 256; ++v) {
            const double c = v / 255.0;
            const double l = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
            toLinear[static_cast<size_t>(v)] = static_cast<uint16_t>(std::lround(l * 65535.0));
        }
        for (int i = 0; i < 65536; ++i) {
            const double l = i / 65535.0;
            const double c = l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1.0 / 2.4) - 0.055;
            toSrgb[static_cast<size_t>(i)] = static_cast<uint8_t>(std::clamp(std::lround(c * 255.0), 0L, 255L));
        }
    }
};

const LinearLight& Light() {
    static const LinearLight light;
    return light;
}

// The rows of column `col` whose pixels the Sphere mapping plots into the
// rows of `band`. The row a pixel is plotted on never grows as its own row
// does, so they are one span, found by halving; one row more on each side
// costs little and guards the edges, since what falls outside is dropped.
RowSpan SphereSourceRows(const RunContext& rc, int col, RowSpan band) {
    const auto plottedRow = [&](int row) {
        long double x = 0.0L, y = 0.0L;
        int px = col, py = row;
        MapPixelUnchecked(rc, col, row, x, y, px, py);
        return py;
    };
    const auto firstRowBelow = [&](int target) {
        int lo = 0, hi = rc.sizy;  // the answer lies in [lo, hi]
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (plottedRow(mid) < target)
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    };
    return {std::max(firstRowBelow(band.end) - 1, 0), std::min(firstRowBelow(band.first) + 1, rc.sizy)};
}

// The bands of rows on worker threads, written in order by the calling
// thread. A band may start when its slot is free, so at most `slots` bands
// of the file are held at once, and each worker holds one band of the
// computed picture besides.
class BandWriter {
public:
    BandWriter(const RunContext& rc, int samples, const PngLayout& layout, int threads)
        : plan_(rc), samples_(samples), width_(layout.width), height_(layout.height), rgb_(layout.rgb),
          colours_(layout.colours) {
        if (int64_t{rc.siz} != int64_t{width_} * samples_ || int64_t{rc.sizy} < int64_t{height_} * samples_)
            throw ExportError("the picture computed does not cover the file");
        // A band of the computed picture takes up to 8 MB per worker, and a
        // few bands per thread give the progress and the threads even work.
        const int64_t rowBytes = int64_t{rc.siz} * samples_;
        const int64_t fits = std::max<int64_t>(1, (int64_t{8} << 20) / rowBytes);
        const int64_t even = std::max<int64_t>(1, height_ / (4 * int64_t{threads}));
        bandRows_ = static_cast<int>(std::min<int64_t>({fits, even, 256}));
        bands_ = (height_ + bandRows_ - 1) / bandRows_;
        slots_.resize(static_cast<size_t>(threads + 2));
        for (int t = 0; t < threads; ++t) threads_.push_back(ThreadWithCallersFloatState([this] { work(); }));
    }

    ~BandWriter() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    BandWriter(const BandWriter&) = delete;
    BandWriter& operator=(const BandWriter&) = delete;

    ExportOutcome write(PngWriter& writer, ExportProgress& progress) {
        ExportOutcome outcome;
        const size_t rowBytes = static_cast<size_t>(width_) * (rgb_ ? 3 : 1);
        int done = 0;
        for (int band = 0; band < bands_; ++band) {
            Slot& slot = slotOf(band);
            {
                std::unique_lock<std::mutex> lock(mutex_);
                while (slot.band != band || !slot.ready) {
                    if (ready_.wait_for(lock, std::chrono::milliseconds(100)) == std::cv_status::timeout) {
                        lock.unlock();
                        if (!progress.keepGoing(done, height_)) return outcome;
                        lock.lock();
                    }
                }
                if (slot.error) std::rethrow_exception(slot.error);
            }
            const int rows = std::min(bandRows_, height_ - done);
            for (int r = 0; r < rows; ++r) writer.writeRow(slot.rows.data() + static_cast<size_t>(r) * rowBytes);
            done += rows;
            outcome.pixelFaults += slot.pixelFaults;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                slot.ready = false;
                written_ = band + 1;
            }
            changed_.notify_all();
            if (!progress.keepGoing(done, height_)) return outcome;
        }
        writer.finish();
        outcome.end = ExportEnd::Written;
        return outcome;
    }

private:
    struct Slot {
        int band = -1;
        bool ready = false;
        std::vector<uint8_t> rows;  // the file's rows of the band
        int64_t pixelFaults = 0;
        std::exception_ptr error;
    };

    Slot& slotOf(int band) { return slots_[static_cast<size_t>(band) % slots_.size()]; }

    void work() {
        std::vector<uint8_t> picture;  // the band of the computed picture, row by row
        ColumnOutcome column;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] {
                return stopping_ || next_ >= bands_ || next_ < written_ + static_cast<int>(slots_.size());
            });
            if (stopping_ || next_ >= bands_) return;
            const int band = next_++;
            Slot& slot = slotOf(band);
            lock.unlock();
            std::exception_ptr error;
            int64_t faults = 0;
            try {
                faults = compute(band, picture, column, slot.rows);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            slot.band = band;
            slot.error = error;
            slot.pixelFaults = faults;
            slot.ready = true;
            ready_.notify_all();
        }
    }

    bool stopping() {
        std::lock_guard<std::mutex> lock(mutex_);
        return stopping_;
    }

    // Rows of the file from band * bandRows_, into `out`; the pixel faults met.
    int64_t compute(int band, std::vector<uint8_t>& picture, ColumnOutcome& column, std::vector<uint8_t>& out) {
        const RunContext& rc = plan_.rc;
        const int first = band * bandRows_;
        const int rows = std::min(bandRows_, height_ - first);
        const RowSpan span{first * samples_, (first + rows) * samples_};
        const size_t across = static_cast<size_t>(rc.siz);
        picture.resize(across * static_cast<size_t>(span.end - span.first));
        // The Sphere mapping leaves the background wherever it plots nothing,
        // as a run's buffer has it.
        if (rc.sphere) std::fill(picture.begin(), picture.end(), static_cast<uint8_t>(kBlackEntry));
        int64_t faults = 0;
        for (int col = 0; col < rc.siz; ++col) {
            // A cancel need not wait for the rest of the band.
            if ((col & 255) == 0 && stopping()) return 0;
            const RowSpan rows = rc.sphere ? SphereSourceRows(rc, col, span) : span;
            if (rows.first >= rows.end) continue;
            ComputeColumnRows(plan_, col, rows, column);
            if (column.stoppedBy != FaultKind::None) throw FaultError(column.stoppedBy);
            // In the order a run commits them, so a later pixel plotted on
            // the same place wins, as it does there.
            for (const PlottedPixel& p : column.pixels) {
                if (p.py < span.first || p.py >= span.end) continue;  // another band's
                if (p.px < 0 || p.px >= rc.siz) throw FaultError(FaultKind::RangeCheck);
                faults += (p.orbitFault != FaultKind::None || p.colourFault != FaultKind::None) ? 1 : 0;
                picture[static_cast<size_t>(p.py - span.first) * across + static_cast<size_t>(p.px)] =
                    p.colour.lowByte();
            }
        }
        if (!rgb_) {
            out.swap(picture);
            return faults;
        }
        // Each pixel of the file: the N x N pixels it covers, averaged in
        // linear light channel by channel.
        const LinearLight& light = Light();
        const int n = samples_;
        const uint32_t count = static_cast<uint32_t>(n * n);
        out.resize(static_cast<size_t>(width_) * 3 * static_cast<size_t>(rows));
        uint8_t* o = out.data();
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < width_; ++x) {
                uint32_t sum[3] = {0, 0, 0};
                for (int dy = 0; dy < n; ++dy) {
                    const uint8_t* in = picture.data() + static_cast<size_t>(y * n + dy) * across + static_cast<size_t>(x) * n;
                    for (int dx = 0; dx < n; ++dx) {
                        const size_t entry = 3 * static_cast<size_t>(in[dx]);
                        for (int c = 0; c < 3; ++c) sum[c] += light.toLinear[colours_[entry + static_cast<size_t>(c)]];
                    }
                }
                for (int c = 0; c < 3; ++c) *o++ = light.toSrgb[(sum[c] + count / 2) / count];
            }
        }
        return faults;
    }

    const ColumnPlan plan_;
    const int samples_, width_, height_;
    const bool rgb_;
    const std::array<uint8_t, 768> colours_;
    int bandRows_ = 1, bands_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;  // for the workers: a slot freed, a stop
    std::condition_variable ready_;    // for the writer: a band done
    std::vector<Slot> slots_;          // band b lives in slot b % size
    int next_ = 0;                     // the next band to start
    int written_ = 0;                  // bands before this one are written
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace

ExportOutcome WriteBands(const RunContext& rc, int samples, const PngLayout& layout, PngWriter& writer, int threads,
                         ExportProgress& progress) {
    if (samples < 1 || samples > kMostExportSamples || layout.rgb != (samples > 1))
        throw ExportError("samples per pixel must be 1 to " + std::to_string(kMostExportSamples));
    Light();  // made before the threads need it
    BandWriter bands(rc, samples, layout, std::max(threads, 1));
    return bands.write(writer, progress);
}

std::string TimeLeftText(double seconds, double fraction) {
    if (fraction <= 0.0 || fraction >= 1.0 || seconds < 1.0) return {};
    const long left = std::lround(seconds * (1.0 - fraction) / fraction);
    if (left < 60) return "about " + std::to_string(left) + " s left";
    if (left < 3600) return "about " + std::to_string(left / 60) + " min " + std::to_string(left % 60) + " s left";
    return "about " + std::to_string(left / 3600) + " h " + std::to_string(left / 60 % 60) + " min left";
}

}  // namespace velmora
