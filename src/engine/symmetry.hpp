#pragma once
// Pixels whose orbits mirror each other, so that one outcome serves both.
//
// In round-to-nearest, negating an operand of +, -, * or / negates the
// result exactly (a - b is exactly -(b - a)), so a formula made of these on
// z and c, with real constants, turns the orbit of conj(z0), conj(c) into
// the conjugate of the orbit of z0, c, step for step: the same moduli, the
// same absolute parts, the same faults at the same steps. A formula of z*z
// alone gives the same first step from -z0 as from z0, so every later value
// of the two orbits is the same. The two can differ only in the sign of a
// zero part, which none of the formulas, tests and rules below can turn
// into a different size (nothing here takes an argument or an angle of z).
// The library's sine, cosine and exponential do not mirror exactly
// (exp(-y) is not exactly 1/exp(y)); the slope rules, the image trap and
// the median read a sign or a start that does not mirror, which rules them
// out of one symmetry or the other (below). Those pictures are computed
// whole.

#include <algorithm>
#include <cfenv>
#include <cstdint>

#include "custom_program.hpp"
#include "formula_tokens.hpp"
#include "kinds.hpp"
#include "run_context.hpp"

namespace velmora {

struct PlaneSymmetry {
    // The pixel at (x, -y) has the outcome of the one at (x, y).
    bool conjugate = false;
    // The pixel at (-x, -y) has the outcome of the one at (x, y) when that
    // one's orbit made at least this many steps.
    bool opposite = false;
    int64_t oppositeLeastSteps = 0;
};

namespace symmetry_detail {

inline bool Real(const Complex& z) { return z.im == 0.0L; }

// A custom formula of sums, differences, products, quotients and squares of
// z, c, the digits and real constants (the codes that do nothing aside).
inline bool CustomMirrorsConjugate(const RunContext& rc) {
    if (rc.CustomCode == nullptr) return false;
    const int length = std::min(rc.CustomCodeLength, kCustomCodeCapacity);
    for (int k = 0; k < length; ++k) {
        switch (rc.CustomCode[k]) {
        case kTokenU:
            if (!Real(rc.u)) return false;
            break;
        case kTokenV:
            if (!Real(rc.v)) return false;
            break;
        case kTokenW:
            if (!Real(rc.w)) return false;
            break;
        case kTokenPower: case kTokenSin: case kTokenCos: case kTokenTan: case kTokenExp:
        case kTokenSinh: case kTokenCosh: case kTokenTanh: case kTokenSqrt: return false;
        default: break;
        }
    }
    return true;
}

// The formula turns the conjugate orbit into the conjugate of the orbit.
inline bool FormulaMirrorsConjugate(const RunContext& rc) {
    switch (rc.FunctionKind) {
    case kFormulaZ2:
    case kFormulaZ3:
    case kFormulaZ7:
    case kFormulaRecipZ2:
    case kFormulaRecipZC2:
    case kFormulaRecipZ3:
    case kFormulaRecipZ3C:
    case kFormulaPokorny:
    case kFormulaNewton: return true;
    case kFormulaRecipF: return rc.ffunc != kFfuncSin && rc.ffunc != kFfuncCos;
    case kFormulaCoefficients: return Real(rc.coefA) && Real(rc.coefB) && Real(rc.coefC);
    case kFormulaCustom: return CustomMirrorsConjugate(rc);
    default: return false;
    }
}

// The formula's first step reads z only as z*z: a custom one only when its
// compiled program is z*z plus a value made once per orbit.
inline bool FormulaIsEven(uint8_t kind, const CustomProgram* compiled) {
    uint8_t constant;
    if (kind == kFormulaCustom) return compiled && IsSquarePlusConstant(*compiled, constant);
    return kind == kFormulaZ2 || kind == kFormulaRecipZ2 || kind == kFormulaCoefficients || kind == kFormulaRecipF;
}

// Tests and rules that read only moduli and absolute parts of the orbit.
inline bool StalkReadsSizesOnly(uint8_t type) {
    switch (type) {
    case kStalkNone:
    case kStalkCross:
    case kStalkHypercross:
    case kStalkCircle:
    case kStalkAnnulus:
    case kStalkConverge:
    case kStalkModulusDiff:
    case kStalkSquareBand: return true;
    default: return false;
    }
}

// Tests and rules that read nothing of the start z0 itself. The image trap
// reads the orbit's signed parts, but only after the first step; the median
// reads z0 as its last value at a test on the first step; Slope 1 reads the
// value before the last step, z0 only when the orbit made one step.
inline bool StalkIgnoresStart(const RunContext& rc) {
    return StalkReadsSizesOnly(rc.StalkType) || rc.StalkType == kStalkImage || rc.StalkType == kStalkSlope1 ||
           (rc.StalkType == kStalkMedian && rc.minit >= 1);
}

}  // namespace symmetry_detail

// Which mirrored pixels share an outcome on this run, given that its plane
// points are formed without a fault (on an unmapped plane). `compiled` is
// the custom formula's program where it compiles.
inline PlaneSymmetry SymmetryOf(const RunContext& rc, const CustomProgram* compiled) {
    using namespace symmetry_detail;
    PlaneSymmetry s;
    if (rc.inversion || rc.sphere || std::fegetround() != FE_TONEAREST) return s;
    s.conjugate = FormulaMirrorsConjugate(rc) && StalkReadsSizesOnly(rc.StalkType) && (rc.mandelbrot || rc.cy == 0.0L);
    s.opposite = !rc.mandelbrot && FormulaIsEven(rc.FunctionKind, compiled) && StalkIgnoresStart(rc);
    s.oppositeLeastSteps = rc.StalkType == kStalkSlope1 ? 2 : 0;
    return s;
}

}  // namespace velmora
