#include "navigation_wiring.hpp"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "conversions.hpp"
#include "fault.hpp"
#include "main_window.hpp"
#include "status_panel.hpp"
#include "window_host.hpp"

namespace velmora {
namespace {

constexpr int kNotchAngle = 120;
constexpr int kBarThickness = 16;

// Decimals enough to tell neighbouring pixels apart, and a few more.
int PointerDecimals(long double step) {
    if (!(step > 0.0L)) return 6;
    const long double digits = std::ceil(-std::log10(step)) + 2.0L;
    return static_cast<int>(std::clamp(digits, 3.0L, 40.0L));
}

}  // namespace

QString DurationText(double seconds) {
    if (seconds < 60.0) return QString::number(seconds, 'f', 1) + " s";
    const long total = std::lround(seconds);
    return QString("%1:%2").arg(total / 60).arg(total % 60, 2, 10, QChar('0'));
}

NavigationWiring::NavigationWiring(Session& session, MainWindow& window, WindowHost& host,
                                   CustomFormulaField& formula, Prompter& prompter, PictureMouseHandler* next)
    : session_(session),
      s_(session.state),
      window_(window),
      host_(host),
      formula_(formula),
      prompter_(prompter),
      next_(next),
      canvas_(window.canvas()) {
    session_.driver.addObserver(*this);
    window_.setItemHandler(MenuId::Back, [this] { Back(); });
    window_.setItemHandler(MenuId::Forward, [this] { Forward(); });
    window_.onKey = [this](QKeyEvent* event) { return keyPressed(event); };
    updateAvailability();

    PictureCanvas& canvas = *canvas_;
    canvas.setMouseHandler(this);
    QObject::connect(&canvas, &PictureCanvas::wheelTurned, &canvas,
                     [this](QPoint at, int angle) { guarded([&] { wheelTurned(at, angle); }); });
    QObject::connect(&canvas, &PictureCanvas::resized, &canvas, [this] { guarded([&] { placePicture(); }); });

    horizontal_ = new QScrollBar(Qt::Horizontal, &canvas);
    horizontal_->setObjectName("PictureScrollX");
    vertical_ = new QScrollBar(Qt::Vertical, &canvas);
    vertical_->setObjectName("PictureScrollY");
    horizontal_->hide();
    vertical_->hide();
    QObject::connect(horizontal_, &QScrollBar::valueChanged, &canvas, [this](int value) {
        if (syncing_) return;
        s_.xoff = -value;
        canvas_->update();
    });
    QObject::connect(vertical_, &QScrollBar::valueChanged, &canvas, [this](int value) {
        if (syncing_) return;
        s_.yoff = -value;
        canvas_->update();
    });

    host_.onColumnShown = [this](int px) { columnShown(px); };
    host_.onPicturePlaced = [this] { syncScrollBars(); };
}

NavigationWiring::~NavigationWiring() {
    host_.onColumnShown = nullptr;
    host_.onPicturePlaced = nullptr;
    window_.onKey = nullptr;
    if (canvas_) canvas_->setMouseHandler(next_);
}

template <class Action>
void NavigationWiring::guarded(Action&& action) {
    // Nothing may escape into the toolkit's event delivery.
    try {
        action();
    } catch (const std::exception& e) {
        ClearFloatFaults();
        ReportError(prompter_, s_.applicationTitle, e);
    }
}

void NavigationWiring::updateAvailability() {
    s_.menu.setAvailable(MenuId::Back, history_.canGoBack());
    s_.menu.setAvailable(MenuId::Forward, history_.canGoForward());
}

void NavigationWiring::step(const ViewRecord* view) {
    updateAvailability();
    if (!view) return;
    RestoreView(s_, formula_, *view);
    session_.driver.Runclick();
}

void NavigationWiring::Back() {
    if (s_.run.Calculating) return;
    step(history_.back());
}

void NavigationWiring::Forward() {
    if (s_.run.Calculating) return;
    step(history_.forward());
}

void NavigationWiring::runView(const ViewCentre& view) {
    WriteViewCentre(s_, view);
    session_.driver.Runclick();
}

// The run records the view it computes as it starts; a run that does not
// get past its set-up computed nothing and is not recorded.
void NavigationWiring::runSettingUp() {
    starting_ = CaptureView(s_, formula_);
    runClock_.start();
    sinceTimesShown_.invalidate();
    firstColumn_ = -1;
    if (window_.panel()) window_.panel()->setRunTimes(QString());
}

void NavigationWiring::runEnded() {
    if (starting_) history_.record(*starting_);
    starting_.reset();
    updateAvailability();
    if (runClock_.isValid() && window_.panel())
        window_.panel()->setRunTimes("took " + DurationText(runClock_.elapsed() / 1000.0));
}

void NavigationWiring::columnShown(int px) {
    if (firstColumn_ < 0) {
        firstColumn_ = px;
        syncScrollBars();
    }
    // A few times a second is plenty for a clock.
    if (sinceTimesShown_.isValid() && sinceTimesShown_.elapsed() < 200) return;
    sinceTimesShown_.start();
    if (!runClock_.isValid() || !window_.panel()) return;
    const double elapsed = runClock_.elapsed() / 1000.0;
    const int done = px - firstColumn_ + 1;
    const int left = s_.params.siz - 1 - px;
    QString text = DurationText(elapsed);
    if (done > 0 && left >= 0) text += ", about " + DurationText(elapsed * left / done) + " left";
    window_.panel()->setRunTimes(text);
}

void NavigationWiring::wheelTurned(QPoint position, int angleDelta) {
    const ViewGeometry g = ShownGeometry(s_);
    if (g.empty() || !g.contains(position.x(), position.y())) return;
    partialAngle_ += angleDelta;
    const int notches = partialAngle_ / kNotchAngle;
    if (notches == 0) return;
    partialAngle_ -= notches * kNotchAngle;
    pendingNotches_ += notches;
    wheelAt_ = position;
    // The run going on shows a view about to be left: it stops, and the
    // notches that come meanwhile are run as one zoom once it has.
    if (s_.run.Calculating) s_.run.CancelRequested = true;
    if (wheelQueued_) return;
    wheelQueued_ = true;
    QTimer::singleShot(0, canvas_.data(), [this] { applyWheel(); });
}

void NavigationWiring::applyWheel() {
    if (s_.run.Calculating) {
        // Called from the stopping run's event pump: once it has returned.
        s_.run.CancelRequested = true;
        QTimer::singleShot(5, canvas_.data(), [this] { applyWheel(); });
        return;
    }
    wheelQueued_ = false;
    const int notches = std::exchange(pendingNotches_, 0);
    if (notches == 0) return;
    guarded([&] { runView(ZoomedAbout(ShownGeometry(s_), wheelAt_.x(), wheelAt_.y(), notches)); });
}

bool NavigationWiring::keyPressed(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Backspace && modifiers == Qt::NoModifier) {
        // The item's own state says whether there is anything to go back to.
        if (s_.menu.item(MenuId::Back).enabled) Back();
        return true;
    }
    if (modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier) return false;
    const ViewGeometry g = ShownGeometry(s_);
    const long double across = g.siz / 4.0L, down = g.sizy / 4.0L;
    std::optional<ViewCentre> view;
    auto make = [&](auto&& compute) {
        if (s_.run.Calculating || g.empty()) return;
        view = compute();
    };
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: make([&] { return ZoomedAboutCentre(g, 1); }); break;
    case Qt::Key_Minus: make([&] { return ZoomedAboutCentre(g, -1); }); break;
    case Qt::Key_Left: make([&] { return Moved(g, -across, 0); }); break;
    case Qt::Key_Right: make([&] { return Moved(g, across, 0); }); break;
    case Qt::Key_Up: make([&] { return Moved(g, 0, -down); }); break;
    case Qt::Key_Down: make([&] { return Moved(g, 0, down); }); break;
    default: return false;
    }
    if (view) runView(*view);
    return true;
}

void NavigationWiring::mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) {
    // A middle drag moves the view; Ctrl may be held too. Shift keeps its
    // meaning for the zoom (the inversion circle).
    if (button == Qt::MiddleButton && (modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier) &&
        !s_.run.Calculating && !ShownGeometry(s_).empty()) {
        moving_ = true;
        moveFrom_ = position;
        xoffFrom_ = s_.xoff;
        yoffFrom_ = s_.yoff;
        return;
    }
    if (next_) next_->mousePressed(button, modifiers, position);
}

void NavigationWiring::mouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint position) {
    showPointer(position);
    if (moving_) {
        // The picture follows the pointer until the new view is run.
        s_.xoff = xoffFrom_ + (position.x() - moveFrom_.x());
        s_.yoff = yoffFrom_ + (position.y() - moveFrom_.y());
        if (canvas_) canvas_->update();
        return;
    }
    if (next_) next_->mouseMoved(buttons, modifiers, position);
}

void NavigationWiring::mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) {
    if (moving_ && button == Qt::MiddleButton) {
        moving_ = false;
        const QPoint dragged = position - moveFrom_;
        s_.xoff = xoffFrom_;
        s_.yoff = yoffFrom_;
        if (canvas_) canvas_->update();
        if (dragged.isNull() || s_.run.Calculating) return;
        guarded([&] { runView(Moved(ShownGeometry(s_), -dragged.x(), -dragged.y())); });
        return;
    }
    if (next_) next_->mouseReleased(button, modifiers, position);
}

void NavigationWiring::showPointer(QPoint position) {
    StatusPanel* panel = window_.panel();
    if (!panel) return;
    const ViewGeometry g = ShownGeometry(s_);
    if (g.empty() || !g.contains(position.x(), position.y())) {
        panel->setPointerPlace(QString());
        return;
    }
    try {
        const PlanePosition p = PlanePointAt(g, position.x(), position.y());
        const int decimals = PointerDecimals(g.Rang / g.siz);
        panel->setPointerPlace(QString("x %1  y %2")
                                   .arg(QString::fromStdString(FormatFixed(p.x, 0, decimals)))
                                   .arg(QString::fromStdString(FormatFixed(p.y, 0, decimals))));
        if (onPointerPlane) onPointerPlane(p);
    } catch (const FaultError&) {
        ClearFloatFaults();
        panel->setPointerPlace(QString());
    }
}

void NavigationWiring::placePicture() {
    if (s_.PictureBitmap.width() > 0) {
        s_.xoff = (host_.windowWidth() - s_.PictureBitmap.width()) / 2;
        s_.yoff = (host_.panelTop() - s_.PictureBitmap.height()) / 2;
    }
    syncScrollBars();
    if (canvas_) canvas_->update();
}

void NavigationWiring::syncScrollBars() {
    if (!canvas_) return;
    const int width = s_.PictureBitmap.width(), height = s_.PictureBitmap.height();
    const int roomX = canvas_->width(), roomY = host_.panelTop();
    const bool across = width > roomX, down = height > roomY;
    syncing_ = true;
    horizontal_->setVisible(across);
    vertical_->setVisible(down);
    if (across) {
        horizontal_->setGeometry(0, roomY - kBarThickness, roomX - (down ? kBarThickness : 0), kBarThickness);
        horizontal_->setRange(0, width - roomX);
        horizontal_->setPageStep(roomX);
        horizontal_->setValue(-s_.xoff);
    }
    if (down) {
        vertical_->setGeometry(roomX - kBarThickness, 0, kBarThickness, roomY - (across ? kBarThickness : 0));
        vertical_->setRange(0, height - roomY);
        vertical_->setPageStep(roomY);
        vertical_->setValue(-s_.yoff);
    }
    syncing_ = false;
}

}  // namespace velmora
