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
// into a different size.
// The library's sine is odd and its cosine even, bit for bit, and the
// exponential of exp(z) reads x alone: so exp(z) = e^x (cos y, sin y)
// mirrors, and with it z^z (whose logarithm's angle is odd, from atanl of
// a size), sinh and c*tanh. The combined sine and cosine of csin, c*cos
// and cexp take e^y and 1/e^y, and exp(-y) is not exactly 1/exp(y): those
// do not mirror. The slope rules and the image trap read a sign or a start
// that does not mirror, which rules them out of one symmetry or the other
// (below). Those pictures are computed whole. The median's first tests read
// the start and the history's first value 1 + 10i, which do not mirror
// either; its pixels are checked one by one (MedianStartsAgree).

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>

#include "custom_program.hpp"
#include "fault.hpp"
#include "formula_tokens.hpp"
#include "formulas.hpp"
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
    // A pixel takes its mirror's outcome only where MedianStartsAgree.
    bool medianStart = false;
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
    case kFormulaNewton:
    case kFormulaZPowZ:
    case kFormulaSinh:
    case kFormulaCTanh: return true;
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
// reads the orbit's signed parts, but only after the first step; Slope 1
// reads the value before the last step, z0 only when the orbit made one
// step. The median, which reads z0 at its tests of the first two steps, is
// checked pixel by pixel.
inline bool StalkIgnoresStart(const RunContext& rc) {
    return StalkReadsSizesOnly(rc.StalkType) || rc.StalkType == kStalkImage || rc.StalkType == kStalkSlope1 ||
           rc.StalkType == kStalkMedian;
}

}  // namespace symmetry_detail

// Which mirrored pixels share an outcome on this run, given that its plane
// points are formed without a fault, on a plane that is not inverted (Sphere
// moves only where the pixels are plotted). `compiled` is the custom
// formula's program where it compiles.
inline PlaneSymmetry SymmetryOf(const RunContext& rc, const CustomProgram* compiled) {
    using namespace symmetry_detail;
    PlaneSymmetry s;
    if (rc.inversion || std::fegetround() != FE_TONEAREST) return s;
    const bool median = rc.StalkType == kStalkMedian;
    s.conjugate = FormulaMirrorsConjugate(rc) && (StalkReadsSizesOnly(rc.StalkType) || median) &&
                  (rc.mandelbrot || rc.cy == 0.0L);
    s.opposite = !rc.mandelbrot && FormulaIsEven(rc.FunctionKind, compiled) && StalkIgnoresStart(rc);
    s.oppositeLeastSteps = rc.StalkType == kStalkSlope1 ? 2 : 0;
    s.medianStart = median;
    return s;
}

// The median sums the last three values: at the first tested step (after
// minit steps) the history's first value 1 + 10i stands in for the third,
// and with no minimum steps the start z0 is among them at the first two
// tests. Past those tests a pixel's orbit and its mirror's have the same
// (or conjugate) state. So a pixel at the plane point (x, y) takes its
// mirror's outcome when those tests catch neither orbit and every sum is
// finite: then both orbits go on alike, or end alike untested.
namespace symmetry_detail {

// The sums of those tests for the pixel and its mirror, from the orbit's
// values: on a conjugate run its value at the first tested step and the one
// before; on an opposite run (no minimum steps) its first two values.
inline bool MedianSumsPass(bool conjugate, long double x, long double y, const Complex& before, const Complex& z,
                           long double R) {
    bool agree = true;
    const auto passes = [&](long double sum) { agree = agree && std::isfinite(sum) && !(fabsl(sum) < R); };
    if (conjugate) {
        passes((z.re + before.re) + 1.0L);
        const long double s = z.im + before.im;
        passes(s + 10.0L);
        passes(-s + 10.0L);
        return agree;
    }
    for (const long double sign : {1.0L, -1.0L}) {
        passes((before.re + sign * x) + 1.0L);
        passes((before.im + sign * y) + 10.0L);
        passes((z.re + before.re) + sign * x);
        passes((z.im + before.im) + sign * y);
    }
    return agree;
}

// Below this, two steps of z^2+c stay finite and raise no flag.
inline bool Moderate(long double v) { return fabsl(v) < 0x1p1000L; }

}  // namespace symmetry_detail

// Works out the orbit's first steps unchecked. z^2+c from moderate values
// with no minimum steps raises nothing; otherwise false where a fault flag
// was pending before or is raised here (cleared then), or a step throws.
inline bool MedianStartsAgree(const RunContext& rc, bool conjugate, long double x, long double y) {
    using namespace symmetry_detail;
    if (!conjugate && rc.minit >= 1) return true;
    const long double R = rc.trapRadius;
    if (!std::isfinite(R)) return false;
    const Complex z0{x, y};
    const Complex c = rc.mandelbrot ? z0 : Complex{rc.cx, rc.cy};
    if (rc.FunctionKind == kFormulaZ2 && rc.minit <= 0 && Moderate(x) && Moderate(y) && Moderate(c.re) &&
        Moderate(c.im)) {
        Complex z1 = z0;
        formula::ZSquaredPlusC<NoCheck>(z1, c);
        if (conjugate) return MedianSumsPass(true, x, y, z0, z1, R);
        Complex z2 = z1;
        formula::ZSquaredPlusC<NoCheck>(z2, c);
        return MedianSumsPass(false, x, y, z1, z2, R);
    }
    if (FloatFaultPending()) return false;
    OrbitState o = OrbitState::Reset(x, y);
    o.c = c;
    Complex before = o.z, first;
    const int32_t steps = conjugate ? std::max(rc.minit, 0) + 1 : 2;
    bool agree;
    try {
        for (int32_t k = 1; k <= steps; ++k) {
            before = o.z;
            FormulaStep<NoCheck>(o, rc);
            if (k == 1) first = o.z;
        }
        agree = MedianSumsPass(conjugate, x, y, conjugate ? before : first, o.z, R);
    } catch (const FaultError&) {
        // A step's own fault (a custom program that leaves no value): the
        // pixel is computed, and meets the fault there.
        agree = false;
    }
    if (FloatFaultPending()) {
        ClearFloatFaults();
        return false;
    }
    return agree;
}

}  // namespace velmora
