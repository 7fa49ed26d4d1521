#pragma once
// The program's state as the window would have it after start-up, without a
// window and without a start-up picture: what the command-line renderer and
// the benchmarks drive.

#include "headless_host.hpp"
#include "mode_actions.hpp"
#include "program_state.hpp"
#include "render_driver.hpp"
#include "startup.hpp"

namespace velmora {

struct HeadlessSession {
    ProgramState state;
    HeadlessHost host;
    ModeActions actions{state};
    RenderDriver driver{state, host, host, host};

    HeadlessSession() {
        InitialiseMainWindowState(state);
        InitialiseParametersDialogState(state, actions);
        // No start-up picture is loaded, so the first run makes a new buffer.
        state.params.KeepBuffer = false;
    }
};

}  // namespace velmora
