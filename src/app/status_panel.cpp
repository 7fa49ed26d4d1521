#include "status_panel.hpp"

#include <QFontInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>

#include <algorithm>

namespace velmora {

namespace {
constexpr int kCancelWidth = 179;
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

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(8);
    row->addWidget(esc_);
    row->addWidget(perc_);
    row->addWidget(image1_);
    row->addWidget(label1_);
    row->addWidget(progressBar3_);
    row->addStretch(1);
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
}

void StatusPanel::setStatusText(const QString& text) {
    const int needed = perc_->fontMetrics().horizontalAdvance(text) + 8;
    if (needed > perc_->width()) perc_->setFixedWidth(needed);
    perc_->setText(text);
}

void StatusPanel::mousePressEvent(QMouseEvent* event) {
    emit cancelClicked();
    event->accept();
}

}  // namespace velmora
