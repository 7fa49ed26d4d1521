#pragma once
// The tokens of the custom formula language. A token's code is its index in
// FormulaTokens; the compiled program (CustomCode) is a list of these codes,
// and the evaluator acts on them.

#include <array>
#include <cstdint>
#include <string_view>

namespace velmora {

enum FormulaTokenCode : uint8_t {
    kTokenDigit0 = 0,  // "0".."9" are codes 0..9
    kTokenDigit9 = 9,
    kTokenZ = 10,
    kTokenU = 11,
    kTokenV = 12,
    kTokenW = 13,
    kTokenC = 14,
    kTokenPlus = 15,
    kTokenMinus = 16,
    kTokenTimes = 17,
    kTokenDivide = 18,
    kTokenPower = 19,
    kTokenOpen = 20,
    kTokenClose = 21,
    kTokenSin = 22,
    kTokenCos = 23,
    kTokenTan = 24,
    kTokenExp = 25,
    kTokenSqr = 26,
    kTokenSinh = 27,
    kTokenCosh = 28,
    kTokenTanh = 29,
    kTokenAtna = 30,
    kTokenSqrt = 31,
};

inline constexpr int kFormulaTokenCount = 32;

enum class FormulaTokenClass : uint8_t { Operand = 0, Operator = 1, Open = 2, Close = 3 };

struct FormulaToken {
    std::string_view text;
    FormulaTokenClass tokenClass;
    uint8_t priority;
};

// Functions carry their opening bracket; the texts are case-sensitive.
inline constexpr std::array<FormulaToken, kFormulaTokenCount> FormulaTokens = {{
    {"0", FormulaTokenClass::Operand, 10},     {"1", FormulaTokenClass::Operand, 10},
    {"2", FormulaTokenClass::Operand, 10},     {"3", FormulaTokenClass::Operand, 10},
    {"4", FormulaTokenClass::Operand, 10},     {"5", FormulaTokenClass::Operand, 10},
    {"6", FormulaTokenClass::Operand, 10},     {"7", FormulaTokenClass::Operand, 10},
    {"8", FormulaTokenClass::Operand, 10},     {"9", FormulaTokenClass::Operand, 10},
    {"z", FormulaTokenClass::Operand, 10},     {"u", FormulaTokenClass::Operand, 10},
    {"v", FormulaTokenClass::Operand, 10},     {"w", FormulaTokenClass::Operand, 10},
    {"c", FormulaTokenClass::Operand, 10},     {"+", FormulaTokenClass::Operator, 2},
    {"-", FormulaTokenClass::Operator, 2},     {"*", FormulaTokenClass::Operator, 3},
    {"/", FormulaTokenClass::Operator, 3},     {"^", FormulaTokenClass::Operator, 4},
    {"(", FormulaTokenClass::Open, 0},         {")", FormulaTokenClass::Close, 15},
    {"sin(", FormulaTokenClass::Open, 20},     {"cos(", FormulaTokenClass::Open, 20},
    {"tan(", FormulaTokenClass::Open, 20},     {"exp(", FormulaTokenClass::Open, 20},
    {"sqr(", FormulaTokenClass::Open, 20},     {"sinh(", FormulaTokenClass::Open, 20},
    {"cosh(", FormulaTokenClass::Open, 20},    {"tanh(", FormulaTokenClass::Open, 20},
    {"atna(", FormulaTokenClass::Open, 20},    {"sqrt(", FormulaTokenClass::Open, 20},
}};

// FormulaPriority[code]: how strongly a token binds during the conversion to
// postfix (0 opening bracket, 2..4 operators, 10 operands, 15 closing
// bracket, 20 functions).
inline constexpr std::array<uint8_t, kFormulaTokenCount> FormulaPriority = [] {
    std::array<uint8_t, kFormulaTokenCount> p{};
    for (int i = 0; i < kFormulaTokenCount; ++i) p[i] = FormulaTokens[i].priority;
    return p;
}();

// FormulaAdjacency[previous][next]: may a token of class `next` follow one of
// class `previous`. Indexed by FormulaTokenClass.
inline constexpr bool FormulaAdjacency[4][4] = {
    //  operand operator open   close
    {false, true, false, true},   // after an operand
    {true, false, true, false},   // after an operator
    {true, false, true, false},   // after an opening bracket or function
    {false, true, false, true},   // after a closing bracket
};

}  // namespace velmora
