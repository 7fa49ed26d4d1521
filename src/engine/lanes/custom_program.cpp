#include "custom_program.hpp"

#include <type_traits>

#include "custom_eval.hpp"
#include "formula_log.hpp"
#include "formulas.hpp"
#include "formula_tokens.hpp"

namespace velmora {

namespace {

bool Binary(CustomOp op) { return op <= CustomOp::Power; }

// How many times each slot is read, the result counting as a read.
void CountReads(const CustomProgram& program, int (&reads)[kCustomSlots]) {
    for (int& r : reads) r = 0;
    for (int i = 0; i < program.length; ++i) {
        const CustomInstruction& in = program.code[i];
        ++reads[in.a];
        if (Binary(in.op)) ++reads[in.b];
    }
    ++reads[program.result];
}

// A product read once, by the sum or difference right after it in the same
// group, is fused with it: the same two operations on the same values.
void FuseProducts(CustomProgram& program) {
    int reads[kCustomSlots];
    CountReads(program, reads);
    const int invariants = program.invariants;
    int out = 0;
    for (int i = 0; i < program.length; ++i) {
        CustomInstruction in = program.code[i];
        const bool sameGroup = (i < invariants) == (i + 1 < invariants);
        if (in.op == CustomOp::Mul && i + 1 < program.length && sameGroup && reads[in.target] == 1) {
            const CustomInstruction& next = program.code[i + 1];
            const bool sum = next.op == CustomOp::Add, difference = next.op == CustomOp::Sub;
            if ((sum || difference) && (next.a == in.target) != (next.b == in.target)) {
                CustomInstruction fused = in;
                fused.op = sum ? CustomOp::MulAdd : CustomOp::MulSub;
                fused.target = next.target;
                fused.productFirst = next.a == in.target;
                fused.x = fused.productFirst ? next.b : next.a;
                if (i < invariants) --program.invariants;
                program.code[out++] = fused;
                ++i;
                continue;
            }
        }
        program.code[out++] = in;
    }
    program.length = out;
}

}  // namespace

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
        varies[in.target] = varies[in.a] || (Binary(in.op) && varies[in.b]);
    }
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < count; ++i)
            if (varies[made[i].target] == (pass == 1)) program.code[program.length++] = made[i];
    for (int i = 0; i < count; ++i)
        if (!varies[made[i].target]) ++program.invariants;
    FuseProducts(program);
    // The last instruction of a step may write z itself: nothing reads
    // after it, and every operation reads its operands before it writes.
    if (program.length > program.invariants && program.code[program.length - 1].target == program.result) {
        program.code[program.length - 1].target = kSlotZ;
        program.result = kSlotZ;
    }
    return true;
}

bool IsSquarePlusConstant(const CustomProgram& program, uint8_t& constant) {
    if (program.length - program.invariants != 1 || program.result != kSlotZ) return false;
    const CustomInstruction& in = program.code[program.length - 1];
    // The only instruction that varies: what it reads besides z is made
    // once per orbit.
    if (in.op != CustomOp::MulAdd || in.target != kSlotZ || in.a != kSlotZ || in.b != kSlotZ || in.x == kSlotZ)
        return false;
    constant = in.x;
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
        CSinCosExp<G, kPart == formula::TrigPart::Exp ? kExpPart : kSinCosParts>(a[l], s, c, e);
        t[l] = kPart == formula::TrigPart::Sin ? s : kPart == formula::TrigPart::Cos ? c : e;
    }
}

template <Hyperbolic kKind>
void HyperbolicOf(const Complex* a, Complex* t, int first, int last) {
    for (int l = first; l < last; ++l) CustomHyperbolic<G, kKind>(a[l], t[l]);
}

// One instruction on lanes first..last-1.
template <int L>
[[gnu::always_inline]] inline void Step(const CustomInstruction& in, CustomLaneValues<L>& lanes, int first, int last) {
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
            CSinCosExp<G, kSinCosParts>(a[l], s, c, e);
            CDiv<G>(s, c, t[l]);
        }
        break;
    case CustomOp::Exp: TrigPartOf<formula::TrigPart::Exp>(a, t, first, last); break;
    case CustomOp::Sqr: for (int l = first; l < last; ++l) CMul<G>(a[l], a[l], t[l]); break;
    case CustomOp::Sinh: HyperbolicOf<Hyperbolic::Sinh>(a, t, first, last); break;
    case CustomOp::Cosh: HyperbolicOf<Hyperbolic::Cosh>(a, t, first, last); break;
    case CustomOp::Tanh: HyperbolicOf<Hyperbolic::Tanh>(a, t, first, last); break;
    case CustomOp::Sqrt: for (int l = first; l < last; ++l) CustomSqrt<G>(a[l], t[l]); break;
    case CustomOp::MulAdd:
    case CustomOp::MulSub: {
        const Complex* x = v[in.x];
        // A square (z*z) reads its operand once: the loads of 80-bit values
        // are much of this loop's time.
        const auto run = [&](auto square) {
            for (int l = first; l < last; ++l) {
                Complex p;
                if constexpr (decltype(square)::value) CMul<G>(a[l], a[l], p);
                else CMul<G>(a[l], b[l], p);
                if (in.op == CustomOp::MulAdd) {
                    if (in.productFirst) CAdd<G>(p, x[l], t[l]);
                    else CAdd<G>(x[l], p, t[l]);
                } else {
                    if (in.productFirst) CSub<G>(p, x[l], t[l]);
                    else CSub<G>(x[l], p, t[l]);
                }
            }
        };
        if (in.a == in.b) run(std::true_type{});
        else run(std::false_type{});
        break;
    }
    }
}

}  // namespace

template <int L>
void RunCustomInvariants(const CustomProgram& program, CustomLaneValues<L>& lanes, int lane) {
    for (int k = 0; k < program.invariants; ++k) Step<L>(program.code[k], lanes, lane, lane + 1);
}

template <int L>
void RunCustomProgram(const CustomProgram& program, CustomLaneValues<L>& lanes) {
    for (int k = program.invariants; k < program.length; ++k) Step<L>(program.code[k], lanes, 0, L);
    if (program.result != kSlotZ)
        for (int l = 0; l < L; ++l) lanes.value[kSlotZ][l] = lanes.value[program.result][l];
}

template void RunCustomInvariants<4>(const CustomProgram&, CustomLaneValues<4>&, int);
template void RunCustomInvariants<1>(const CustomProgram&, CustomLaneValues<1>&, int);
template void RunCustomProgram<4>(const CustomProgram&, CustomLaneValues<4>&);
template void RunCustomProgram<1>(const CustomProgram&, CustomLaneValues<1>&);

}  // namespace velmora
