#pragma once
// The start-up values of the program state, set when the main window is
// created and when the parameters dialog is created.

#include "mode_actions.hpp"
#include "program_state.hpp"

namespace velmora {

// Main window creation: start-up values and check marks.
void InitialiseMainWindowState(ProgramState& state);

// Parameters dialog creation, the part that needs no window: the "z^2+c"
// action once more.
void InitialiseParametersDialogState(ModeActions& actions);

// Both, for a program without a window and without a start-up picture (the
// command-line renderer, the benchmarks, the tests).
void InitialiseWithoutPicture(ProgramState& state, ModeActions& actions);

}  // namespace velmora
