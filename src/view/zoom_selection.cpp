#include "zoom_selection.hpp"

#include <limits>

#include "conversions.hpp"
#include "fault.hpp"

namespace velmora {
namespace {

// Pointer coordinates are far inside 32 bits on any screen; a value that
// would leave them is an integer fault rather than a wrapped band.
int32_t Narrow(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw FaultError(FaultKind::IntOverflow);
    return static_cast<int32_t>(value);
}

// A rectangle given by a corner and a signed width and height, turned into
// one with its top-left corner and a positive size: a band dragged to the
// left of the anchor covers the columns mirrored about it.
struct Area {
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width == 0 || height == 0; }
};

Area Normalised(int64_t x, int64_t y, int64_t width, int64_t height) {
    if (width < 0) {
        x += width;
        width = -width;
    }
    if (height < 0) {
        y += height;
        height = -height;
    }
    return {Narrow(x), Narrow(y), Narrow(width), Narrow(height)};
}

// pixels * Rang / W in extended precision, in that order; a fault (a range
// near the top of the extended range) is raised, not turned into an infinity.
long double Scaled(int32_t pixels, long double rang, int32_t width) {
    long double value = static_cast<long double>(pixels) * rang;
    StepCheck::Check(value);
    value = value / static_cast<long double>(width);
    StepCheck::Check(value);
    return value;
}

long double Shifted(long double offset, long double centre) {
    const long double value = offset + centre;
    StepCheck::Check(value);
    return value;
}

}  // namespace

bool ZoomController::ignored(MouseButton button) const {
    // The right button belongs to the pop-up menu; nothing may start, move or
    // finish while a run pumps events.
    return button == MouseButton::Right || button == MouseButton::Other || s_.run.Calculating;
}

void ZoomController::FormMouseDown(MouseButton button, bool /*shift*/, int x, int y) {
    if (ignored(button)) return;
    // Before the first picture there is nothing to zoom into and no width to
    // measure a band against, so a drag then starts nothing at all.
    if (host_.pictureWidth() <= 0) return;
    sel_.active = true;
    sel_.anchorX = x;
    sel_.anchorY = y;
    sel_.left = sel_.right = x;
    // The circle of a Shift-click without movement is centred on the click,
    // so the band starts flat at the press row.
    sel_.top = sel_.bottom = y;
    sel_.drawnLeft = sel_.drawnRight = x;
    sel_.drawnTop = sel_.drawnBottom = y;
}

void ZoomController::FormMouseMove(bool shift, int x, int y) {
    (void)y;  // only the horizontal position sizes the band
    if (!sel_.active || s_.run.Calculating) return;
    try {
        if (shift)
            moveCircle(x);
        else
            moveRectangle(x);
    } catch (const FaultError& e) {
        reportFault(e);
    }
}

void ZoomController::moveRectangle(int x) {
    // Everything is worked out before anything changes, so a fault leaves the
    // band as it was.
    const int64_t ax = sel_.anchorX, ay = sel_.anchorY;
    const int32_t d = Narrow(x - ax);
    const int32_t left = Narrow(ax - d);
    const int32_t bottom = Narrow(int64_t{MulDiv(d, 3, 4)} + ay);
    const int32_t top = Narrow(ay - (bottom - ay));
    replaceShape(false, x, left, top, bottom);
}

void ZoomController::moveCircle(int x) {
    const int64_t ax = sel_.anchorX, ay = sel_.anchorY;
    const int32_t d = Narrow(x - ax);
    const int32_t left = Narrow(ax - d);
    const int32_t bottom = Narrow(ay + d);
    const int32_t top = Narrow(ay - d);
    // The shown shape goes by drawing it once more; after a change of the
    // Shift key mid-drag that leaves the other shape's trace until a repaint.
    replaceShape(true, x, left, top, bottom);
}

void ZoomController::replaceShape(bool ellipse, int32_t right, int32_t left, int32_t top, int32_t bottom) {
    const Area shown = Normalised(sel_.drawnLeft, sel_.drawnTop, int64_t{sel_.drawnRight} - sel_.drawnLeft,
                                  int64_t{sel_.drawnBottom} - sel_.drawnTop);
    const Area shape = Normalised(left, top, int64_t{right} - left, int64_t{bottom} - top);
    sel_.right = right;
    sel_.left = left;
    sel_.bottom = bottom;
    sel_.top = top;
    for (const Area& a : {shown, shape}) {
        if (a.empty()) continue;
        if (ellipse)
            host_.invertEllipse(a.x, a.y, a.x + a.width, a.y + a.height);
        else
            host_.invertRect(a.x, a.y, a.width, a.height);
    }
    sel_.drawnLeft = sel_.left;
    sel_.drawnTop = sel_.top;
    sel_.drawnRight = sel_.right;
    sel_.drawnBottom = sel_.bottom;
}

void ZoomController::FormMouseUp(MouseButton button, bool shift, int x, int y) {
    (void)x;
    (void)y;  // the band ends where the last move left it
    if (ignored(button)) return;
    // A release that does not end a selection begun here (the press went to
    // another window, or came during a run) must not act on an old band.
    if (!sel_.active) return;
    if (shift) {
        placeInversionCircle();
        return;
    }
    if (sel_.left == sel_.right) {
        sel_.active = false;
        prompts_.messageBox(kZeroSizeText, kZeroSizeCaption, MessageButtons::Ok, MessageIcon::None);
        return;
    }
    zoom();
}

void ZoomController::placeInversionCircle() {
    sel_.active = false;
    PictureParameters& p = s_.params;
    try {
        ClearFloatFaults();
        const int32_t w = host_.pictureWidth();
        const long double invr = Scaled(Narrow(int64_t{sel_.left} - sel_.anchorX), p.Rang, w);
        const int32_t dx = Narrow((int64_t{sel_.left} + sel_.right) / 2 - s_.xoff - p.siz / 2);
        const long double invx = Shifted(Scaled(dx, p.Rang, w), p.xce);
        const int32_t dy = Narrow((int64_t{sel_.top} + sel_.bottom) / 2 - s_.yoff - p.sizy / 2);
        const long double invy = Shifted(Scaled(dy, p.Rang, w), p.yce);
        p.invr = invr;
        p.invx = invx;
        p.invy = invy;
    } catch (const FaultError& e) {
        ClearFloatFaults();
        reportFault(e);
    }
}

void ZoomController::zoom() {
    sel_.active = false;
    host_.releaseMouseCapture();
    PictureParameters& p = s_.params;
    try {
        ClearFloatFaults();
        const int32_t w = host_.pictureWidth();
        // Pixels are square, so the vertical offset is scaled by the width
        // too; both centres are measured with the range being replaced.
        const int32_t dx = Narrow((int64_t{sel_.left} + sel_.right) / 2 - s_.xoff - p.siz / 2);
        const long double xce = Shifted(Scaled(dx, p.Rang, w), p.xce);
        const int32_t dy = Narrow((int64_t{sel_.top} + sel_.bottom) / 2 - s_.yoff - p.sizy / 2);
        const long double yce = Shifted(Scaled(dy, p.Rang, w), p.yce);
        const long double rang = Scaled(Narrow(int64_t{sel_.right} - sel_.left), p.Rang, w);
        p.xce = xce;
        p.yce = yce;
        p.Rang = rang;
    } catch (const FaultError& e) {
        ClearFloatFaults();
        reportFault(e);
        return;
    }
    // The run takes its parameters from the dialog's texts.
    s_.texts.setText(TextField::Rang, FormatFixed(p.Rang, 20, 17));
    s_.texts.setText(TextField::xce, FormatFixed(p.xce, 20, 18));
    s_.texts.setText(TextField::yce, FormatFixed(p.yce, 20, 18));
    host_.startRun();
}

void ZoomController::reportFault(const std::exception& e) { ReportError(s_, prompts_, e); }

}  // namespace velmora
