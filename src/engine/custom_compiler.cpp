#include "custom_compiler.hpp"

#include "conversions.hpp"
#include "fault.hpp"

namespace velmora {
namespace {

// The code of the token of `width` characters at `p` among codes first..last,
// or -1. Text that ends inside the comparison does not match.
int MatchToken(std::string_view text, size_t p, size_t width, int first, int last) {
    const std::string_view piece = text.substr(p, width);
    for (int t = first; t <= last; ++t)
        if (FormulaTokens[t].text.size() == width && piece == FormulaTokens[t].text) return t;
    return -1;
}

}  // namespace

FormulaDiagnosis TokeniseFormula(std::string_view text, FormulaTokenList& tokens) {
    tokens.count = 0;
    int depth = 0;
    FormulaTokenClass previous = FormulaTokenClass::Open;
    size_t p = 0;
    while (p < text.size()) {
        const int position = static_cast<int>(p) + 1;
        // Longer names first, so that "sinh(" is not read as "sin(" and
        // "sqrt(" not as "sqr(".
        size_t width = 4;
        int code = MatchToken(text, p, 4, kTokenSin, kTokenSqr);
        if (code < 0) {
            width = 5;
            code = MatchToken(text, p, 5, kTokenSinh, kTokenSqrt);
        }
        if (code < 0) {
            width = 1;
            code = MatchToken(text, p, 1, kTokenDigit0, kTokenClose);
        }
        if (code < 0) return {FormulaError::UnknownText, position};
        if (tokens.count >= kFormulaTokenCapacity) return {FormulaError::TooManyTokens, position};
        tokens.codes[tokens.count++] = static_cast<uint8_t>(code);
        p += width;

        const FormulaTokenClass tokenClass = FormulaTokens[code].tokenClass;
        if (code == kTokenClose)
            --depth;
        else if (tokenClass == FormulaTokenClass::Open)
            ++depth;
        if (depth < 0) return {FormulaError::ClosedTooOften, position};
        if (!FormulaAdjacency[static_cast<int>(previous)][static_cast<int>(tokenClass)])
            return {FormulaError::BadSequence, position};
        previous = tokenClass;
    }
    if (depth != 0) return {FormulaError::LeftOpen, static_cast<int>(text.size()) + 1};
    if (tokens.count == 0) return {FormulaError::Empty, 1};
    return {};
}

FormulaDiagnosis ConvertToPostfix(const FormulaTokenList& tokens, std::array<uint8_t, kCustomCodeCapacity>& code,
                                  uint8_t& length, const std::function<void()>& beforeToken) {
    struct Entry {
        uint8_t code, priority;
    };
    std::array<Entry, kFormulaStackCapacity> stack{};
    int height = 0;
    length = 0;

    auto append = [&](uint8_t c) {
        if (length >= kCustomCodeCapacity) return false;
        code[length++] = c;
        return true;
    };
    auto push = [&](uint8_t c, uint8_t priority) {
        if (height >= kFormulaStackCapacity) return false;
        stack[height++] = Entry{c, priority};
        return true;
    };

    const int count = tokens.count < kFormulaTokenCapacity ? tokens.count : kFormulaTokenCapacity;
    for (int i = 0; i < count; ++i) {
        if (beforeToken) beforeToken();
        const int position = i + 1;
        const uint8_t t = tokens.codes[i];
        if (t >= kFormulaTokenCount) return {FormulaError::UnknownText, position};
        const uint8_t d = FormulaPriority[t];
        if (d == 0) {  // "("
            if (!push(t, 0)) return {FormulaError::StackTooDeep, position};
        } else if (d >= 2 && d <= 4) {  // operators: everything binding at least as strongly goes out first
            do {
                if (height == 0) return {FormulaError::EmptyStack, position};
                if (stack[height - 1].priority < d) break;
                if (!append(stack[height - 1].code)) return {FormulaError::ProgramTooLong, position};
                --height;
            } while (true);
            if (!push(t, d)) return {FormulaError::StackTooDeep, position};
        } else if (d == 10) {  // operands
            if (!append(t)) return {FormulaError::ProgramTooLong, position};
        } else if (d == 15) {  // ")"
            do {
                if (height == 0) return {FormulaError::EmptyStack, position};
                if (stack[height - 1].code == kTokenOpen) break;
                if (!append(stack[height - 1].code)) return {FormulaError::ProgramTooLong, position};
                --height;
            } while (true);
            --height;
        } else if (d == 20) {  // functions: the name waits behind a bracket of its own
            if (!push(t, 20)) return {FormulaError::StackTooDeep, position};
            if (!push(kTokenOpen, 0)) return {FormulaError::StackTooDeep, position};
        }
    }
    // An empty program would fault on every pixel of every picture.
    if (length == 0) return {FormulaError::Empty, count + 1};
    return {};
}

FormulaDiagnosis CompileFormula(std::string_view text, std::array<uint8_t, kCustomCodeCapacity>& code,
                                uint8_t& length, const std::function<void()>& beforeToken) {
    FormulaTokenList tokens;
    const FormulaDiagnosis checked = TokeniseFormula(text, tokens);
    if (!checked.ok()) return checked;
    return ConvertToPostfix(tokens, code, length, beforeToken);
}

std::string CustomCodeText(const uint8_t* code, int length) {
    std::string text;
    for (int k = 0; k < length && k < kCustomCodeCapacity; ++k)
        if (code[k] < kFormulaTokenCount) text += FormulaTokens[code[k]].text;
    return text;
}

std::string CutText(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text;
    auto continues = [&](size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
    // A UTF-8 character is at most four bytes, so its start lies at most
    // three bytes back. Bytes that are not UTF-8 (a run of continuation
    // bytes) are cut at the limit rather than stepped over to nothing.
    size_t n = limit;
    for (int back = 0; back < 3 && n > 0 && continues(n); ++back) --n;
    if (n == 0 || continues(n)) n = limit;
    return text.substr(0, n);
}

}  // namespace velmora
