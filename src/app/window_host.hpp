#pragma once
// The screen the render driver and the mode actions draw on: the main
// window's picture, status panel and title, the parameters dialog, the
// prompter for message boxes, and the event pump that keeps the window
// usable during a run.

#include <QElapsedTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "picture_view.hpp"
#include "prompter.hpp"
#include "user_prompts.hpp"

namespace velmora {

class MainWindow;
class ParametersDialog;

// Processor time used by the calling thread so far.
int64_t ThreadCpuNanoseconds();

class WindowHost : public UserPrompts, public PictureView, public EventPump {
public:
    explicit WindowHost(Prompter& prompter) : prompter_(prompter) {}

    // The window takes the application title as it stands.
    void attachMainWindow(MainWindow* window);
    void attachParametersDialog(ParametersDialog* dialog) { dialog_ = dialog; }

    void setStatusText(const std::string& text) override;
    void showCancelLabel(bool visible) override;
    void setApplicationTitle(const std::string& title) override;
    void repaintWindow() override;
    int windowWidth() override;
    int panelTop() override;
    void pictureResized() override;
    void drawPicture() override;
    void copyColumnToWindow(int px, int height) override;
    void pumpEvents() override;
    // Columns computed on other threads are awaited like pixels, but each
    // wait reads the clock.
    void pumpWhileWaiting() override { pumpIfDue(); }
    MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                             MessageIcon icon) override;
    int showParametersDialog() override;

    // Pending events are handled when this much time has passed since they
    // were last handled; in between, a pixel costs a count and every
    // kPixelsPerClockReading-th pixel a clock reading. Zero handles them
    // after every pixel.
    void setPumpInterval(std::chrono::nanoseconds interval) { interval_ = interval.count(); }
    // The columns a run has computed are painted together, at most this
    // often (and once more when the run ends).
    void setRepaintInterval(std::chrono::nanoseconds interval) { repaintInterval_ = interval.count(); }
    // Told of every column a run shows, and of every picture sized or
    // loaded (its place on the window may have changed).
    std::function<void(int px)> onColumnShown;
    std::function<void()> onPicturePlaced;

    // Off: the pump returns at once (for measuring what pumping costs).
    void setPumpEnabled(bool enabled) { pumpEnabled_ = enabled; }

    struct PumpStatistics {
        int64_t calls = 0;              // pixels that asked
        int64_t pumps = 0;              // times events were handled
        int64_t nanosecondsPumping = 0;  // time spent handling them
        int64_t cpuNanosecondsPumping = 0;  // processor time of this thread in them
        int64_t longestPump = 0;         // the longest handling, ns
        int64_t longestWait = 0;         // the longest time events waited, ns
    };
    const PumpStatistics& pumpStatistics() const { return stats_; }
    void resetPumpStatistics() { stats_ = {}; }

    // About one frame of the screen: input is handled within that time (plus
    // one pixel's), and handling costs a few percent of a run.
    static constexpr std::chrono::milliseconds kDefaultPumpInterval{16};
    // About thirty pictures a second (every other pump) look smooth, and
    // each repaint converts the new columns to screen colours and hands them
    // to the display.
    static constexpr std::chrono::milliseconds kDefaultRepaintInterval{30};
    // Committing a pixel takes nanoseconds; reading the clock for each would
    // cost more than the pixel.
    static constexpr int kPixelsPerClockReading = 64;

private:
    void pumpIfDue();
    // Asks the canvas to repaint the columns shown since it last did.
    void repaintShownColumns();

    Prompter& prompter_;
    std::string title_;
    MainWindow* window_ = nullptr;
    ParametersDialog* dialog_ = nullptr;
    QElapsedTimer sinceLastPump_;
    QElapsedTimer sinceRepaint_;
    int64_t interval_ = std::chrono::nanoseconds(kDefaultPumpInterval).count();
    int64_t repaintInterval_ = std::chrono::nanoseconds(kDefaultRepaintInterval).count();
    int untilClockReading_ = 0;
    // The columns shown but not yet repainted: none while first > last.
    int firstUnpainted_ = 0, lastUnpainted_ = -1, unpaintedHeight_ = 0;
    bool pumpEnabled_ = true;
    PumpStatistics stats_;
};

}  // namespace velmora
