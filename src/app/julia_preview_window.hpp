#pragma once
// Action > Julia Preview (F8): a small window beside a Mandelbrot picture
// that shows the Julia set of the point under the pointer as it moves. A
// click in it makes that Julia set the main picture and runs it.

#include <QWidget>

#include <memory>
#include <optional>

#include "julia_preview.hpp"
#include "plane_navigation.hpp"
#include "session.hpp"

class QLabel;

namespace velmora {

class JuliaPreviewWindow : public QWidget {
    Q_OBJECT
public:
    JuliaPreviewWindow(Session& session, QWidget* parent);
    ~JuliaPreviewWindow() override;

    // The item: shows the window, or brings it to the front.
    void open();
    // The pointer is over the main picture at this plane point.
    void pointerAt(const PlanePosition& point);

    QLabel* picture() const { return picture_; }
    QLabel* caption() const { return caption_; }
    // The preview shown, if there is one.
    const std::optional<JuliaPreviewPicture>& shown() const { return shown_; }

signals:
    // A new preview is shown.
    void previewShown();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void deliver(JuliaPreviewPicture picture);
    void makeMainPicture(long double cx, long double cy);

    Session& session_;
    QLabel* picture_;
    QLabel* caption_;
    std::optional<JuliaPreviewPicture> shown_;
    uint64_t requested_ = 0;  // serials up to this one are asked for
    // Last, so that its thread ends before the window it delivers to goes.
    std::unique_ptr<JuliaPreviewWorker> worker_;
};

}  // namespace velmora
