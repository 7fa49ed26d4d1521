#include "custom_program.hpp"

#include "custom_eval.hpp"
#include "formula_log.hpp"
#include "formulas.hpp"
#include "formula_tokens.hpp"

namespace velmora {

bool CompileCustomProgram(const uint8_t* codes, int length, CustomProgram& program) {
    program = CustomProgram{};
    if (length < 0 || length > kCustomCodeCapacity || (length > 0 && codes == nullptr)) return false;
    uint8_t stack[kFormulaStackSlots];  // the slot each stack entry reads from
    int height = 0;
    std::array<CustomInstruction, kCustomCodeCapacity> made{};
    int count = 0;
    for (int k = 0; k < length; ++k) {
        const uint8_t code = codes[k];
        if (code <= kTokenDigit9 || (code >= kTokenZ && code <= kTokenC)) {
            if (height >= kFormulaStackSlots) return false;
            switch (code) {
            case kTokenZ: stack[height++] = kSlotZ; break;
            case kTokenC: stack[height++] = kSlotC; break;
            case kTokenU: stack[height++] = kSlotU; break;
            case kTokenV: stack[height++] = kSlotV; break;
            case kTokenW: stack[height++] = kSlotW; break;
            default: stack[height++] = static_cast<uint8_t>(kSlotDigit0 + code); break;
            }
            continue;
        }
        const uint8_t target = static_cast<uint8_t>(kSlotResult0 + count);
        if (code >= kTokenPlus && code <= kTokenPower) {
            if (height < 2) return false;
            static constexpr CustomOp kBinary[] = {CustomOp::Add, CustomOp::Sub, CustomOp::Mul, CustomOp::Div,
                                                   CustomOp::Power};
            made[count++] = {kBinary[code - kTokenPlus], target, stack[height - 2], stack[height - 1]};
            --height;
        } else if ((code >= kTokenSin && code <= kTokenTanh) || code == kTokenSqrt) {
            if (height < 1) return false;
            static constexpr CustomOp kUnary[] = {CustomOp::Sin,  CustomOp::Cos,  CustomOp::Tan,  CustomOp::Exp,
                                                  CustomOp::Sqr,  CustomOp::Sinh, CustomOp::Cosh, CustomOp::Tanh};
            const CustomOp op = code == kTokenSqrt ? CustomOp::Sqrt : kUnary[code - kTokenSin];
            made[count++] = {op, target, stack[height - 1], 0};
        } else {
            continue;  // brackets, "atna(" and codes beyond the table do nothing
        }
        stack[height - 1] = target;
    }
    if (height < 1) return false;
    program.result = stack[height - 1];

    // A slot varies with z if it is z or made from such a slot.
    bool varies[kCustomSlots] = {};
    varies[kSlotZ] = true;
    for (int i = 0; i < count; ++i) {
        const CustomInstruction& in = made[i];
        const bool binary = in.op <= CustomOp::Power;
        varies[in.target] = varies[in.a] || (binary && varies[in.b]);
    }
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < count; ++i)
            if (varies[made[i].target] == (pass == 1)) program.code[program.length++] = made[i];
    for (int i = 0; i < count; ++i)
        if (!varies[made[i].target]) ++program.invariants;
    return true;
}

namespace {

using G = NoCheck;

// One part of the combined sine, cosine and exponential, known when this
// is compiled, so the compiler drops the other parts as it does in the
// built-in formulas.
template <formula::TrigPart kPart>
void TrigPartOf(const Complex* a, Complex* t, int first, int last) {
    for (int l = first; l < last; ++l) {
        Complex s, c, e;
        CSinCosExp<G>(a[l], s, c, e);
        t[l] = kPart == formula::TrigPart::Sin ? s : kPart == formula::TrigPart::Cos ? c : e;
    }
}

// One instruction on lanes first..last-1.
template <int L>
void Step(const CustomInstruction& in, CustomLanes<L>& lanes, int first, int last) {
    Complex (&v)[kCustomSlots][L] = lanes.value;
    Complex* t = v[in.target];
    const Complex* a = v[in.a];
    const Complex* b = v[in.b];
    switch (in.op) {
    case CustomOp::Add: for (int l = first; l < last; ++l) CAdd<G>(a[l], b[l], t[l]); break;
    case CustomOp::Sub: for (int l = first; l < last; ++l) CSub<G>(a[l], b[l], t[l]); break;
    case CustomOp::Mul: for (int l = first; l < last; ++l) CMul<G>(a[l], b[l], t[l]); break;
    case CustomOp::Div: for (int l = first; l < last; ++l) CDiv<G>(a[l], b[l], t[l]); break;
    case CustomOp::Power:
        for (int l = first; l < last; ++l) {
            Complex p;
            formula::CLog<G>(a[l], p);
            CMul<G>(b[l], p, p);
            CExp<G>(p, t[l]);
        }
        break;
    case CustomOp::Sin: TrigPartOf<formula::TrigPart::Sin>(a, t, first, last); break;
    case CustomOp::Cos: TrigPartOf<formula::TrigPart::Cos>(a, t, first, last); break;
    case CustomOp::Tan:
        for (int l = first; l < last; ++l) {
            Complex s, c, e;
            CSinCosExp<G>(a[l], s, c, e);
            CDiv<G>(s, c, t[l]);
        }
        break;
    case CustomOp::Exp: TrigPartOf<formula::TrigPart::Exp>(a, t, first, last); break;
    case CustomOp::Sqr: for (int l = first; l < last; ++l) CMul<G>(a[l], a[l], t[l]); break;
    case CustomOp::Sinh:
        for (int l = first; l < last; ++l) {
            Complex e, r, d;
            CustomExpPair<G>(a[l], e, r);
            CSub<G>(e, r, d);
            CustomHalve<G>(d, t[l]);
        }
        break;
    case CustomOp::Cosh:
        for (int l = first; l < last; ++l) {
            Complex e, r, d;
            CustomExpPair<G>(a[l], e, r);
            CAdd<G>(e, r, d);
            CustomHalve<G>(d, t[l]);
        }
        break;
    case CustomOp::Tanh:
        for (int l = first; l < last; ++l) {
            Complex e, r, d, sum;
            CustomExpPair<G>(a[l], e, r);
            CSub<G>(e, r, d);
            CAdd<G>(e, r, sum);
            CDiv<G>(d, sum, t[l]);
        }
        break;
    case CustomOp::Sqrt: for (int l = first; l < last; ++l) CustomSqrt<G>(a[l], t[l]); break;
    }
}

}  // namespace

template <int L>
void RunCustomInvariants(const CustomProgram& program, CustomLanes<L>& lanes, int lane) {
    for (int k = 0; k < program.invariants; ++k) Step<L>(program.code[k], lanes, lane, lane + 1);
}

template <int L>
void RunCustomProgram(const CustomProgram& program, CustomLanes<L>& lanes) {
    for (int k = program.invariants; k < program.length; ++k) Step<L>(program.code[k], lanes, 0, L);
    if (program.result != kSlotZ)
        for (int l = 0; l < L; ++l) lanes.value[kSlotZ][l] = lanes.value[program.result][l];
}

template void RunCustomInvariants<4>(const CustomProgram&, CustomLanes<4>&, int);
template void RunCustomProgram<4>(const CustomProgram&, CustomLanes<4>&);

}  // namespace velmora
