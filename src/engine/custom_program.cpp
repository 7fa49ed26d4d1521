#include "custom_program.hpp"

#include "custom_eval.hpp"
#include "formula_log.hpp"
#include "formula_tokens.hpp"

namespace velmora {

bool CompileCustomProgram(const uint8_t* codes, int length, CustomProgram& program) {
    program = CustomProgram{};
    if (length < 0 || length > kCustomCodeCapacity || (length > 0 && codes == nullptr)) return false;
    uint8_t stack[kFormulaStackSlots];  // the slot each stack entry reads from
    int height = 0;
    for (int k = 0; k < length; ++k) {
        const uint8_t code = codes[k];
        CustomInstruction in{};
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
        if (code >= kTokenPlus && code <= kTokenPower) {
            if (height < 2) return false;
            static constexpr CustomOp kBinary[] = {CustomOp::Add, CustomOp::Sub, CustomOp::Mul, CustomOp::Div,
                                                   CustomOp::Power};
            in = {kBinary[code - kTokenPlus], static_cast<uint8_t>(kSlotStack0 + height - 2), stack[height - 2],
                  stack[height - 1]};
            --height;
        } else if ((code >= kTokenSin && code <= kTokenTanh) || code == kTokenSqrt) {
            if (height < 1) return false;
            static constexpr CustomOp kUnary[] = {CustomOp::Sin,  CustomOp::Cos,  CustomOp::Tan,  CustomOp::Exp,
                                                  CustomOp::Sqr,  CustomOp::Sinh, CustomOp::Cosh, CustomOp::Tanh};
            const CustomOp op = code == kTokenSqrt ? CustomOp::Sqrt : kUnary[code - kTokenSin];
            in = {op, static_cast<uint8_t>(kSlotStack0 + height - 1), stack[height - 1], 0};
        } else {
            continue;  // brackets, "atna(" and codes beyond the table do nothing
        }
        program.code[program.length++] = in;
        stack[height - 1] = in.target;
    }
    if (height < 1) return false;
    program.result = stack[height - 1];
    return true;
}

namespace {

using G = NoCheck;

template <int L>
void Step(const CustomInstruction& in, CustomLanes<L>& lanes) {
    Complex (&v)[kCustomSlots][L] = lanes.value;
    Complex* t = v[in.target];
    const Complex* a = v[in.a];
    const Complex* b = v[in.b];
    switch (in.op) {
    case CustomOp::Add: for (int l = 0; l < L; ++l) CAdd<G>(a[l], b[l], t[l]); break;
    case CustomOp::Sub: for (int l = 0; l < L; ++l) CSub<G>(a[l], b[l], t[l]); break;
    case CustomOp::Mul: for (int l = 0; l < L; ++l) CMul<G>(a[l], b[l], t[l]); break;
    case CustomOp::Div: for (int l = 0; l < L; ++l) CDiv<G>(a[l], b[l], t[l]); break;
    case CustomOp::Power:
        for (int l = 0; l < L; ++l) {
            Complex p;
            formula::CLog<G>(a[l], p);
            CMul<G>(b[l], p, p);
            CExp<G>(p, t[l]);
        }
        break;
    case CustomOp::Sin:
    case CustomOp::Cos:
    case CustomOp::Tan:
    case CustomOp::Exp:
        for (int l = 0; l < L; ++l) {
            Complex s, c, e;
            CSinCosExp<G>(a[l], s, c, e);
            if (in.op == CustomOp::Sin) t[l] = s;
            else if (in.op == CustomOp::Cos) t[l] = c;
            else if (in.op == CustomOp::Tan) CDiv<G>(s, c, t[l]);
            else t[l] = e;
        }
        break;
    case CustomOp::Sqr: for (int l = 0; l < L; ++l) CMul<G>(a[l], a[l], t[l]); break;
    case CustomOp::Sinh:
    case CustomOp::Cosh:
    case CustomOp::Tanh:
        for (int l = 0; l < L; ++l) {
            Complex e, r, d;
            CustomExpPair<G>(a[l], e, r);
            if (in.op == CustomOp::Sinh) {
                CSub<G>(e, r, d);
                CustomHalve<G>(d, t[l]);
            } else if (in.op == CustomOp::Cosh) {
                CAdd<G>(e, r, d);
                CustomHalve<G>(d, t[l]);
            } else {
                Complex sum;
                CSub<G>(e, r, d);
                CAdd<G>(e, r, sum);
                CDiv<G>(d, sum, t[l]);
            }
        }
        break;
    case CustomOp::Sqrt: for (int l = 0; l < L; ++l) CustomSqrt<G>(a[l], t[l]); break;
    }
}

}  // namespace

template <int L>
void RunCustomProgram(const CustomProgram& program, CustomLanes<L>& lanes) {
    for (int k = 0; k < program.length; ++k) Step<L>(program.code[k], lanes);
    if (program.result != kSlotZ)
        for (int l = 0; l < L; ++l) lanes.value[kSlotZ][l] = lanes.value[program.result][l];
}

template void RunCustomProgram<2>(const CustomProgram&, CustomLanes<2>&);
template void RunCustomProgram<4>(const CustomProgram&, CustomLanes<4>&);

}  // namespace velmora
