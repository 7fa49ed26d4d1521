#pragma once
// The custom formula compiler: the user's infix text becomes the postfix
// program CustomCode that the evaluator runs once per orbit step.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "formula_tokens.hpp"
#include "kinds.hpp"

namespace velmora {

inline constexpr int kFormulaTokenCapacity = 50;    // tokens of one formula
inline constexpr int kFormulaStackCapacity = 50;    // operator stack entries

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

}  // namespace velmora
