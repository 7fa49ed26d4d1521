#pragma once
// The start-up values of the program state, set when the main window is
// created and when the parameters dialog is created.

#include "mode_actions.hpp"
#include "program_state.hpp"

namespace velmora {

// Main window creation: start-up values and check marks.
void InitialiseMainWindowState(ProgramState& state);

// Parameters dialog creation, the parts that need no window: the "z^2+c"
// action once more, then KeepBuffer set for the start-up picture.
void InitialiseParametersDialogState(ProgramState& state, ModeActions& actions);

}  // namespace velmora
