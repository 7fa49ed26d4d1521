#pragma once
// The program as it stands after start-up without a window or a start-up
// picture, driven by the shared recording host: what the picture tests
// render with.

#include <string>

#include <gtest/gtest.h>

#include "custom_formula.hpp"
#include "mode_actions.hpp"
#include "recording_host.hpp"
#include "render_driver.hpp"
#include "startup.hpp"

namespace velmora::testing {

struct TestSession {
    ProgramState s;
    RecordingHost host;
    ModeActions actions{s};
    RenderDriver driver{s, host, host, host};

    TestSession() { InitialiseWithoutPicture(s, actions); }
    void text(TextField f, const std::string& t) { s.texts.setText(f, t); }
    // "Custom" with its dialog confirmed, u = 0.3, v = -0.5i, w = 1.
    void custom(const std::string& formula) {
        actions.FunctionItem(kFormulaCustom);
        ConfirmCustomFormula(s, host, formula);
        ASSERT_EQ(ReadAndCompileCustomFormula(s, host, {"0.3", "0.0", "0.0", "-0.5", "1", "0.0"}),
                  CustomCompileOutcome::Compiled)
            << formula;
    }
};

}  // namespace velmora::testing
