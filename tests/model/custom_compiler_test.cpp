#include "custom_compiler.hpp"
#include "custom_formula.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_host.hpp"

namespace velmora {
namespace {

std::vector<int> Program(const PictureParameters& p) {
    return std::vector<int>(p.CustomCode.begin(), p.CustomCode.begin() + p.CustomCodeLength);
}

std::string Repeat(const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

struct Fixture {
    ProgramState state;
    testing::RecordingHost host;

    // The dialog confirmed with `text`, then the rest of the Custom item.
    CustomCompileOutcome Compile(const std::string& text, const CustomConstantTexts& constants = {}) {
        ConfirmCustomFormula(state, host, text);
        return ReadAndCompileCustomFormula(state, host, constants);
    }
};

TEST(CustomCompiler, InitialFormulaTokensAndProgram) {
    FormulaTokenList tokens;
    ASSERT_TRUE(TokeniseFormula("(z*z+sin(c))", tokens).ok());
    EXPECT_EQ(std::vector<int>(tokens.codes.begin(), tokens.codes.begin() + tokens.count),
              (std::vector<int>{20, 10, 17, 10, 15, 22, 14, 21, 21}));

    Fixture f;
    ASSERT_EQ(f.Compile(kCustomFormulaInitialText), CustomCompileOutcome::Compiled);
    EXPECT_EQ(Program(f.state.params), (std::vector<int>{10, 10, 17, 14, 22, 15}));
    EXPECT_EQ(f.state.params.custfunc, "z*z+sin(c)");
    // The dialog's OK shows the text, the conversion clears the line once per
    // token, and the result is the program spelt out.
    std::vector<std::string> expected{"z*z+sin(c)"};
    expected.insert(expected.end(), 9, "");
    expected.push_back("zz*csin(+");
    EXPECT_EQ(f.host.statusTexts, expected);
    EXPECT_EQ(f.state.statusText, "zz*csin(+");
    EXPECT_TRUE(f.host.messages.empty());
}

TEST(CustomCompiler, CompilesToPostfix) {
    struct Case {
        const char* formula;
        std::vector<int> code;
    };
    const std::vector<Case> cases = {
        {"z^2+c", {10, 2, 19, 14, 15}},
        {"z^2^3", {10, 2, 19, 3, 19}},  // left-associative: (z^2)^3
        {"sin(z)^2", {10, 22, 2, 19}},
        {"z-c-1", {10, 14, 16, 1, 16}},
        {"z*(z+c)", {10, 10, 14, 15, 17}},
        {"sqr(z)/u-v*w", {10, 26, 11, 18, 12, 13, 17, 16}},
        {"sqrt(z)+sinh(c)", {10, 31, 14, 27, 15}},
        {"cosh(z)*tanh(c)", {10, 28, 14, 29, 17}},
        {"exp(cos(tan(z)))", {10, 24, 23, 25}},
        {"atna(z)+c", {10, 30, 14, 15}},
        {"0", {0}},
        {"((z))", {10}},
    };
    for (const Case& c : cases) {
        Fixture f;
        EXPECT_EQ(f.Compile(c.formula), CustomCompileOutcome::Compiled) << c.formula;
        EXPECT_EQ(Program(f.state.params), c.code) << c.formula;
        EXPECT_TRUE(f.host.messages.empty()) << c.formula;
    }
}

TEST(CustomCompiler, RejectsMalformedFormulas) {
    struct Case {
        const char* formula;
        FormulaError error;
    };
    const std::vector<Case> cases = {
        {"12+z", FormulaError::BadSequence},  // numbers are single digits
        {"-z", FormulaError::BadSequence},    // no unary minus
        {"z+(c", FormulaError::LeftOpen},
        {"z)", FormulaError::ClosedTooOften},
        {"", FormulaError::BadSequence},      // "()"
        {"()", FormulaError::BadSequence},
        {"z c", FormulaError::UnknownText},
        {"Z+c", FormulaError::UnknownText},
        {"2z", FormulaError::BadSequence},    // no implicit product
        {"z+", FormulaError::BadSequence},
        {"sin z", FormulaError::UnknownText},
        {"sinh(z", FormulaError::LeftOpen},
        {"sin(z)(c)", FormulaError::BadSequence},
        {"z)+(c", FormulaError::EmptyStack},  // the closing bracket empties the stack before the plus
    };
    for (const Case& c : cases) {
        std::array<uint8_t, kCustomCodeCapacity> code{};
        uint8_t length = 0;
        EXPECT_EQ(CompileFormula(std::string("(") + c.formula + ")", code, length).error, c.error) << c.formula;

        Fixture f;
        f.state.params.CustomCode = {10, 10, 17, 14, 15};
        f.state.params.CustomCodeLength = 5;
        EXPECT_EQ(f.Compile(c.formula), CustomCompileOutcome::Rejected) << c.formula;
        ASSERT_EQ(f.host.messages.size(), 1u) << c.formula;
        EXPECT_EQ(f.host.messages[0].text, "Invalid function expression ?");
        EXPECT_EQ(f.host.messages[0].caption, "ERROR");
        EXPECT_EQ(f.host.messages[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(f.state.params.custfunc, c.formula) << c.formula;
        if (c.error == FormulaError::EmptyStack) {
            // A failed conversion leaves what it had produced, "z".
            EXPECT_EQ(Program(f.state.params), (std::vector<int>{10})) << c.formula;
            EXPECT_EQ(f.state.statusText, "");
        } else {
            // A failed check leaves the previous program and status line.
            EXPECT_EQ(Program(f.state.params), (std::vector<int>{10, 10, 17, 14, 15})) << c.formula;
            EXPECT_EQ(f.state.statusText, c.formula);
        }
    }
}

TEST(CustomCompiler, TokenLimit) {
    // Every well-formed formula has an odd number of tokens: 47 typed (49 with
    // the added brackets) is the longest that compiles.
    Fixture ok;
    EXPECT_EQ(ok.Compile("z" + Repeat("+z", 23)), CustomCompileOutcome::Compiled);
    EXPECT_EQ(ok.state.params.CustomCodeLength, 47);

    Fixture tooLong;
    EXPECT_EQ(tooLong.Compile("z" + Repeat("+z", 24)), CustomCompileOutcome::Rejected);  // 49 + 2 tokens
    std::array<uint8_t, kCustomCodeCapacity> code{};
    uint8_t length = 0;
    EXPECT_EQ(CompileFormula("(z" + Repeat("+z", 24) + ")", code, length).error, FormulaError::TooManyTokens);

    // The 50th token is still read; the 51st is the error.
    FormulaTokenList tokens;
    EXPECT_EQ(TokeniseFormula("(" + Repeat("z+", 24) + "z", tokens).error, FormulaError::LeftOpen);
    EXPECT_EQ(tokens.count, 50);
    const FormulaDiagnosis d = TokeniseFormula("(" + Repeat("z+", 25), tokens);
    EXPECT_EQ(d.error, FormulaError::TooManyTokens);
    EXPECT_EQ(d.position, 51);
}

TEST(CustomCompiler, RunningTheItemAgainKeepsTheFormula) {
    Fixture f;
    ASSERT_EQ(f.Compile("z^2+c"), CustomCompileOutcome::Compiled);
    // Without the dialog (a picture being loaded, or the dialog closed
    // without OK) the item compiles the held text again, however often.
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(ReadAndCompileCustomFormula(f.state, f.host, {}), CustomCompileOutcome::Compiled) << i;
    EXPECT_EQ(f.state.params.custfunc, "z^2+c");
    EXPECT_EQ(Program(f.state.params), (std::vector<int>{10, 2, 19, 14, 15}));
}

TEST(CustomCompiler, TextsAreCutTo255Bytes) {
    Fixture f;
    const std::string longText = "z" + Repeat("+z", 150);
    ConfirmCustomFormula(f.state, f.host, longText);
    EXPECT_EQ(f.state.params.custfunc, longText.substr(0, 255));
    EXPECT_EQ(f.host.lastStatus(), longText.substr(0, 255));
    // Wrapping a full-length text drops its end, closing bracket included.
    EXPECT_EQ(ReadAndCompileCustomFormula(f.state, f.host, {}), CustomCompileOutcome::Rejected);
    EXPECT_EQ(f.state.params.custfunc, longText.substr(0, 255));

    // A cut never splits a character, and never empties a text.
    const struct {
        std::string text;
        size_t limit;
        std::string cut;
    } cuts[] = {
        {std::string(254, 'z') + "\xC3\xA9", 255, std::string(254, 'z')},
        {"z\xC3\xA9", 3, "z\xC3\xA9"},
        {"(" + std::string(256, '\x93'), 255, "(" + std::string(254, '\x93')},  // not UTF-8: cut at the limit
        {"\xF0\x9F\x98\x80", 2, "\xF0\x9F"},
    };
    for (const auto& c : cuts) EXPECT_EQ(CutText(c.text, c.limit), c.cut) << c.text.size() << " " << c.limit;

    // Such a text is refused, not compiled to an empty program.
    Fixture bytes;
    ConfirmCustomFormula(bytes.state, bytes.host, std::string(255, '\x93'));
    EXPECT_EQ(ReadAndCompileCustomFormula(bytes.state, bytes.host, {}), CustomCompileOutcome::Rejected);
    ASSERT_EQ(bytes.host.messages.size(), 1u);
    EXPECT_EQ(bytes.host.messages[0].text, "Invalid function expression ?");
    EXPECT_EQ(bytes.state.params.CustomCodeLength, 1);
}

TEST(CustomCompiler, EmptyProgramIsRefused) {
    std::array<uint8_t, kCustomCodeCapacity> code{10};
    uint8_t length = 1;
    EXPECT_EQ(CompileFormula("", code, length).error, FormulaError::Empty);
    EXPECT_EQ(length, 1);  // found while checking: the held program stays
    FormulaTokenList brackets;
    brackets.codes = {kTokenOpen, kTokenClose};
    brackets.count = 2;
    EXPECT_EQ(ConvertToPostfix(brackets, code, length).error, FormulaError::Empty);
}

TEST(CustomCompiler, ReadsConstantsBeforeCompiling) {
    Fixture f;
    CustomConstantTexts constants;
    constants.uccx = "1.5";
    constants.uccy = "-2";
    constants.vccx = " 0.25 ";
    constants.vccy = "3e2";
    constants.wccx = "-0.5";
    constants.wccy = "0";
    ASSERT_EQ(f.Compile("u*v+w", constants), CustomCompileOutcome::Compiled);
    EXPECT_EQ(f.state.params.u, (Complex{1.5L, -2.0L}));
    EXPECT_EQ(f.state.params.v, (Complex{0.25L, 300.0L}));
    EXPECT_EQ(f.state.params.w, (Complex{-0.5L, 0.0L}));

    // A text that is not a number stops the item with the standard error
    // report; constants read before it keep their new values, nothing is
    // wrapped or compiled.
    Fixture bad;
    bad.state.applicationTitle = "Velmora 32 Version 2.01";
    constants.uccx = "2";
    constants.vccy = "abc";
    ConfirmCustomFormula(bad.state, bad.host, "z*z+c");
    bad.host.statusTexts.clear();
    EXPECT_EQ(ReadAndCompileCustomFormula(bad.state, bad.host, constants), CustomCompileOutcome::BadConstant);
    ASSERT_EQ(bad.host.messages.size(), 1u);
    EXPECT_EQ(bad.host.messages[0].text, "'abc' is not a valid floating point value.");
    EXPECT_EQ(bad.host.messages[0].caption, "Velmora 32 Version 2.01");
    EXPECT_EQ(bad.state.params.u, (Complex{2.0L, -2.0L}));
    EXPECT_EQ(bad.state.params.v, Complex{});
    EXPECT_EQ(bad.state.params.custfunc, "z*z+c");
    EXPECT_EQ(bad.state.params.CustomCodeLength, 1);
    EXPECT_TRUE(bad.host.statusTexts.empty());
}

TEST(CustomCompiler, ProgramText) {
    const std::array<uint8_t, 7> code{10, 31, 14, 27, 15, 200, 9};
    EXPECT_EQ(CustomCodeText(code.data(), 7), "zsqrt(csinh(+9");
    EXPECT_EQ(CustomCodeText(code.data(), 0), "");
}

}  // namespace
}  // namespace velmora
