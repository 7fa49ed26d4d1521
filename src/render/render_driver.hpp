#pragma once
// The render driver: turns the parameter texts into a picture, column by
// column, while the window stays usable through the event pump. Columns are
// computed by the engine's pure column function and then committed here, in
// column and row order: fault messages, plot, buffer byte, event pump, and
// after the column its copy to the window and the progress.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "column.hpp"
#include "column_workers.hpp"
#include "fault.hpp"
#include "parameter_reading.hpp"
#include "picture_view.hpp"
#include "program_state.hpp"
#include "run_context.hpp"
#include "run_observer.hpp"
#include "run_outcome.hpp"
#include "user_prompts.hpp"

namespace velmora {

class RenderDriver {
public:
    RenderDriver(ProgramState& state, PictureView& view, UserPrompts& prompts, EventPump& pump)
        : s_(state), view_(view), prompts_(prompts), pump_(pump) {}

    // Observers are told of every run's set-up and end, in the order added.
    void addObserver(RunObserver& observer) { observers_.push_back(&observer); }

    // A run as asked; NotStarted while another run is going.
    RunOutcome Run(const RunRequest& request);
    // Run (F2), pop-up "run", RUN of the dialog, a finished zoom: a new
    // picture from its first column.
    RunOutcome Runclick() { return Run({}); }
    // "Continue": resumes a halted picture at its last finished column,
    // keeping the buffer; NotStarted when the picture is finished.
    RunOutcome Continue();
    // "Parameters" (F3): the dialog, and a run when it closes with RUN.
    void Params();

    // Threads that compute columns (at least one); the machine's cores
    // unless told otherwise.
    void setThreads(int threads) { threads_ = threads < 1 ? 1 : threads; }
    int threads() const { return threads_; }
    // Whether the thread that runs the driver computes columns as well as
    // committing them (the default). A window turns this off: its thread
    // also paints and handles input, and while it does so the columns go on
    // being computed on the others, `threads` of them.
    void setCommitterComputes(bool computes) { committerComputes_ = computes; }

    // The constants of the last run that got past set-up.
    const RunContext& runContext() const { return rc_; }
    // What the last run that started did.
    const RunOutcome& lastOutcome() const { return outcome_; }

    static constexpr int kParametersRun = 99;

private:
    bool setUp(const RunRequest& request);
    bool setUpStep(void (RenderDriver::*step)(const RunRequest&), const RunRequest& request);
    void readAndSize(const RunRequest& request);
    void fitPictureToSize(const RunRequest& request);
    void sizeBitmap();
    void allocateBuffer();
    void reportSetUpFault(FaultKind kind);
    void drawSphereBackground();
    void prepareCoefficientFormula();
    int computeColumns(int col);
    void commitColumn(int col, const ColumnOutcome& column);
    void plot(const PlottedPixel& pixel);
    uint8_t nearestIndex(uint32_t bgr);
    void reportPixelFault(FaultKind kind);
    void finishRun(int col);
    void reportStoppingFault(const FaultError& e);

    ProgramState& s_;
    PictureView& view_;
    UserPrompts& prompts_;
    EventPump& pump_;
    std::vector<RunObserver*> observers_;
    RunNumbers numbers_;
    RunContext rc_;
    ColumnOutcome column_;
    ColourTable nearestFor_{};                    // the palette nearest_ was found in
    std::optional<uint64_t> nearestSerial_;       // and its palette object's serial, if any
    std::unordered_map<uint32_t, uint8_t> nearest_;  // direct colour -> palette entry
    bool suppressFaultMessages_ = false;
    RunOutcome outcome_;
    int threads_ = DefaultThreadCount();
    bool committerComputes_ = true;
    int failedColumn_ = 0;  // the column being committed, where a fault stops the run
    int firstColumn_ = 0;   // where the run starts; a new buffer starts at 0
    bool sizing_ = false;   // the set-up is sizing the picture
};

inline constexpr int64_t kBufferOffsetLimit = 4000000;

// The widest picture a run sizes: its height is three quarters of the width,
// and the two together hold at most kBufferOffsetLimit pixels.
int32_t LargestPictureWidth();

}  // namespace velmora
