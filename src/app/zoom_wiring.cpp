#include "zoom_wiring.hpp"

#include <QPainter>

#include <algorithm>
#include <exception>

#include "render_driver.hpp"

namespace velmora {
namespace {

constexpr QRgb kShownAsDrawn = 0xFF000000;
// XORed over a pixel, this flips the top bit of each channel; the raster
// operations leave alpha alone.
constexpr QRgb kShownInverted = 0xFF808080;

MouseButton ZoomButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return MouseButton::Left;
    case Qt::MiddleButton: return MouseButton::Middle;
    case Qt::RightButton: return MouseButton::Right;
    default: return MouseButton::Other;
    }
}

bool Shift(Qt::KeyboardModifiers modifiers) { return modifiers.testFlag(Qt::ShiftModifier); }

}  // namespace

void InvertedPixels::fit(QSize window) {
    // The mask never shrinks: marks beyond a window made smaller must still
    // be there to undraw when it grows back.
    const QSize size = mask_.size().expandedTo(window);
    if (size == mask_.size()) return;
    QImage grown(size, QImage::Format_RGB32);
    grown.fill(kShownAsDrawn);
    if (!mask_.isNull()) {
        QPainter painter(&grown);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), mask_);
    }
    mask_ = std::move(grown);
}

QRect InvertedPixels::invertRect(const QRect& area, QSize window) {
    fit(window);
    const QRect changed = area.intersected(mask_.rect());
    if (changed.isEmpty()) return {};
    for (int y = changed.top(); y <= changed.bottom(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(mask_.scanLine(y));
        for (int x = changed.left(); x <= changed.right(); ++x) line[x] ^= kShownAsDrawn ^ kShownInverted;
    }
    touched_ |= changed;
    return changed;
}

QRect InvertedPixels::invertEllipse(const QRect& box, QSize window) {
    fit(window);
    const QRect changed = box.intersected(mask_.rect());
    if (changed.isEmpty()) return {};
    QPainter painter(&mask_);
    // Without antialiasing a pixel is inside exactly when its centre is, so
    // the same box always covers the same pixels and a second XOR restores
    // them.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgb(kShownInverted));
    painter.drawEllipse(QRectF(box));
    touched_ |= changed;
    return changed;
}

void InvertedPixels::clear() {
    if (!touched_.isEmpty()) {
        QPainter painter(&mask_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(touched_, QColor::fromRgb(kShownAsDrawn));
    }
    touched_ = QRect();
}

void InvertedPixels::paint(QPainter& painter) const {
    if (touched_.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.drawImage(touched_.topLeft(), mask_, touched_);
    painter.restore();
}

ZoomWiring::ZoomWiring(ProgramState& state, PictureCanvas& canvas, RenderDriver& driver, Prompter& prompter,
                       UserPrompts& prompts)
    : s_(state), canvas_(&canvas), driver_(driver), prompter_(prompter), zoom_(state, *this, prompts) {
    canvas.setMouseHandler(this);
    erased_ = QObject::connect(&canvas, &PictureCanvas::tidied, [this] { windowErased(); });
}

ZoomWiring::~ZoomWiring() {
    QObject::disconnect(erased_);
    if (!canvas_) return;
    canvas_->setMouseHandler(nullptr);
    if (overlay_ != 0) canvas_->removeOverlay(overlay_);
}

template <class Handler>
void ZoomWiring::guarded(Handler&& handler) {
    // Nothing may escape into the toolkit's event delivery.
    try {
        handler();
    } catch (const std::exception& e) {
        ReportError(prompter_, s_.applicationTitle, e);
    }
}

// Every event goes to the controller: it alone knows whether a selection is
// under way and whether a run is in progress.
void ZoomWiring::mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) {
    guarded([&] { zoom_.FormMouseDown(ZoomButton(button), Shift(modifiers), position.x(), position.y()); });
}

void ZoomWiring::mouseMoved(Qt::MouseButtons, Qt::KeyboardModifiers modifiers, QPoint position) {
    guarded([&] { zoom_.FormMouseMove(Shift(modifiers), position.x(), position.y()); });
}

void ZoomWiring::mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) {
    guarded([&] { zoom_.FormMouseUp(ZoomButton(button), Shift(modifiers), position.x(), position.y()); });
}

void ZoomWiring::invertRect(int x, int y, int width, int height) {
    if (!canvas_) return;
    marked(marks_.invertRect(QRect(x, y, width, height), canvas_->size()));
}

void ZoomWiring::invertEllipse(int left, int top, int right, int bottom) {
    if (!canvas_) return;
    marked(marks_.invertEllipse(QRect(left, top, right - left, bottom - top), canvas_->size()));
}

void ZoomWiring::marked(const QRect& changed) {
    if (changed.isEmpty() || !canvas_) return;
    if (overlay_ == 0)
        overlay_ = canvas_->addOverlay([this](QPainter& painter) { marks_.paint(painter); });
    else
        canvas_->update(changed);
}

void ZoomWiring::windowErased() {
    marks_.clear();
    if (overlay_ != 0 && canvas_) canvas_->removeOverlay(overlay_);
    overlay_ = 0;
}

int ZoomWiring::pictureWidth() { return s_.PictureBitmap.width(); }

void ZoomWiring::releaseMouseCapture() {
    if (canvas_) canvas_->releaseMouse();
}

void ZoomWiring::startRun() { driver_.Runclick(); }

}  // namespace velmora
