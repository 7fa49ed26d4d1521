#pragma once
// Moving about the plane in the main window: the history of views with Back
// and Forward, the wheel zoom about the pointer, the zoom and move keys, the
// middle-button drag, the pointer's plane point and the run's times in
// the status panel, and the picture's place (with scroll bars) when the
// window changes size.

#include <QElapsedTimer>
#include <QPoint>
#include <QPointer>

#include <functional>
#include <optional>

#include "picture_canvas.hpp"
#include "plane_navigation.hpp"
#include "prompter.hpp"
#include "run_observer.hpp"
#include "session.hpp"
#include "view_history.hpp"

class QKeyEvent;
class QScrollBar;

namespace velmora {

class MainWindow;
class WindowHost;

class NavigationWiring final : public RunObserver, public PictureMouseHandler {
public:
    // `next` gets every mouse event that is not a move drag (the zoom).
    NavigationWiring(Session& session, MainWindow& window, WindowHost& host, CustomFormulaField& formula,
                     Prompter& prompter, PictureMouseHandler* next);
    ~NavigationWiring() override;
    NavigationWiring(const NavigationWiring&) = delete;
    NavigationWiring& operator=(const NavigationWiring&) = delete;

    const ViewHistory& history() const { return history_; }

    // Action > Back and Forward: the view before or after, run.
    void Back();
    void Forward();
    // Wheel notches over the picture (eighths of a degree, 120 a notch).
    void wheelTurned(QPoint position, int angleDelta);
    // +, -, the arrow keys and Backspace.
    bool keyPressed(QKeyEvent* event);

    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) override;
    void mouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint position) override;
    void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) override;

    void runSettingUp() override;
    void runEnded() override;

    // The picture placed as a run places it, with scroll bars where it is
    // larger than the room for it.
    void placePicture();
    QScrollBar* horizontalBar() const { return horizontal_; }
    QScrollBar* verticalBar() const { return vertical_; }

    // The plane point under the pointer, each time the pointer moves over
    // the picture.
    std::function<void(const PlanePosition&)> onPointerPlane;

private:
    void step(const ViewRecord* view);
    void runView(const ViewCentre& view);
    void applyWheel();
    void updateAvailability();
    void syncScrollBars();
    void showPointer(QPoint position);
    void columnShown(int px);
    template <class Action>
    void guarded(Action&& action);

    Session& session_;
    ProgramState& s_;
    MainWindow& window_;
    WindowHost& host_;
    CustomFormulaField& formula_;
    Prompter& prompter_;
    PictureMouseHandler* next_;
    QPointer<PictureCanvas> canvas_;
    ViewHistory history_;
    std::optional<ViewRecord> starting_;

    // Wheel notches not yet run, the last pointer position they came with,
    // and eighths of a degree short of a notch.
    int pendingNotches_ = 0;
    int partialAngle_ = 0;
    QPoint wheelAt_;
    bool wheelQueued_ = false;

    // A move drag: where it started and where the picture was then.
    bool moving_ = false;
    QPoint moveFrom_;
    int xoffFrom_ = 0, yoffFrom_ = 0;

    QScrollBar* horizontal_ = nullptr;
    QScrollBar* vertical_ = nullptr;
    bool syncing_ = false;

    QElapsedTimer runClock_;
    QElapsedTimer sinceTimesShown_;
    int firstColumn_ = -1;
};

// The status panel's time text: "1:05" or "12.3 s".
QString DurationText(double seconds);

}  // namespace velmora
