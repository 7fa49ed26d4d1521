#pragma once
// The main window's client area: the program's picture bitmap drawn at (xoff, yoff),
// whatever text or marks are drawn over it, the status panel at the bottom
// and the load progress bar.
//
// The picture is an 8-bit indexed image whose colour table is the palette,
// so a new palette recolours the picture without recomputing it.

#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "program_state.hpp"

class QProgressBar;

namespace velmora {

class StatusPanel;

// Receives the mouse events of the client area (client coordinates, the
// system in which the picture lies at xoff, yoff).
class PictureMouseHandler {
public:
    virtual ~PictureMouseHandler() = default;
    virtual void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) = 0;
    virtual void mouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint position) = 0;
    virtual void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) = 0;
};

using ColourTable256 = std::array<uint32_t, 256>;  // 0xAARRGGBB, as QRgb

// Until the palette is built from its marked entries: grey ramps, with the
// interior black and the fixed entries 182 white and 183 black.
ColourTable256 GreyScaleColourTable();

class PictureCanvas : public QWidget {
    Q_OBJECT
public:
    PictureCanvas(const ProgramState& state, QWidget* parent = nullptr);

    StatusPanel* panel() const { return panel_; }
    QProgressBar* progressBar1() const { return progressBar1_; }
    // The load progress bar shows only while a picture loads: shown (or
    // advanced) with the percentage done, hidden when the load ends.
    void showLoadProgress(int percent);
    void hideLoadProgress();

    // The program's PictureBitmap as an indexed image in the current
    // colours (null while there is no picture). It shares the state's pixels:
    // use it before the picture changes again.
    QImage pictureBitmap() const;
    // The palette of the picture: the one place a new palette enters. The
    // table is kept and the picture is redrawn.
    void setColourTable(const ColourTable256& table);
    const ColourTable256& colourTable() const { return table_; }

    // Marks the whole picture / picture columns first..last for repainting.
    void updatePicture();
    void updateColumns(int first, int last, int height);
    // Erases the window and draws the picture again; text and marks drawn
    // over it go.
    void tidy();

    // Text written straight onto the window from its top-left corner, one
    // line every 20 pixels; it stays until the window is tidied.
    void showTextLines(const std::vector<std::string>& lines);
    // A row of the picture is being saved: a short line left of the picture,
    // from x0 to x1 (excluded) at y, in the window's pen. Marks stay until
    // the window is tidied.
    void drawSaveMark(int x0, int x1, int y);
    const std::vector<std::string>& textLines() const { return textLines_; }

    // Something drawn over the picture on every repaint (a zoom band, the
    // shrunk picture of the palette editor ...). Returns its id.
    int addOverlay(std::function<void(QPainter&)> paint);
    void removeOverlay(int id);

    void setMouseHandler(PictureMouseHandler* handler) { mouseHandler_ = handler; }

signals:
    // Right mouse button: the pop-up menu, at this global position.
    void popupRequested(QPoint globalPosition);
    // The window was erased by tidy(): marks drawn over it must go too.
    void tidied();
    // The mouse wheel turned over the client area: angle in eighths of a
    // degree (120 a notch, positive away from the user).
    void wheelTurned(QPoint position, int angleDelta);
    // The client area changed size.
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QRect pictureRect() const;

    const ProgramState& s_;
    StatusPanel* panel_;
    QProgressBar* progressBar1_;
    ColourTable256 table_{};
    QList<QRgb> qtTable_;
    std::vector<std::string> textLines_;
    std::vector<QLine> saveMarks_;
    std::map<int, std::function<void(QPainter&)>> overlays_;
    int nextOverlay_ = 1;
    PictureMouseHandler* mouseHandler_ = nullptr;
};

}  // namespace velmora
