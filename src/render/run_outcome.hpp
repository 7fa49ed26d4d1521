#pragma once
// What a run is asked to do and what it did. Callers learn a run's result
// from its outcome; the status line only shows it.

#include <cstdint>
#include <string>
#include <vector>

#include "fault.hpp"

namespace velmora {

struct RunRequest {
    // The first column computed: 0 for a new picture, the last finished
    // column when a halted or loaded picture goes on.
    int32_t startColumn = 0;
    // The buffer holds the picture's finished columns and stays as it is.
    bool keepBuffer = false;
};

enum class RunEnd : uint8_t {
    NotStarted,   // a run was already going, or there was nothing to continue
    SetUpFailed,  // a fault in the set-up ended it before any pixel
    Halted,       // cancelled, or stopped by a fault, after lastColumnDone
    Completed,
};

// A fault that was reported in a message box with an OK button.
struct RunFault {
    FaultKind kind = FaultKind::None;
    std::string message;  // the text shown
    // The picture's size (siz and the height made from it) was refused.
    bool pictureSize = false;
};

struct RunOutcome {
    RunEnd end = RunEnd::NotStarted;
    int32_t lastColumnDone = -1;
    // The set-up faults and the fault that stopped the run, in order.
    std::vector<RunFault> faults;
    // Pixels whose orbit or colour met a fault (each shown or not, as the
    // option says).
    int64_t pixelFaults = 0;
    // The orbits' steps, a repeating orbit's skipped steps included.
    int64_t orbitSteps = 0;
    double seconds = 0.0;

    bool completed() const { return end == RunEnd::Completed; }
    // Past the set-up: the status line says how it ended.
    bool drew() const { return end == RunEnd::Halted || end == RunEnd::Completed; }
};

inline constexpr const char* kPictureCompletedText = "Picture completed.";
inline constexpr const char* kPictureHaltedText = "Picture generation halted.";

// The status line's words for a run that got past its set-up.
inline const char* RunEndText(RunEnd end) {
    return end == RunEnd::Completed ? kPictureCompletedText : kPictureHaltedText;
}

}  // namespace velmora
