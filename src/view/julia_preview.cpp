#include "julia_preview.hpp"

#include <cfenv>

#include "column.hpp"
#include "mode_actions.hpp"
#include "plane_navigation.hpp"

namespace velmora {
namespace {

constexpr int64_t kLargestPreview = 4000000;

}  // namespace

void WriteJuliaView(ParameterTexts& texts, PictureParameters& params, long double cx, long double cy) {
    WriteDefaultRangeAndCentre(texts, params);
    texts.setText(TextField::cx, ExactFixed(cx, 20, 18));
    texts.setText(TextField::cy, ExactFixed(cy, 20, 18));
    params.cx = cx;
    params.cy = cy;
}

JuliaPreviewJob MakeJuliaPreviewJob(const ProgramState& state, long double cx, long double cy, int32_t width) {
    JuliaPreviewJob job;
    job.cx = cx;
    job.cy = cy;
    job.params = state.params;
    job.colours = DisplayColours(state.palette);
    // Read as a run reads them, so that every number is the one the main
    // picture would be computed from.
    ParameterTexts texts = state.texts;
    texts.setText(TextField::siz, std::to_string(width));
    WriteJuliaView(texts, job.params, cx, cy);
    ReadRunTexts(texts, job.params, job.numbers);
    return job;
}

std::optional<JuliaPreviewPicture> RenderJuliaPreview(const JuliaPreviewJob& job,
                                                      const std::function<bool()>& abandoned) {
    JuliaPreviewPicture out;
    out.serial = job.serial;
    out.cx = job.cx;
    out.cy = job.cy;
    const PictureParameters& p = job.params;
    // A preview is small; a size beyond a picture's own limit is refused.
    if (p.siz < 1 || p.sizy < 1 || int64_t{p.siz} * p.sizy > kLargestPreview) {
        out.stoppedBy = FaultKind::RangeCheck;
        return out;
    }
    out.picture = IndexImage(p.siz, p.sizy, 0);
    RunContext rc;
    try {
        rc = MakeRunContext(p, job.numbers, SetKind::Julia);
    } catch (const FaultError& e) {
        out.stoppedBy = e.kind();
        return out;
    }
    IndexImage& picture = out.picture;
    if (p.sphere) {
        // The background a sphere picture is drawn over, as the run draws it.
        picture.fillRect(0, 0, p.siz, p.sizy, NearestIndex(job.colours, 0x000000));
        picture.fillRect(1, 1, p.siz - 1, p.sizy - 1, kBlackEntry);
    }
    const ColumnPlan plan(rc);
    ColumnOutcome column;
    for (int col = 0; col < p.siz; ++col) {
        if (abandoned && abandoned()) return std::nullopt;
        ComputeColumn(plan, col, column);
        for (const PlottedPixel& px : column.pixels) {
            if (px.px < 0 || px.px >= p.siz || px.py < 0 || px.py >= p.sizy) {
                out.stoppedBy = FaultKind::RangeCheck;
                return out;
            }
            const ColourValue c = px.colour;
            picture.data()[static_cast<size_t>(px.py) * static_cast<size_t>(p.siz) + static_cast<size_t>(px.px)] =
                c.direct ? NearestIndex(job.colours, static_cast<uint32_t>(c.value)) : c.lowByte();
        }
        if (column.stoppedBy != FaultKind::None) {
            out.stoppedBy = column.stoppedBy;
            return out;
        }
    }
    return out;
}

JuliaPreviewWorker::JuliaPreviewWorker(Delivery deliver) : deliver_(std::move(deliver)) {
    thread_ = ThreadWithCallersFloatState([this] { work(); });
}

JuliaPreviewWorker::~JuliaPreviewWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void JuliaPreviewWorker::request(JuliaPreviewJob job) {
    {
        std::lock_guard lock(mutex_);
        job.serial = ++newest_;
        waiting_ = std::move(job);
    }
    wake_.notify_all();
}

void JuliaPreviewWorker::work() {
    for (;;) {
        JuliaPreviewJob job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || waiting_; });
            if (stopping_) return;
            job = std::move(*waiting_);
            waiting_.reset();
        }
        const auto abandoned = [this, serial = job.serial] {
            std::lock_guard lock(mutex_);
            return stopping_ || newest_ != serial;
        };
        std::optional<JuliaPreviewPicture> picture;
        try {
            picture = RenderJuliaPreview(job, abandoned);
        } catch (const std::exception&) {
            // Nothing a preview meets may end the program; the next point
            // tries again.
            ClearFloatFaults();
            continue;
        }
        if (picture && !abandoned()) deliver_(std::move(*picture));
    }
}

}  // namespace velmora
