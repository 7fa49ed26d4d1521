#include "status_panel.hpp"

#include <QFontInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>

#include <algorithm>

namespace velmora {

namespace {
constexpr int kCancelWidth = 179;

// A label that asks for no room of its own and cuts its text short to the
// room it is given, so it never pushes into its neighbours.
class ElidedLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect room = contentsRect();
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, room.width()));
    }
};

}  // namespace

StatusPanel::StatusPanel(QWidget* parent) : QFrame(parent) {
    setObjectName("Panel1");
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setFixedHeight(kHeight);
    setAutoFillBackground(true);
    QPalette panelColours = palette();
    panelColours.setColor(QPalette::Window, QColor(192, 192, 192));
    panelColours.setColor(QPalette::WindowText, Qt::black);
    setPalette(panelColours);

    // The labels pass their clicks on to the panel, so a click anywhere on
    // it cancels.
    esc_ = new QLabel(kCancelText, this);
    esc_->setObjectName("esc");
    esc_->setFixedSize(kCancelWidth, 26);
    esc_->setAlignment(Qt::AlignCenter);
    esc_->setAutoFillBackground(true);
    QPalette teal = esc_->palette();
    teal.setColor(QPalette::Window, QColor(0, 128, 128));
    esc_->setPalette(teal);
    // Hidden between runs, but its place stays so the other labels do not move.
    QSizePolicy keepPlace = esc_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    esc_->setSizePolicy(keepPlace);
    esc_->hide();

    perc_ = new QLabel(this);
    perc_->setObjectName("perc");
    perc_->setAlignment(Qt::AlignCenter);
    perc_->setFixedSize(144, 15);

    image1_ = new QLabel(this);
    image1_->setObjectName("Image1");
    image1_->setFixedSize(304, 20);

    label1_ = new QLabel("Press F1 for help", this);
    label1_->setObjectName("Label1");

    progressBar3_ = new QProgressBar(this);
    progressBar3_->setObjectName("ProgressBar3");
    progressBar3_->setRange(0, 100);
    progressBar3_->hide();

    pointerPlace_ = new ElidedLabel(this);
    pointerPlace_->setObjectName("PointerPlace");
    pointerPlace_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    runTimes_ = new ElidedLabel(this);
    runTimes_->setObjectName("RunTimes");
    runTimes_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(8);
    row->addWidget(esc_);
    row->addWidget(perc_);
    row->addWidget(image1_);
    row->addWidget(label1_);
    row->addWidget(progressBar3_);
    row->addWidget(pointerPlace_, 3);
    row->addWidget(runTimes_, 2);
    fitCancelText();
}

void StatusPanel::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange) fitCancelText();
}

void StatusPanel::fitCancelText() {
    // Where the window's font falls back to one wider than the label was
    // sized for, the text takes a smaller size of it and stays on one line;
    // only a text that is still too wide at the smallest readable size
    // widens the label.
    constexpr int kSmallestPixelSize = 8;
    QFont fitted = font();
    if (fitted.pixelSize() <= 0) fitted.setPixelSize(QFontInfo(fitted).pixelSize());
    const QString text = esc_->text();
    const int room = kCancelWidth - 2;
    while (QFontMetrics(fitted).horizontalAdvance(text) > room && fitted.pixelSize() > kSmallestPixelSize)
        fitted.setPixelSize(fitted.pixelSize() - 1);
    esc_->setFont(fitted);
    esc_->setFixedWidth(std::max(kCancelWidth, QFontMetrics(fitted).horizontalAdvance(text) + 2));
    emit narrowestWidthChanged(narrowestWidth());
}

void StatusPanel::setStatusText(const QString& text) {
    // A run gives its progress after every column, mostly the same as before.
    if (text == perc_->text()) return;
    const int needed = perc_->fontMetrics().horizontalAdvance(text) + 8;
    perc_->setText(text);
    if (needed > perc_->width()) {
        perc_->setFixedWidth(needed);
        emit narrowestWidthChanged(narrowestWidth());
    }
}

void StatusPanel::setPointerPlace(const QString& text) {
    if (pointerPlace_->text() == text) return;
    pointerPlace_->setText(text);
    pointerPlace_->setToolTip(text);
}

void StatusPanel::setRunTimes(const QString& text) {
    if (runTimes_->text() != text) runTimes_->setText(text);
}

int StatusPanel::narrowestWidth() const {
    if (!layout()) return 0;
    layout()->invalidate();
    return layout()->minimumSize().width();
}

void StatusPanel::mousePressEvent(QMouseEvent* event) {
    emit cancelClicked();
    event->accept();
}

}  // namespace velmora
