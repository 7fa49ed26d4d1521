#include "window_host.hpp"

#include <QCoreApplication>
#include <QLabel>

#include <algorithm>
#include <ctime>

#include "main_window.hpp"
#include "parameters_dialog.hpp"
#include "picture_canvas.hpp"
#include "status_panel.hpp"

namespace velmora {

int64_t ThreadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

void WindowHost::attachMainWindow(MainWindow* window) {
    window_ = window;
    if (window_) window_->setWindowIconText(QString::fromStdString(title_));
}

void WindowHost::setStatusText(const std::string& text) {
    if (window_) window_->panel()->setStatusText(QString::fromStdString(text));
}

void WindowHost::showCancelLabel(bool visible) {
    // A run starts or ends: its first pixel handles whatever is waiting, and
    // what it computed is all shown.
    sinceLastPump_.invalidate();
    sinceRepaint_.invalidate();
    repaintShownColumns();
    if (window_) window_->panel()->esc()->setVisible(visible);
}

void WindowHost::setApplicationTitle(const std::string& title) {
    // A run sets its progress after every column; most leave it as it was.
    if (title == title_) return;
    title_ = title;
    // The desktop has no task-bar text apart from the window's: the title
    // goes to the window's icon text, which task bars and icons show, so the
    // caption itself stays as it is.
    if (window_) window_->setWindowIconText(QString::fromStdString(title));
}

void WindowHost::repaintWindow() {
    if (window_) window_->canvas()->tidy();
}

int WindowHost::windowWidth() { return window_ ? window_->frameGeometry().width() : 0; }

// Where the canvas puts its panel: known from the canvas's size before the
// panel has moved there, which a window not yet shown (a picture loaded at
// start-up) waits for.
int WindowHost::panelTop() { return window_ ? window_->canvas()->height() - StatusPanel::kHeight : 0; }

void WindowHost::pictureResized() {
    repaintShownColumns();
    if (window_) window_->canvas()->updatePicture();
    if (onPicturePlaced) onPicturePlaced();
}

void WindowHost::drawPicture() {
    repaintShownColumns();
    if (window_) window_->canvas()->updatePicture();
}

void WindowHost::copyColumnToWindow(int px, int height) {
    if (firstUnpainted_ > lastUnpainted_) {
        firstUnpainted_ = lastUnpainted_ = px;
    } else {
        firstUnpainted_ = std::min(firstUnpainted_, px);
        lastUnpainted_ = std::max(lastUnpainted_, px);
    }
    unpaintedHeight_ = std::max(unpaintedHeight_, height);
    if (onColumnShown) onColumnShown(px);
}

void WindowHost::repaintShownColumns() {
    if (firstUnpainted_ > lastUnpainted_) return;
    if (window_) window_->canvas()->updateColumns(firstUnpainted_, lastUnpainted_, unpaintedHeight_);
    firstUnpainted_ = 0;
    lastUnpainted_ = -1;
    unpaintedHeight_ = 0;
    sinceRepaint_.start();
}

void WindowHost::pumpEvents() {
    if (!pumpEnabled_) return;
    ++stats_.calls;
    if (interval_ > 0 && sinceLastPump_.isValid() && --untilClockReading_ > 0) return;
    untilClockReading_ = kPixelsPerClockReading;
    pumpIfDue();
}

void WindowHost::pumpIfDue() {
    if (!pumpEnabled_) return;
    // Handling events costs far more than a pixel of a quick picture, so
    // they are handled only every few milliseconds; the user cannot tell.
    if (sinceLastPump_.isValid()) {
        const int64_t waited = sinceLastPump_.nsecsElapsed();
        if (waited < interval_) return;
        stats_.longestWait = std::max(stats_.longestWait, waited);
    }
    if (!sinceRepaint_.isValid() || sinceRepaint_.nsecsElapsed() >= repaintInterval_) repaintShownColumns();
    QElapsedTimer pumping;
    pumping.start();
    const int64_t cpuBefore = ThreadCpuNanoseconds();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    stats_.cpuNanosecondsPumping += ThreadCpuNanoseconds() - cpuBefore;
    const int64_t took = pumping.nsecsElapsed();
    ++stats_.pumps;
    stats_.nanosecondsPumping += took;
    stats_.longestPump = std::max(stats_.longestPump, took);
    sinceLastPump_.start();
}

MessageResult WindowHost::messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                                     MessageIcon icon) {
    return prompter_.messageBox(text, caption, buttons, icon);
}

int WindowHost::showParametersDialog() { return dialog_ ? dialog_->runModal() : ParametersDialog::kClosed; }

}  // namespace velmora
