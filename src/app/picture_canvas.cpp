#include "picture_canvas.hpp"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QProgressBar>

#include <algorithm>

#include "status_panel.hpp"

namespace velmora {

ColourTable256 GreyScaleColourTable() {
    ColourTable256 table{};
    for (int i = 0; i < 256; ++i) {
        // Ramps of 30 entries, one for each stalk band, light to dark: the
        // bands and the steps of the escape gradient stand out against each
        // other and against the grey window.
        const int grey = i <= 180 ? 255 - (i % 30) * 255 / 29 : 128;
        table[static_cast<size_t>(i)] = qRgb(grey, grey, grey);
    }
    table[181] = qRgb(0, 0, 0);
    table[182] = qRgb(255, 255, 255);
    table[183] = qRgb(0, 0, 0);
    return table;
}

PictureCanvas::PictureCanvas(const ProgramState& state, QWidget* parent) : QWidget(parent), s_(state) {
    setObjectName("ClientArea");
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(grey);
    setMouseTracking(true);
    // The picture is drawn in full on every repaint of its area.
    setAttribute(Qt::WA_OpaquePaintEvent, false);

    panel_ = new StatusPanel(this);
    progressBar1_ = new QProgressBar(this);
    progressBar1_->setObjectName("ProgressBar1");
    progressBar1_->setRange(0, 100);
    progressBar1_->setValue(0);
    progressBar1_->setFixedSize(258, 12);
    progressBar1_->setTextVisible(false);
    progressBar1_->hide();

    setColourTable(GreyScaleColourTable());
}

void PictureCanvas::resizeEvent(QResizeEvent*) {
    panel_->setGeometry(0, height() - StatusPanel::kHeight, width(), StatusPanel::kHeight);
    progressBar1_->move(8, panel_->y() - progressBar1_->height() - 6);
}

void PictureCanvas::showLoadProgress(int percent) {
    progressBar1_->setValue(std::clamp(percent, 0, 100));
    progressBar1_->show();
}

void PictureCanvas::hideLoadProgress() {
    progressBar1_->hide();
    progressBar1_->setValue(0);
}

QRect PictureCanvas::pictureRect() const { return QRect(s_.xoff, s_.yoff, bitmap_.width(), bitmap_.height()); }

void PictureCanvas::resizePicture(int width, int height) {
    bitmap_ = QImage(width, height, QImage::Format_Indexed8);
    bitmap_.setColorTable(qtTable_);
    bitmap_.fill(0);
}

void PictureCanvas::releasePicture() { bitmap_ = QImage(); }

void PictureCanvas::setPixel(int x, int y, ColourValue colour) {
    if (x < 0 || y < 0 || x >= bitmap_.width() || y >= bitmap_.height()) return;
    const int index = colour.direct ? nearestIndex(static_cast<uint32_t>(colour.value)) : colour.lowByte();
    bitmap_.scanLine(y)[x] = static_cast<uchar>(index);
}

void PictureCanvas::fillRect(int x0, int y0, int x1, int y1, ColourValue brush, bool outline) {
    const QRect area = QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)).intersected(bitmap_.rect());
    if (area.isEmpty()) return;
    const int fill = brush.direct ? nearestIndex(static_cast<uint32_t>(brush.value)) : brush.lowByte();
    const int black = nearestIndex(0x000000);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        uchar* line = bitmap_.scanLine(y);
        for (int x = area.left(); x <= area.right(); ++x) {
            const bool edge = outline && (x == x0 || x == x1 - 1 || y == y0 || y == y1 - 1);
            line[x] = static_cast<uchar>(edge ? black : fill);
        }
    }
}

void PictureCanvas::setColourTable(const ColourTable256& table) {
    table_ = table;
    qtTable_ = QList<QRgb>(table.begin(), table.end());
    if (!bitmap_.isNull()) bitmap_.setColorTable(qtTable_);
    updatePicture();
}

int PictureCanvas::nearestIndex(uint32_t bgr) const {
    // Direct colours come as 0x00BBGGRR.
    const int r = static_cast<int>(bgr & 0xFF), g = static_cast<int>((bgr >> 8) & 0xFF),
              b = static_cast<int>((bgr >> 16) & 0xFF);
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < 256; ++i) {
        const QRgb c = table_[static_cast<size_t>(i)];
        const long dr = qRed(c) - r, dg = qGreen(c) - g, db = qBlue(c) - b;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void PictureCanvas::updatePicture() { update(pictureRect()); }

void PictureCanvas::updateColumn(int px, int height) { update(QRect(s_.xoff + px, s_.yoff, 1, height)); }

void PictureCanvas::tidy() {
    textLines_.clear();
    update();
    emit tidied();
}

void PictureCanvas::showTextLines(const std::vector<std::string>& lines) {
    textLines_ = lines;
    update(QRect(0, 0, width(), static_cast<int>(lines.size()) * 20 + 20));
}

int PictureCanvas::addOverlay(std::function<void(QPainter&)> paint) {
    const int id = nextOverlay_++;
    overlays_[id] = std::move(paint);
    update();
    return id;
}

void PictureCanvas::removeOverlay(int id) {
    if (overlays_.erase(id) > 0) update();
}

void PictureCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect picture = pictureRect();
    if (!bitmap_.isNull()) {
        // Converting the indexed picture costs time in proportion to its
        // size, so only the parts asked for are converted: during a run that
        // is a few columns at a time.
        for (const QRect& dirty : event->region()) {
            const QRect part = dirty.intersected(picture);
            if (part.isEmpty()) continue;
            painter.drawImage(part.topLeft(), bitmap_.copy(part.translated(-s_.xoff, -s_.yoff)));
        }
    }
    if (!textLines_.empty()) {
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(palette().color(QPalette::Window));
        painter.setPen(Qt::black);
        int y = 0;
        for (const std::string& line : textLines_) {
            painter.drawText(QRect(0, y, width(), 20), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                             QString::fromStdString(line));
            y += 20;
        }
        painter.setBackgroundMode(Qt::TransparentMode);
    }
    for (auto& [id, paint] : overlays_) paint(painter);
}

void PictureCanvas::mousePressEvent(QMouseEvent* event) {
    if (mouseHandler_) mouseHandler_->mousePressed(event->button(), event->modifiers(), event->position().toPoint());
}

void PictureCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (mouseHandler_) mouseHandler_->mouseMoved(event->buttons(), event->modifiers(), event->position().toPoint());
}

void PictureCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (mouseHandler_) mouseHandler_->mouseReleased(event->button(), event->modifiers(), event->position().toPoint());
}

void PictureCanvas::contextMenuEvent(QContextMenuEvent* event) {
    emit popupRequested(event->globalPos());
    event->accept();
}

}  // namespace velmora
