// The custom formula compiler and evaluator on any input.
//
// Input: a formula text, optionally followed by a zero byte and bytes that
// choose the start values and a raw program. The text is compiled as typed
// and as the Custom item compiles it (wrapped in brackets); whatever program
// results is run for a few orbit steps with both guards, which must agree:
// the same z bit for bit, the same fault, or the fast step raised a flag (the
// pixel is then recomputed with the checked step). The raw program stands
// for what a loaded picture may carry: any codes and any length.

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "custom_compiler.hpp"
#include "custom_eval.hpp"
#include "fuzz_support.hpp"

namespace velmora {
namespace {

using fuzz::Show;

constexpr int kSteps = 6;

struct StepResult {
    FaultKind fault = FaultKind::None;
    bool flagsRaised = false;
};

template <class G>
StepResult RunStep(OrbitState& o, const RunContext& rc) {
    StepResult r;
    ClearFloatFaults();
    try {
        CustomStep<G>(o, rc);
    } catch (const FaultError& e) {
        r.fault = e.kind();
    }
    r.flagsRaised = FloatFaultPending();
    ClearFloatFaults();
    return r;
}

std::string ProgramText(const RunContext& rc) {
    std::string text = "length " + std::to_string(rc.CustomCodeLength) + ", codes";
    const int shown = rc.CustomCode ? std::min(rc.CustomCodeLength, kCustomCodeCapacity) : 0;
    for (int k = 0; k < shown; ++k) text += " " + std::to_string(rc.CustomCode[k]);
    return text + " (" + CustomCodeText(rc.CustomCode, shown) + ")";
}

// Steps an orbit from z0 with both guards side by side.
void CompareOrbits(const RunContext& rc, const Complex& z0, const Complex& c) {
    OrbitState fast = OrbitState::Reset(z0.re, z0.im);
    fast.c = c;
    for (int step = 1; step <= kSteps; ++step) {
        const Complex before = fast.z;
        OrbitState checked = fast;
        const StepResult f = RunStep<NoCheck>(fast, rc);
        const StepResult k = RunStep<StepCheck>(checked, rc);
        if (f.flagsRaised) return;  // the checked step decides
        const auto where = [&] {
            return ProgramText(rc) + "\nstep " + std::to_string(step) + " from z = " + Show(before) +
                   ", c = " + Show(c) + "\nu = " + Show(rc.u) + ", v = " + Show(rc.v) + ", w = " + Show(rc.w);
        };
        if (f.fault != k.fault)
            fuzz::Fail("fast step fault " + fuzz::FaultName(f.fault) + " without a flag, checked step fault " +
                       fuzz::FaultName(k.fault) + "\n" + where());
        if (k.fault == FaultKind::None && k.flagsRaised)
            fuzz::Fail("checked step left a fault flag unchecked\n" + where());
        if (f.fault != FaultKind::None) return;
        if (!fuzz::SameBits(fast.z, checked.z))
            fuzz::Fail("fast z " + Show(fast.z) + " but checked z " + Show(checked.z) + "\n" + where());
    }
}

void CompareStarts(const RunContext& rc, fuzz::ByteReader& in) {
    CompareOrbits(rc, Complex{0.5L, 0.25L}, Complex{-0.75L, 0.125L});
    CompareOrbits(rc, Complex{-12000.0L, 3.0L}, Complex{2.0L, -1.0L});
    const Complex z = in.complex();
    CompareOrbits(rc, z, in.complex());
}

// A failure while checking the text must leave the held program untouched.
void CompileAndRun(std::string_view text, RunContext rc, fuzz::ByteReader& in) {
    std::array<uint8_t, kCustomCodeCapacity> code;
    code.fill(0xEE);
    uint8_t length = 77;
    const FormulaDiagnosis d = CompileFormula(text, code, length);
    FormulaTokenList tokens;
    if (!TokeniseFormula(text, tokens).ok()) {
        for (uint8_t c : code)
            if (c != 0xEE || length != 77) fuzz::Fail("a rejected text changed the held program");
        return;
    }
    if (length > kCustomCodeCapacity) fuzz::Fail("program longer than its array");
    if (d.ok())
        for (int k = 0; k < length; ++k)
            if (code[k] >= kFormulaTokenCount || code[k] == kTokenOpen || code[k] == kTokenClose)
                fuzz::Fail("compiled program holds code " + std::to_string(code[k]));
    // A partial program (a failure while converting) is run as well: the
    // driver iterates whatever the compiler left.
    rc.CustomCode = code.data();
    rc.CustomCodeLength = length;
    CompareStarts(rc, in);
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    const auto* chars = reinterpret_cast<const char*>(data);
    const std::string_view input(chars, size);
    const size_t split = input.find('\0');
    const std::string_view text = input.substr(0, split);
    const size_t valuesAt = split == std::string_view::npos ? size : split + 1;
    fuzz::ByteReader in(data + valuesAt, size - valuesAt);

    RunContext rc;
    rc.FunctionKind = kFormulaCustom;
    rc.u = in.complex();
    rc.v = in.complex();
    rc.w = in.complex();

    CompileAndRun(text, rc, in);
    CompileAndRun(CutText("(" + std::string(text) + ")", kCustomFormulaMaxLength), rc, in);

    // A raw program exactly as long as its array, so that a read past it is
    // seen; its length byte may claim more.
    if (in.remaining() > 0) {
        const auto raw = std::make_unique<uint8_t[]>(kCustomCodeCapacity);
        for (int k = 0; k < kCustomCodeCapacity; ++k) raw[k] = in.byte();
        rc.CustomCode = in.byte() == 0xFF ? nullptr : raw.get();
        rc.CustomCodeLength = in.byte();
        CompareStarts(rc, in);
    }
    return 0;
}
