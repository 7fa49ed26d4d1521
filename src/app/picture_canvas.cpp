#include "picture_canvas.hpp"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QProgressBar>
#include <QWheelEvent>

#include <algorithm>

#include "colour_value.hpp"
#include "palette.hpp"
#include "status_panel.hpp"

namespace velmora {

ColourTable256 GreyScaleColourTable() {
    ColourTable256 table{};
    for (int i = 0; i < 256; ++i) {
        // Ramps of 30 entries, one for each stalk band, light to dark: the
        // bands and the steps of the escape gradient stand out against each
        // other and against the grey window.
        const int grey = i <= kCaughtEntry ? 255 - (i % 30) * 255 / 29 : 128;
        table[static_cast<size_t>(i)] = qRgb(grey, grey, grey);
    }
    table[kInteriorEntry] = qRgb(0, 0, 0);
    table[kWhiteEntry] = qRgb(255, 255, 255);
    table[kBlackEntry] = qRgb(0, 0, 0);
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
    // The window may not be made so narrow that the panel's texts overlap.
    setMinimumWidth(panel_->narrowestWidth());
    connect(panel_, &StatusPanel::narrowestWidthChanged, this, [this](int width) { setMinimumWidth(width); });
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
    emit resized();
}

void PictureCanvas::showLoadProgress(int percent) {
    progressBar1_->setValue(std::clamp(percent, 0, 100));
    progressBar1_->show();
}

void PictureCanvas::hideLoadProgress() {
    progressBar1_->hide();
    progressBar1_->setValue(0);
}

QRect PictureCanvas::pictureRect() const {
    return QRect(s_.xoff, s_.yoff, s_.PictureBitmap.width(), s_.PictureBitmap.height());
}

QImage PictureCanvas::pictureBitmap() const {
    const IndexImage& picture = s_.PictureBitmap;
    if (picture.width() <= 0 || picture.height() <= 0) return QImage();
    QImage image(picture.pixels().data(), picture.width(), picture.height(), picture.width(),
                 QImage::Format_Indexed8);
    image.setColorTable(qtTable_);
    return image;
}

void PictureCanvas::setColourTable(const ColourTable256& table) {
    table_ = table;
    qtTable_ = QList<QRgb>(table.begin(), table.end());
    updatePicture();
}

void PictureCanvas::updatePicture() { update(pictureRect()); }

void PictureCanvas::updateColumns(int first, int last, int height) {
    update(QRect(s_.xoff + first, s_.yoff, last - first + 1, height));
}

void PictureCanvas::tidy() {
    textLines_.clear();
    saveMarks_.clear();
    update();
    emit tidied();
}

void PictureCanvas::showTextLines(const std::vector<std::string>& lines) {
    textLines_ = lines;
    update(QRect(0, 0, width(), static_cast<int>(lines.size()) * 20 + 20));
}

void PictureCanvas::drawSaveMark(int x0, int x1, int y) {
    saveMarks_.emplace_back(x0, y, x1 - 1, y);
    update(QRect(x0, y, x1 - x0, 1));
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
    const QImage bitmap = pictureBitmap();
    if (!bitmap.isNull()) {
        // Converting the indexed picture costs time in proportion to its
        // size, so only the parts asked for are converted: during a run that
        // is a few columns at a time.
        for (const QRect& dirty : event->region()) {
            const QRect part = dirty.intersected(picture);
            if (part.isEmpty()) continue;
            painter.drawImage(part.topLeft(), bitmap.copy(part.translated(-s_.xoff, -s_.yoff)));
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
    if (!saveMarks_.empty()) {
        painter.setPen(Qt::black);
        painter.drawLines(saveMarks_.data(), static_cast<int>(saveMarks_.size()));
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

void PictureCanvas::wheelEvent(QWheelEvent* event) {
    emit wheelTurned(event->position().toPoint(), event->angleDelta().y());
    event->accept();
}

void PictureCanvas::contextMenuEvent(QContextMenuEvent* event) {
    emit popupRequested(event->globalPos());
    event->accept();
}

}  // namespace velmora
