#pragma once
// The custom formula compiler: the user's infix text becomes the postfix
// program CustomCode that the evaluator runs once per orbit step. Also the
// toolkit-free half of the "Custom" menu item and of its dialog's OK button,
// so the window only has to show the dialog and hand over its texts.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "formula_tokens.hpp"
#include "picture_parameters.hpp"
#include "program_state.hpp"
#include "render_host.hpp"

namespace velmora {

inline constexpr int kFormulaTokenCapacity = 50;    // tokens of one formula
inline constexpr int kFormulaStackCapacity = 50;    // operator stack entries
inline constexpr const char* kCustomFormulaInitialText = "z*z+sin(c)";
inline constexpr const char* kInvalidFormulaMessage = "Invalid function expression ?";
inline constexpr const char* kInvalidFormulaCaption = "ERROR";

// Why a formula was rejected. The user only ever sees one message; the
// reason is for tests and diagnostics.
enum class FormulaError : uint8_t {
    None,
    // Found while tokenising and checking; the held program stays as it was.
    UnknownText,      // no token starts here (a blank, a capital letter, an unknown name)
    TooManyTokens,    // more than kFormulaTokenCapacity tokens
    ClosedTooOften,   // a closing bracket with no bracket open
    BadSequence,      // a token that may not follow the one before it
    LeftOpen,         // brackets still open at the end
    Empty,            // no tokens at all (or, converting, no codes produced)
    // Found while converting; the held program is what was produced so far.
    EmptyStack,       // an operator or bracket found nothing to work against
    ProgramTooLong,   // more than kCustomCodeCapacity codes
    StackTooDeep,     // more than kFormulaStackCapacity stack entries
};

struct FormulaDiagnosis {
    FormulaError error = FormulaError::None;
    // 1-based character position (tokenising) or token number (converting)
    // where the error was found; 0 when there was none.
    int position = 0;
    bool ok() const { return error == FormulaError::None; }
};

struct FormulaTokenList {
    std::array<uint8_t, kFormulaTokenCapacity> codes{};
    int count = 0;
};

// Splits `text` into tokens and checks bracket balance and the order of
// token classes. `tokens` holds what was read up to the error.
FormulaDiagnosis TokeniseFormula(std::string_view text, FormulaTokenList& tokens);

// Operator-precedence conversion into `code`/`length`, written in place: on
// failure they hold the codes appended so far. Nothing is flushed after the
// last token, so the text must be wrapped in brackets. `beforeToken` runs once
// per token (the window clears its status line there).
FormulaDiagnosis ConvertToPostfix(const FormulaTokenList& tokens, std::array<uint8_t, kCustomCodeCapacity>& code,
                                  uint8_t& length, const std::function<void()>& beforeToken = {});

// Both stages on `text`. A failure while checking leaves `code`/`length`
// untouched; a failure while converting leaves the partial program.
FormulaDiagnosis CompileFormula(std::string_view text, std::array<uint8_t, kCustomCodeCapacity>& code,
                                uint8_t& length, const std::function<void()>& beforeToken = {});

// The token texts of a program joined without separators ("zz*csin(+").
std::string CustomCodeText(const uint8_t* code, int length);

// `text` cut to at most `limit` bytes, never in the middle of a UTF-8
// character, and never to nothing when it was not empty.
std::string CutText(const std::string& text, size_t limit);

// The six constant fields of the custom formula dialog, in reading order.
struct CustomConstantTexts {
    std::string uccx = "0.0", uccy = "0.0";
    std::string vccx = "0.0", vccy = "0.0";
    std::string wccx = "0.0", wccy = "0.0";
};

// OK of the custom formula dialog: the dialog's formula text becomes
// `custfunc` (cut to its limit) and is shown in the status line.
void ConfirmCustomFormula(ProgramState& state, RenderHost& host, const std::string& dialogText);

enum class CustomCompileOutcome {
    Compiled,     // CustomCode holds the new program; the status line shows it
    Rejected,     // "Invalid function expression ?" was shown
    BadConstant,  // a constant text was not a number: the standard error report was shown, nothing compiled
};

// What the "Custom" item does once its dialog is closed (or skipped because a
// picture is being loaded): reads u, v, w from the dialog's texts, wraps
// `custfunc` in one more pair of brackets and compiles it, reporting a
// failure in a message box.
CustomCompileOutcome ReadAndCompileCustomFormula(ProgramState& state, RenderHost& host,
                                                 const CustomConstantTexts& constants);

}  // namespace velmora
