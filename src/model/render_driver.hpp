#pragma once
// The render driver: turns the parameter texts into a picture, column by
// column, while the window stays usable through the event pump. Columns are
// computed by the engine's pure column function and then committed here, in
// column and row order: fault messages, plot, buffer byte, event pump, and
// after the column its copy to the window and the progress.

#include <cstdint>
#include <string>
#include <vector>

#include "column.hpp"
#include "column_workers.hpp"
#include "fault.hpp"
#include "parameter_reading.hpp"
#include "picture_view.hpp"
#include "program_state.hpp"
#include "run_context.hpp"
#include "run_observer.hpp"
#include "user_prompts.hpp"

namespace velmora {

class RenderDriver {
public:
    RenderDriver(ProgramState& state, PictureView& view, UserPrompts& prompts, EventPump& pump)
        : s_(state), view_(view), prompts_(prompts), pump_(pump) {}

    // Observers are told of every run's set-up and end, in the order added.
    void addObserver(RunObserver& observer) { observers_.push_back(&observer); }

    // Run (F2), pop-up "run", RUN of the dialog, a finished zoom.
    void Runclick();
    // "Continue": resumes a halted picture at its last finished column.
    void Continue();
    // "Parameters" (F3): the dialog, and a run when it closes with RUN.
    void Params();
    // Pop-up "set inverse".
    void runinverse1Click();

    // Threads that compute columns (at least one); the machine's cores
    // unless told otherwise.
    void setThreads(int threads) { threads_ = threads < 1 ? 1 : threads; }
    int threads() const { return threads_; }

    // The constants of the last run that got past set-up.
    const RunContext& runContext() const { return rc_; }
    // The steps of the last run's orbits (a repeating orbit's skipped steps too).
    int64_t orbitSteps() const { return orbitSteps_; }

    static constexpr int kParametersRun = 99;

private:
    bool setUp();
    void sizeBitmap();
    void allocateBuffer();
    void fitPictureToSize();
    void reportSetUpFault(FaultKind kind);
    void drawSphereBackground();
    void prepareCoefficientFormula();
    int computeColumns(int col);
    void commitColumn(int col, const ColumnOutcome& column);
    void plot(const PlottedPixel& pixel);
    void reportPixelFault(FaultKind kind);
    void finishRun(int col);

    ProgramState& s_;
    PictureView& view_;
    UserPrompts& prompts_;
    EventPump& pump_;
    std::vector<RunObserver*> observers_;
    RunNumbers numbers_;
    RunContext rc_;
    ColumnOutcome column_;
    bool suppressFaultMessages_ = false;
    int64_t orbitSteps_ = 0;
    int threads_ = DefaultThreadCount();
    int failedColumn_ = 0;  // the column being committed, where a fault stops the run
};

inline constexpr int64_t kBufferOffsetLimit = 4000000;

}  // namespace velmora
