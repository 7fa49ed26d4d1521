#pragma once
// The mouse zoom in the main window: the client area's mouse events drive the
// zoom controller, and the band and circle it draws are "inverted" pixels of
// what the window shows.
//
// A true inversion all but vanishes on the grey window (128 becomes 127), so
// an inverted pixel has the top bit of each channel flipped instead: every
// channel moves by 128, which shows on any colour, and flipping again gives
// back the exact pixel.
//
// The toolkit draws a widget only from its paint event, so the inverted
// pixels are kept as a mask that every repaint XORs over the picture, the
// grey around it and whatever else lies there. Inverting a pixel twice clears
// its mask bit, which undraws it exactly. Erasing the window (Tidy Screen, the
// start of every run) clears the mask, as a repaint wipes such marks.

#include <QImage>
#include <QMetaObject>
#include <QPointer>
#include <QRect>

#include "picture_canvas.hpp"
#include "program_state.hpp"
#include "prompter.hpp"
#include "zoom_selection.hpp"

class QPainter;

namespace velmora {

class RenderDriver;

// Pixels of a window that show inverted. The mask is opaque black where a
// pixel shows as drawn and opaque grey 0x808080 where it shows inverted.
class InvertedPixels {
public:
    // Both are clipped to a window of the given size; an area outside it
    // changes nothing. Each returns the part of the window it changed.
    QRect invertRect(const QRect& area, QSize window);
    // The ellipse inscribed in the box, right and bottom edges excluded.
    QRect invertEllipse(const QRect& box, QSize window);

    void clear();
    // Nothing was inverted since the last clear (what was inverted may have
    // been inverted back since).
    bool untouched() const { return touched_.isEmpty(); }
    // XORs the inverted pixels over what the painter's device shows.
    void paint(QPainter& painter) const;

    const QImage& mask() const { return mask_; }

private:
    // A window that has grown keeps its marks and can be marked all over.
    void fit(QSize window);

    QImage mask_;
    QRect touched_;
};

// The main window's side of the mouse zoom.
class ZoomWiring final : public ZoomHost, public PictureMouseHandler {
public:
    ZoomWiring(ProgramState& state, PictureCanvas& canvas, RenderDriver& driver, Prompter& prompter,
               UserPrompts& prompts);
    ~ZoomWiring() override;
    ZoomWiring(const ZoomWiring&) = delete;
    ZoomWiring& operator=(const ZoomWiring&) = delete;

    const ZoomController& controller() const { return zoom_; }
    const InvertedPixels& marks() const { return marks_; }

    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) override;
    void mouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint position) override;
    void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) override;

    void invertRect(int x, int y, int width, int height) override;
    void invertEllipse(int left, int top, int right, int bottom) override;
    int pictureWidth() override;
    void releaseMouseCapture() override;
    void startRun() override;

private:
    void marked(const QRect& changed);
    void windowErased();
    template <class Handler>
    void guarded(Handler&& handler);

    ProgramState& s_;
    QPointer<PictureCanvas> canvas_;
    RenderDriver& driver_;
    Prompter& prompter_;
    ZoomController zoom_;
    InvertedPixels marks_;
    int overlay_ = 0;  // 0: none on the canvas
    QMetaObject::Connection erased_;
};

}  // namespace velmora
