#pragma once
// The toolkit-free half of the "Custom" menu item and of its dialog's OK
// button, so the window only has to show the dialog and hand over its texts.

#include <optional>
#include <string>

#include "custom_compiler.hpp"
#include "mode_actions.hpp"
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
    friend bool operator==(const CustomConstantTexts&, const CustomConstantTexts&) = default;
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

// The formula field of the custom formula dialog: what the user typed there,
// whether or not it was confirmed. Saved pictures carry it; a loaded custom
// picture puts its formula back into it.
class CustomFormulaField {
public:
    virtual ~CustomFormulaField() = default;
    virtual std::string formulaText() const = 0;
    virtual void setFormulaText(const std::string& text) = 0;
};

// The "Custom" item's dialog as the program asks it: the formula field and
// the six constant texts.
class CustomFormulaDialogHost : public CustomFormulaField {
public:
    // Shown modally: the formula text when the user confirms it, nothing
    // when the dialog is closed otherwise.
    virtual std::optional<std::string> askCustomFormula() = 0;
    virtual CustomConstantTexts constantTexts() const = 0;
    // A loaded custom picture puts the constants it was made with back.
    virtual void setConstantTexts(const CustomConstantTexts& texts) = 0;
};

// The custom formula dialog of a program without a window (the command-line
// renderer, the tests): its texts are set directly and it is always
// confirmed when "shown".
class HeadlessCustomFormula : public CustomFormulaDialogHost {
public:
    std::optional<std::string> askCustomFormula() override {
        ++dialogsShown;
        return text;
    }
    CustomConstantTexts constantTexts() const override { return constants; }
    void setConstantTexts(const CustomConstantTexts& t) override { constants = t; }
    std::string formulaText() const override { return text; }
    void setFormulaText(const std::string& t) override { text = t; }

    std::string text = kCustomFormulaInitialText;
    CustomConstantTexts constants;
    int dialogsShown = 0;
};

// "Custom" was chosen: the user's choice shows the dialog first (its OK
// confirms the formula); then the constants are read and the formula
// compiled.
class CustomFormulaCompiler : public CustomFormulaReader {
public:
    CustomFormulaCompiler(ProgramState& state, UserPrompts& prompts, CustomFormulaDialogHost& dialog)
        : s_(state), prompts_(prompts), dialog_(dialog) {}
    void readCustomFormula(ChosenBy choice) override;

    CustomCompileOutcome lastOutcome = CustomCompileOutcome::Compiled;

private:
    ProgramState& s_;
    UserPrompts& prompts_;
    CustomFormulaDialogHost& dialog_;
};

}  // namespace velmora
