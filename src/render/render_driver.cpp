#include "render_driver.hpp"

#include <algorithm>
#include <chrono>
#include <new>

#include "conversions.hpp"

namespace velmora {
namespace {

// A fault met in set-up, reported once with its fixed text.
struct SetUpText {
    FaultKind kind;
    const char* message;
    bool endsRun;
};

SetUpText ClassifySetUpFault(FaultKind kind) {
    switch (kind) {
    case FaultKind::FloatOverflow: return {kind, "overflow - 200", false};
    case FaultKind::FloatInvalid: return {kind, "invalid operation -201", true};
    case FaultKind::RangeCheck: return {kind, "Range error - 205", true};
    case FaultKind::OutOfMemory: return {kind, "Out of memory - 205", true};
    default: return {kind, "Other error - 205", false};
    }
}

// Whatever happens inside a run, the menus come back and the flag drops.
class RunGuard {
public:
    explicit RunGuard(ProgramState& s) : s_(s) {}
    ~RunGuard() {
        s_.run.Calculating = false;
        s_.menu.unlockAll();
    }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

private:
    ProgramState& s_;
};

// A width below one pixel, or a picture beyond the buffer's offset limit, is
// refused before anything is sized for it.
void CheckPictureSize(int32_t siz, int32_t sizy) {
    if (siz < 1 || sizy < 1 || static_cast<int64_t>(siz) * sizy > kBufferOffsetLimit)
        throw FaultError(FaultKind::RangeCheck);
}

}  // namespace

int32_t LargestPictureWidth() {
    static const int32_t largest = [] {
        int32_t width = 1;
        while (int64_t{width + 1} * HeightForWidth(width + 1) <= kBufferOffsetLimit) ++width;
        return width;
    }();
    return largest;
}

void RenderDriver::sizeBitmap() {
    sizing_ = true;
    CheckPictureSize(s_.params.siz, s_.params.sizy);
    s_.PictureBitmap = IndexImage(s_.params.siz, s_.params.sizy, 0);
    s_.BitmapWidth = s_.params.siz;
    view_.pictureResized();
}

// A new buffer holds no finished column, so the run starts at the first.
void RenderDriver::allocateBuffer() {
    sizing_ = true;
    const int32_t siz = s_.params.siz, sizy = s_.params.sizy;
    CheckPictureSize(siz, sizy);
    s_.buffer.release();
    try {
        s_.buffer.bytes.resize(static_cast<size_t>(siz) * static_cast<size_t>(sizy));
    } catch (const std::bad_alloc&) {
        throw FaultError(FaultKind::OutOfMemory);
    }
    s_.buffer.width = siz;
    s_.buffer.height = sizy;
    s_.buffer.present = true;
    firstColumn_ = 0;
    // The screen shows what the new buffer holds, so that a picture stopped
    // part-way looks as a save of it does.
    s_.PictureBitmap.fillRect(0, 0, s_.PictureBitmap.width(), s_.PictureBitmap.height(), 0);
    view_.drawPicture();
}

void RenderDriver::readAndSize(const RunRequest& request) {
    ReadRunTexts(s_.texts, s_.params, numbers_);
    for (RunObserver* o : observers_) o->runSettingUp();
    if (s_.params.siz != s_.BitmapWidth) sizeBitmap();
    if (!request.keepBuffer) allocateBuffer();
}

// A set-up fault that lets the run go on may have skipped the sizing of the
// bitmap and the buffer after siz changed; a kept buffer may also belong to
// another size. Either way the picture is made to fit before any pixel is
// written.
void RenderDriver::fitPictureToSize(const RunRequest&) {
    sizing_ = true;
    const int32_t siz = s_.params.siz, sizy = s_.params.sizy;
    CheckPictureSize(siz, sizy);
    if (s_.BitmapWidth != siz || s_.PictureBitmap.width() != siz || s_.PictureBitmap.height() != sizy) sizeBitmap();
    if (!s_.buffer.present || s_.buffer.width != siz || s_.buffer.height != sizy) allocateBuffer();
}

void RenderDriver::reportSetUpFault(FaultKind kind) {
    const SetUpText text = ClassifySetUpFault(kind);
    outcome_.faults.push_back({kind, text.message, sizing_});
    prompts_.messageBox(text.message, "main", MessageButtons::Ok, MessageIcon::None);
    if (text.endsRun) s_.run.CancelRequested = true;
    if (kind == FaultKind::OutOfMemory) s_.buffer.release();
}

// One protected step of the set-up: its fault is reported, and the set-up
// goes on unless that fault ends the run.
bool RenderDriver::setUpStep(void (RenderDriver::*step)(const RunRequest&), const RunRequest& request) {
    sizing_ = false;
    try {
        (this->*step)(request);
    } catch (const FaultError& e) {
        reportSetUpFault(e.kind());
    } catch (const std::bad_alloc&) {
        reportSetUpFault(FaultKind::OutOfMemory);
    }
    return !s_.run.CancelRequested;
}

bool RenderDriver::setUp(const RunRequest& request) {
    return setUpStep(&RenderDriver::readAndSize, request) && setUpStep(&RenderDriver::fitPictureToSize, request);
}

void RenderDriver::drawSphereBackground() {
    // Filled with the background and outlined with the canvas pen, black.
    const uint8_t background = kBlackEntry;
    const uint8_t pen = NearestIndex(DisplayColours(s_.palette), 0x000000);
    const int32_t siz = s_.params.siz, sizy = s_.params.sizy;
    s_.PictureBitmap.fillRect(0, 0, siz, sizy, pen);
    s_.PictureBitmap.fillRect(1, 1, siz - 1, sizy - 1, background);
    view_.drawPicture();
    std::fill(s_.buffer.bytes.begin(), s_.buffer.bytes.end(), background);
}

void RenderDriver::prepareCoefficientFormula() {
    s_.texts.setText(TextField::cx, FormatFixed(s_.params.xce, 20, 17));
    s_.texts.setText(TextField::cy, FormatFixed(s_.params.yce, 20, 17));
    s_.params.maxmod = 1000.0L;
}

void RenderDriver::reportPixelFault(FaultKind kind) {
    if (kind == FaultKind::None || !s_.run.ShowExceptions || suppressFaultMessages_) return;
    const MessageResult answer =
        prompts_.messageBox(FaultMessage(kind), "main", MessageButtons::AbortRetryIgnore, MessageIcon::Error);
    if (answer == MessageResult::Abort) s_.run.CancelRequested = true;
    if (answer == MessageResult::Ignore) suppressFaultMessages_ = true;
}

// The bitmap and the buffer have the same size (the set-up made them fit),
// so one offset serves both.
inline void RenderDriver::plot(const PlottedPixel& out) {
    PictureBuffer& buffer = s_.buffer;
    if (out.px < 0 || out.px >= buffer.width || out.py < 0 || out.py >= buffer.height)
        throw FaultError(FaultKind::RangeCheck);
    const size_t offset = static_cast<size_t>(out.py) * static_cast<size_t>(buffer.width) + static_cast<size_t>(out.px);
    const ColourValue colour = out.colour;
    s_.PictureBitmap.data()[offset] = colour.direct ? nearestIndex(static_cast<uint32_t>(colour.value)) : colour.lowByte();
    buffer.bytes[offset] = colour.lowByte();
}

// The image trap's colours are few and repeat from pixel to pixel, while
// finding the nearest of 256 entries is a search; each colour's entry is
// kept for as long as the palette stays as it was when it was found.
// A palette object never changes its colours, and each build makes one with
// a new serial: while the same one is shown, the 256 entries need not be
// compared again for every pixel.
uint8_t RenderDriver::nearestIndex(uint32_t bgr) {
    const PaletteState& palette = s_.palette;
    if (!palette.handle || palette.handle->serial() != nearestSerial_) {
        const ColourTable colours = DisplayColours(palette);
        if (colours != nearestFor_) {
            nearest_.clear();
            nearestFor_ = colours;
        }
        nearestSerial_ = palette.handle ? std::optional<uint64_t>(palette.handle->serial()) : std::nullopt;
    }
    const auto [at, added] = nearest_.try_emplace(bgr, 0);
    if (added) at->second = NearestIndex(nearestFor_, bgr);
    return at->second;
}

void RenderDriver::commitColumn(int col, const ColumnOutcome& column) {
    // Faults are rare: a column without them skips their reports, with the
    // same plots, steps and pumps in the same order.
    bool faultFree = true;
    for (const PlottedPixel& out : column.pixels)
        faultFree &= out.orbitFault == FaultKind::None && out.colourFault == FaultKind::None;
    int lastPx = col;
    for (const PlottedPixel& out : column.pixels) {
        if (!faultFree) {
            if (out.orbitFault != FaultKind::None || out.colourFault != FaultKind::None) ++outcome_.pixelFaults;
            reportPixelFault(out.orbitFault);
            reportPixelFault(out.colourFault);
        }
        plot(out);
        outcome_.orbitSteps += out.steps;
        lastPx = out.px;
        pump_.pumpEvents();
    }
    // A plane point that cannot be formed stops the run at that row.
    if (column.stoppedBy != FaultKind::None) throw FaultError(column.stoppedBy);
    view_.copyColumnToWindow(lastPx, rc_.sizy);
    const long double percent = static_cast<long double>(CheckedMul(col, 100)) / rc_.siz;
    const std::string progress = FormatFixed(percent, 5, 0) + " % completed";
    ShowStatus(s_, prompts_, progress);
    ShowTitle(s_, prompts_, progress);
}

// Columns from `col` on, each committed when the one before it is; returns
// the column after the last one committed. With several threads the others
// compute ahead while this one commits and keeps the window alive (and
// computes too, unless told not to); a cancel takes effect after the column
// being committed, as with one thread.
int RenderDriver::computeColumns(int col) {
    const PictureParameters& p = s_.params;
    const bool& cancel = s_.run.CancelRequested;
    // A resume point beyond the picture (a hostile file, say) computes
    // nothing rather than writing outside the buffer.
    const ColumnPlan plan(rc_);
    if ((threads_ <= 1 && committerComputes_) || p.siz - col <= 1) {
        while (col < p.siz) {
            failedColumn_ = col;
            ComputeColumn(plan, col, column_);
            commitColumn(col, column_);
            ++col;
            if (cancel) break;
        }
        return col;
    }
    ColumnWorkers workers(plan, col, p.siz, threads_, committerComputes_);
    while (col < p.siz) {
        failedColumn_ = col;
        commitColumn(col, workers.take(col, pump_, cancel));
        workers.release(col);
        ++col;
        if (cancel) break;
    }
    return col;
}

void RenderDriver::finishRun(int col) {
    PictureParameters& p = s_.params;
    p.LastColumnDone = col - 1;
    s_.run.Calculating = false;
    outcome_.end = s_.run.CancelRequested ? RunEnd::Halted : RunEnd::Completed;
    outcome_.lastColumnDone = p.LastColumnDone;
    ShowStatus(s_, prompts_, RunEndText(outcome_.end));
    ShowTitle(s_, prompts_, kFinishedTitle);
    prompts_.showCancelLabel(false);
    if (s_.setKind == SetKind::Mandelbrot) {
        s_.texts.setText(TextField::cx, s_.texts.text(TextField::xce));
        s_.texts.setText(TextField::cy, s_.texts.text(TextField::yce));
    }
    for (RunObserver* o : observers_) o->runEnded();
}

// A fault outside the per-pixel regions cannot be stepped over: the run
// stops there, as if cancelled, and says why.
void RenderDriver::reportStoppingFault(const FaultError& e) {
    outcome_.faults.push_back({e.kind(), e.what(), false});
    prompts_.messageBox(e.what(), "main", MessageButtons::Ok, MessageIcon::Error);
    s_.run.CancelRequested = true;
}

RunOutcome RenderDriver::Run(const RunRequest& request) {
    PictureParameters& p = s_.params;
    if (s_.run.Calculating) return {};
    const auto started = std::chrono::steady_clock::now();
    outcome_ = RunOutcome{};
    {
        RunGuard guard(s_);
        s_.menu.lockForRun();

        ShowStatus(s_, prompts_, "Initialising....");
        s_.run.CancelRequested = false;
        prompts_.showCancelLabel(true);
        view_.repaintWindow();
        suppressFaultMessages_ = false;
        firstColumn_ = std::max(request.startColumn, 0);

        if (setUp(request)) {
            s_.run.Calculating = true;
            int col = firstColumn_;
            failedColumn_ = col;
            try {
                s_.xoff = (view_.windowWidth() - p.siz) / 2;
                s_.yoff = (view_.panelTop() - p.sizy) / 2;
                rc_ = MakeRunContext(p, numbers_, s_.setKind);
                ShowStatus(s_, prompts_, "Commencing drawing...");
                if (p.sphere) drawSphereBackground();
                if (p.FunctionKind == kFormulaCoefficients) prepareCoefficientFormula();
                col = computeColumns(col);
            } catch (const FaultError& e) {
                col = failedColumn_;
                reportStoppingFault(e);
            }
            finishRun(col);
        } else {
            outcome_.end = RunEnd::SetUpFailed;
        }
    }
    outcome_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return outcome_;
}

RunOutcome RenderDriver::Continue() {
    const PictureParameters& p = s_.params;
    if (int64_t{p.LastColumnDone} >= int64_t{p.siz} - 1) return {};
    return Run({p.LastColumnDone, true});
}

void RenderDriver::Params() {
    if (s_.run.Calculating) {
        prompts_.messageBox("Cannot change parameters whilst calculating", s_.applicationTitle, MessageButtons::Ok,
                            MessageIcon::Information);
        return;
    }
    if (prompts_.showParametersDialog() == kParametersRun) Runclick();
}

}  // namespace velmora
