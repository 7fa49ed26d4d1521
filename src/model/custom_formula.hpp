#pragma once
// The toolkit-free half of the "Custom" menu item and of its dialog's OK
// button, so the window only has to show the dialog and hand over its texts.

#include <string>

#include "custom_compiler.hpp"
#include "program_state.hpp"
#include "user_prompts.hpp"

namespace velmora {

inline constexpr const char* kCustomFormulaInitialText = "z*z+sin(c)";
inline constexpr const char* kInvalidFormulaMessage = "Invalid function expression ?";
inline constexpr const char* kInvalidFormulaCaption = "ERROR";

// The six constant fields of the custom formula dialog, in reading order.
struct CustomConstantTexts {
    std::string uccx = "0.0", uccy = "0.0";
    std::string vccx = "0.0", vccy = "0.0";
    std::string wccx = "0.0", wccy = "0.0";
};

// OK of the custom formula dialog: the dialog's formula text becomes
// `custfunc` (cut to its limit) and is shown in the status line.
void ConfirmCustomFormula(ProgramState& state, UserPrompts& prompts, const std::string& dialogText);

enum class CustomCompileOutcome {
    Compiled,     // CustomCode holds the new program; the status line shows it
    Rejected,     // "Invalid function expression ?" was shown
    BadConstant,  // a constant text was not a number: the standard error report was shown, nothing compiled
};

// What the "Custom" item does once its dialog is closed (or skipped because a
// picture is being loaded): reads u, v, w from the dialog's texts and
// compiles `custfunc` wrapped in one pair of brackets (`custfunc` itself
// stays as it is), reporting a failure in a message box.
CustomCompileOutcome ReadAndCompileCustomFormula(ProgramState& state, UserPrompts& prompts,
                                                 const CustomConstantTexts& constants);

}  // namespace velmora
