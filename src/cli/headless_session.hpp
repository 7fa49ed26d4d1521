#pragma once
// The program's state as the window would have it after start-up, without a
// window and without a start-up picture: what the command-line renderer and
// the benchmarks drive.

#include "custom_formula.hpp"
#include "headless_host.hpp"
#include "mode_actions.hpp"
#include "program_state.hpp"
#include "render_driver.hpp"
#include "startup.hpp"

namespace velmora {

struct HeadlessSession {
    ProgramState state;
    HeadlessHost host;
    // The custom formula dialog, always confirmed with its texts.
    HeadlessCustomFormula customFormula{state, host};
    ModeActions actions{state, &customFormula};
    RenderDriver driver{state, host, host, host};

    HeadlessSession() {
        InitialiseWithoutPicture(state, actions);
    }
};

}  // namespace velmora
