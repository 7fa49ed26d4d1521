#include "julia_preview_window.hpp"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

namespace velmora {
namespace {

QString Coordinate(long double value) { return QString::number(static_cast<double>(value), 'g', 12); }

}  // namespace

JuliaPreviewWindow::JuliaPreviewWindow(Session& session, QWidget* parent)
    : QWidget(parent, Qt::Tool), session_(session) {
    setObjectName("JuliaPreview");
    setWindowTitle("Julia Preview");
    picture_ = new QLabel(this);
    picture_->setObjectName("JuliaPreviewPicture");
    picture_->setFixedSize(kJuliaPreviewWidth, HeightForWidth(kJuliaPreviewWidth));
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture_->setCursor(Qt::PointingHandCursor);
    picture_->setToolTip("Click to make this Julia set the picture");
    caption_ = new QLabel(this);
    caption_->setObjectName("JuliaPreviewCaption");
    caption_->setWordWrap(true);
    caption_->setFixedWidth(kJuliaPreviewWidth);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture_);
    layout->addWidget(caption_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    worker_ = std::make_unique<JuliaPreviewWorker>([this](JuliaPreviewPicture picture) {
        // From the worker's thread to this window's.
        QMetaObject::invokeMethod(
            this, [this, picture = std::move(picture)]() mutable { deliver(std::move(picture)); },
            Qt::QueuedConnection);
    });
}

JuliaPreviewWindow::~JuliaPreviewWindow() = default;

void JuliaPreviewWindow::open() {
    if (caption_->text().isEmpty()) caption_->setText("Move the pointer over the picture.");
    show();
    raise();
}

void JuliaPreviewWindow::pointerAt(const PlanePosition& point) {
    if (!isVisible()) return;
    const ProgramState& s = session_.state;
    if (s.setKind != SetKind::Mandelbrot) {
        caption_->setText("The preview shows Julia sets of a Mandelbrot picture's points (F4).");
        return;
    }
    try {
        JuliaPreviewJob job = MakeJuliaPreviewJob(s, point.x, point.y);
        ++requested_;
        worker_->request(std::move(job));
    } catch (const std::exception& e) {
        ClearFloatFaults();
        caption_->setText(QString("No preview: ") + e.what() + ".");
    }
}

void JuliaPreviewWindow::deliver(JuliaPreviewPicture picture) {
    // A point the pointer has left since is not worth showing.
    if (picture.serial != requested_) return;
    const IndexImage& image = picture.picture;
    QImage indexed(image.pixels().data(), image.width(), image.height(), image.width(), QImage::Format_Indexed8);
    const ColourTable colours = DisplayColours(session_.state.palette);
    indexed.setColorTable(QList<QRgb>(colours.begin(), colours.end()));
    picture_->setPixmap(QPixmap::fromImage(indexed));
    QString text = QString("Julia set of cx %1, cy %2").arg(Coordinate(picture.cx), Coordinate(picture.cy));
    if (picture.stoppedBy != FaultKind::None)
        text += QString(" (stopped: %1)").arg(QString::fromStdString(FaultMessage(picture.stoppedBy)));
    caption_->setText(text + ". Click to make it the picture.");
    shown_ = std::move(picture);
    emit previewShown();
}

void JuliaPreviewWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !shown_ ||
        !picture_->geometry().contains(event->position().toPoint())) {
        QWidget::mousePressEvent(event);
        return;
    }
    makeMainPicture(shown_->cx, shown_->cy);
}

void JuliaPreviewWindow::makeMainPicture(long double cx, long double cy) {
    ProgramState& s = session_.state;
    if (s.run.Calculating) {
        // The run going on shows a picture about to be left: it stops, and
        // the Julia set runs once it has.
        s.run.CancelRequested = true;
        QTimer::singleShot(5, this, [this, cx, cy] { makeMainPicture(cx, cy); });
        return;
    }
    try {
        session_.actions.Julia();
        WriteJuliaView(s.texts, s.params, cx, cy);
        session_.driver.Runclick();
    } catch (const std::exception& e) {
        ClearFloatFaults();
        session_.reportError(e);
    }
}

}  // namespace velmora
