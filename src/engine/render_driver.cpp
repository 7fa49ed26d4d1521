#include "render_driver.hpp"

#include <algorithm>
#include <new>

#include "conversions.hpp"
#include "pixel.hpp"
#include "stalks.hpp"

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
    RunGuard(ProgramState& s, RenderHost& host) : s_(s), host_(host) {}
    ~RunGuard() {
        s_.params.Calculating = false;
        s_.menu.unlockAll();
        host_.menusChanged();
    }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

private:
    ProgramState& s_;
    RenderHost& host_;
};

}  // namespace

int32_t HeightForWidth(int32_t siz) { return MulDiv(siz, 3, 4); }

void RenderDriver::setStatus(const std::string& text) {
    s_.statusText = text;
    host_.setStatusText(text);
}

void RenderDriver::setTitle(const std::string& text) {
    s_.applicationTitle = text;
    host_.setApplicationTitle(text);
}

void RenderDriver::readParameters() {
    PictureParameters& p = s_.params;
    const ParameterTexts& t = s_.texts;
    p.siz = ParseInteger(t.text(TextField::siz));
    p.sizy = HeightForWidth(p.siz);
    p.cx = ParseReal(t.text(TextField::cx));
    p.cy = ParseReal(t.text(TextField::cy));
    p.xce = ParseReal(t.text(TextField::xce));
    p.yce = ParseReal(t.text(TextField::yce));
    p.Rang = ParseReal(t.text(TextField::Rang));
    p.p2 = ParseReal(t.text(TextField::p2));
    p.p1 = ParseReal(t.text(TextField::p1));
    rc_.p3 = ParseReal(t.text(TextField::p3));
    p.miter = ParseInteger(t.text(TextField::miter));
    rc_.coefA = {ParseReal(t.text(TextField::amx)), ParseReal(t.text(TextField::amy))};
    rc_.coefB = {ParseReal(t.text(TextField::bmx)), ParseReal(t.text(TextField::bmy))};
    rc_.coefC = {ParseReal(t.text(TextField::cmx)), ParseReal(t.text(TextField::cmy))};
    p.maxmod = ParseReal(t.text(TextField::maxmod));
    rc_.minit = ParseLenientInteger(t.text(TextField::minit));
}

// A width below one pixel, or a picture beyond the buffer's offset limit, is
// refused before anything is sized for it.
static void CheckPictureSize(int32_t siz, int32_t sizy) {
    if (siz < 1 || sizy < 1 || static_cast<int64_t>(siz) * sizy > kBufferOffsetLimit)
        throw FaultError(FaultKind::RangeCheck);
}

void RenderDriver::sizeBitmap() {
    CheckPictureSize(s_.params.siz, s_.params.sizy);
    host_.resizePictureBitmap(s_.params.siz, s_.params.sizy);
    s_.BitmapWidth = s_.params.siz;
    host_.setBitmapPalette();
}

void RenderDriver::allocateBuffer() {
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
    s_.ResumeColumn = 0;
}

// A set-up fault that lets the run go on may have skipped the sizing of the
// bitmap and the buffer after siz changed; a kept buffer may also belong to
// another size. Either way the picture is made to fit before any pixel is
// written.
void RenderDriver::fitPictureToSize() {
    const int32_t siz = s_.params.siz, sizy = s_.params.sizy;
    CheckPictureSize(siz, sizy);
    if (s_.BitmapWidth != siz) sizeBitmap();
    if (!s_.buffer.present || s_.buffer.width != siz || s_.buffer.height != sizy) allocateBuffer();
}

void RenderDriver::reportSetUpFault(FaultKind kind) {
    const SetUpText text = ClassifySetUpFault(kind);
    host_.messageBox(text.message, "main", MessageButtons::Ok, MessageIcon::None);
    if (text.endsRun) s_.params.CancelRequested = true;
    if (kind == FaultKind::OutOfMemory) s_.buffer.release();
}

bool RenderDriver::setUp() {
    try {
        readParameters();
        host_.makePalette();
        if (s_.params.siz != s_.BitmapWidth) sizeBitmap();
        if (!s_.params.KeepBuffer && !s_.ContinueFlag) allocateBuffer();
        s_.params.KeepBuffer = false;
    } catch (const FaultError& e) {
        reportSetUpFault(e.kind());
    } catch (const std::bad_alloc&) {
        reportSetUpFault(FaultKind::OutOfMemory);
    }
    if (s_.params.CancelRequested) return false;
    try {
        fitPictureToSize();
    } catch (const FaultError& e) {
        reportSetUpFault(e.kind());
    } catch (const std::bad_alloc&) {
        reportSetUpFault(FaultKind::OutOfMemory);
    }
    return !s_.params.CancelRequested;
}

void RenderDriver::prepareRunContext() {
    const PictureParameters& p = s_.params;
    rc_.siz = p.siz;
    rc_.sizy = p.sizy;
    rc_.xce = p.xce;
    rc_.yce = p.yce;
    rc_.FunctionKind = p.FunctionKind;
    rc_.ffunc = p.ffunc;
    rc_.mandelbrot = s_.menu.isChecked("Mandelbrot1");
    rc_.cx = p.cx;
    rc_.cy = p.cy;
    rc_.CustomCode = p.CustomCode.data();
    rc_.CustomCodeLength = p.CustomCodeLength;
    rc_.u = p.u;
    rc_.v = p.v;
    rc_.w = p.w;
    rc_.BailoutKind = p.BailoutKind;
    rc_.maxmod = p.maxmod;
    rc_.miter = p.miter;
    rc_.StalkType = p.StalkType;
    rc_.p1 = p.p1;
    rc_.p2 = p.p2;
    rc_.sphere = p.sphere != 0;
    rc_.inversion = p.inversion != 0;
    rc_.invx = p.invx;
    rc_.invy = p.invy;
    rc_.invr = p.invr;
    rc_.suppressFaultMessages = false;

    ClearFloatFaults();
    rc_.step = p.Rang / p.siz;
    SetTrapThresholds(rc_);
    rc_.trapImage = &DefaultTrapImage();
    if (FloatFaultPending()) {
        const FaultKind kind = PendingFloatFault();
        ClearFloatFaults();
        throw FaultError(kind);
    }
}

void RenderDriver::drawSphereBackground() {
    const ColourValue background = ColourValue::Index(183);
    host_.fillBitmapRect(0, 0, s_.params.siz, s_.params.sizy, background);
    host_.drawBitmapOnWindow(s_.xoff, s_.yoff);
    std::fill(s_.buffer.bytes.begin(), s_.buffer.bytes.end(), background.lowByte());
}

void RenderDriver::prepareCoefficientFormula() {
    s_.texts.setText(TextField::cx, FormatFixed(s_.params.xce, 20, 17));
    s_.texts.setText(TextField::cy, FormatFixed(s_.params.yce, 20, 17));
    s_.params.maxmod = 1000.0L;
    rc_.maxmod = 1000.0L;
}

void RenderDriver::reportPixelFault(FaultKind kind) {
    if (kind == FaultKind::None || !s_.params.ShowExceptions || rc_.suppressFaultMessages) return;
    const MessageResult answer =
        host_.messageBox(FaultMessage(kind), "main", MessageButtons::AbortRetryIgnore, MessageIcon::Error);
    if (answer == MessageResult::Abort) s_.params.CancelRequested = true;
    if (answer == MessageResult::Ignore) rc_.suppressFaultMessages = true;
}

void RenderDriver::computeColumn(int col) {
    PictureBuffer& buffer = s_.buffer;
    int lastPx = col;
    for (int row = 0; row < rc_.sizy; ++row) {
        const PixelOutcome out = ComputePixel(rc_, col, row);
        reportPixelFault(out.orbitFault);
        reportPixelFault(out.colourFault);
        if (out.px < 0 || out.px >= buffer.width || out.py < 0 || out.py >= buffer.height)
            throw FaultError(FaultKind::RangeCheck);
        host_.setBitmapPixel(out.px, out.py, out.colour);
        buffer.bytes[static_cast<size_t>(out.py) * static_cast<size_t>(buffer.width) + static_cast<size_t>(out.px)] =
            out.colour.lowByte();
        orbitSteps_ += out.steps;
        lastPx = out.px;
        host_.pumpEvents();
    }
    host_.copyColumnToWindow(lastPx, rc_.sizy, s_.xoff, s_.yoff);
    const long double percent = static_cast<long double>(CheckedMul(col, 100)) / rc_.siz;
    const std::string progress = FormatFixed(percent, 5, 0) + " % completed";
    setStatus(progress);
    setTitle(progress);
}

void RenderDriver::finishRun(int col) {
    PictureParameters& p = s_.params;
    p.LastColumnDone = col - 1;
    p.Calculating = false;
    setStatus(p.CancelRequested ? "Picture generation halted." : "Picture completed.");
    setTitle(kFinishedTitle);
    host_.showCancelLabel(false);
    if (s_.menu.isChecked("Mandelbrot1")) {
        s_.texts.setText(TextField::cx, s_.texts.text(TextField::xce));
        s_.texts.setText(TextField::cy, s_.texts.text(TextField::yce));
    }
    host_.fillParameterBlock();
}

void RenderDriver::Runclick() {
    PictureParameters& p = s_.params;
    if (p.Calculating) return;
    RunGuard guard(s_, host_);
    s_.menu.lockForRun();
    host_.menusChanged();

    setStatus("Initialising....");
    p.CancelRequested = false;
    host_.showCancelLabel(true);
    host_.repaintWindow();
    rc_.suppressFaultMessages = false;
    orbitSteps_ = 0;

    if (!setUp()) return;

    p.Calculating = true;
    int col = std::max(s_.ResumeColumn, 0);
    try {
        s_.xoff = (host_.windowWidth() - p.siz) / 2;
        s_.yoff = (host_.panelTop() - p.sizy) / 2;
        prepareRunContext();
        setStatus("Commencing drawing...");
        if (p.sphere) drawSphereBackground();
        if (p.FunctionKind == kFormulaCoefficients) prepareCoefficientFormula();
        // A resume point beyond the picture (a hostile file, say) computes
        // nothing rather than writing outside the buffer.
        while (col < p.siz) {
            computeColumn(col);
            ++col;
            if (p.CancelRequested) break;
        }
    } catch (const FaultError& e) {
        // A fault outside the per-pixel regions cannot be stepped over: the
        // run stops here, as if cancelled, and says why.
        host_.messageBox(e.what(), "main", MessageButtons::Ok, MessageIcon::Error);
        p.CancelRequested = true;
    }
    finishRun(col);
}

void RenderDriver::Continue() {
    if (s_.params.LastColumnDone < s_.params.siz - 1) {
        s_.ResumeColumn = s_.params.LastColumnDone;
        s_.ContinueFlag = true;
        Runclick();
        s_.ContinueFlag = false;
    }
}

void RenderDriver::Params() {
    if (s_.params.Calculating) {
        host_.messageBox("Cannot change parameters whilst calculating", s_.applicationTitle, MessageButtons::Ok,
                         MessageIcon::Information);
        return;
    }
    if (host_.showParametersDialog() == kParametersRun) Runclick();
}

void RenderDriver::runinverse1Click() {
    s_.params.inversion = 1;
    s_.menu.setChecked("Inversion1", true);
}

}  // namespace velmora
