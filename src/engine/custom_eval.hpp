#pragma once
// Evaluation of the compiled custom formula, one orbit step: a stack machine
// over complex numbers with a fixed 20-slot stack. It runs once per orbit
// step of every pixel, so it allocates nothing and dispatches on the token
// code with a plain switch.
//
// Slots and code positions are range checked: a malformed program (too many
// pushes, an operator short of operands, a length beyond the code array)
// throws a range fault with either guard, so the fast path of a pixel stops
// there as well and the checked recomputation finds the same place.

#include <cmath>
#include <cstdint>

#include "complex.hpp"
#include "fault.hpp"
#include "formula_log.hpp"
#include "formula_tokens.hpp"
#include "kinds.hpp"
#include "run_context.hpp"

namespace velmora {

inline constexpr int kFormulaStackSlots = 20;

// The square root of the formula language. Its result w satisfies
// w^2 = -x + iy for a top x + iy (a top of -4 gives 2, of 4 gives 0/0).
template <class G>
inline void CustomSqrt(const Complex& s, Complex& r) {
    const long double x = s.re, y = s.im;
    const long double m = x * x + y * y;
    G::Check(m);
    const long double radius = sqrtl(m);
    G::Check(radius);
    const long double d = radius - x;
    G::Check(d);
    const long double h = d * 0.5L;
    G::Check(h);
    const long double t = sqrtl(h);
    G::Check(t);
    const long double halfY = y * 0.5L;
    G::Check(halfY);
    const long double im = halfY / t;
    G::Check(im);
    r.re = t;
    r.im = im;
}

// E = exp(a) in the inline form and R = 1/E, for sinh, cosh and tanh.
template <class G>
inline void CustomExpPair(const Complex& a, Complex& e, Complex& r) {
    CExp<G>(a, e);
    long double modulus;
    CRecip<G>(e, r, modulus);
}

template <class G>
inline void CustomHalve(const Complex& a, Complex& r) {
    const long double re = a.re * 0.5L;
    G::Check(re);
    const long double im = a.im * 0.5L;
    G::Check(im);
    r.re = re;
    r.im = im;
}

enum class Hyperbolic { Sinh, Cosh, Tanh };

// sinh, cosh or tanh of a, from E and 1/E; r may be a itself.
template <class G, Hyperbolic kKind>
inline void CustomHyperbolic(const Complex& a, Complex& r) {
    Complex e, inverse, t;
    CustomExpPair<G>(a, e, inverse);
    if constexpr (kKind == Hyperbolic::Cosh) CAdd<G>(e, inverse, t);
    else CSub<G>(e, inverse, t);
    if constexpr (kKind == Hyperbolic::Tanh) {
        Complex sum;
        CAdd<G>(e, inverse, sum);
        CDiv<G>(t, sum, r);
    } else {
        CustomHalve<G>(t, r);
    }
}

namespace custom_detail {

[[noreturn]] inline void RangeFault() { throw FaultError(FaultKind::RangeCheck); }

// Storage for the stack without clearing 20 slots on every step: a slot is
// always written before it is read.
union FormulaStack {
    FormulaStack() {}
    Complex slot[kFormulaStackSlots];
};

}  // namespace custom_detail

template <class G>
inline void CustomStep(OrbitState& o, const RunContext& rc) {
    custom_detail::FormulaStack stack;
    Complex* const slot = stack.slot;
    int height = 0;  // slots in use; the top is slot[height - 1]

    // Positions past the code array fault when they are reached, after
    // everything before them has run.
    const int length = rc.CustomCodeLength;
    const int inRange = length < kCustomCodeCapacity ? length : kCustomCodeCapacity;
    if (inRange > 0 && rc.CustomCode == nullptr) custom_detail::RangeFault();
    for (int k = 0; k < inRange; ++k) {
        const uint8_t code = rc.CustomCode[k];
        switch (code) {
        case kTokenDigit0: case 1: case 2: case 3: case 4:
        case 5: case 6: case 7: case 8: case kTokenDigit9:
        case kTokenZ: case kTokenU: case kTokenV: case kTokenW: case kTokenC: {
            if (height >= kFormulaStackSlots) custom_detail::RangeFault();
            Complex& top = slot[height++];
            switch (code) {
            case kTokenZ: top = o.z; break;
            case kTokenU: top = rc.u; break;
            case kTokenV: top = rc.v; break;
            case kTokenW: top = rc.w; break;
            case kTokenC: top = o.c; break;
            default: top = Complex{static_cast<long double>(code), 0.0L}; break;
            }
            break;
        }
        case kTokenPlus: case kTokenMinus: case kTokenTimes: case kTokenDivide: case kTokenPower: {
            if (height < 2) custom_detail::RangeFault();
            Complex& a = slot[height - 2];
            const Complex& b = slot[height - 1];
            switch (code) {
            case kTokenPlus: CAdd<G>(a, b, a); break;
            case kTokenMinus: CSub<G>(a, b, a); break;
            case kTokenTimes: CMul<G>(a, b, a); break;
            case kTokenDivide: CDiv<G>(a, b, a); break;
            default: {
                Complex p;
                formula::CLog<G>(a, p);  // the same Log as the z^z formula
                CMul<G>(b, p, p);
                CExp<G>(p, a);
                break;
            }
            }
            --height;
            break;
        }
        case kTokenSin: case kTokenCos: case kTokenTan: case kTokenExp: {
            if (height < 1) custom_detail::RangeFault();
            Complex& top = slot[height - 1];
            Complex s, c, e;
            if (code == kTokenExp) CSinCosExp<G, kExpPart>(top, s, c, e);
            else CSinCosExp<G, kSinCosParts>(top, s, c, e);
            switch (code) {
            case kTokenSin: top = s; break;
            case kTokenCos: top = c; break;
            case kTokenTan: CDiv<G>(s, c, top); break;
            default: top = e; break;
            }
            break;
        }
        case kTokenSqr: {
            if (height < 1) custom_detail::RangeFault();
            Complex& top = slot[height - 1];
            CMul<G>(top, top, top);
            break;
        }
        case kTokenSinh: case kTokenCosh: case kTokenTanh: {
            if (height < 1) custom_detail::RangeFault();
            Complex& top = slot[height - 1];
            if (code == kTokenSinh) CustomHyperbolic<G, Hyperbolic::Sinh>(top, top);
            else if (code == kTokenCosh) CustomHyperbolic<G, Hyperbolic::Cosh>(top, top);
            else CustomHyperbolic<G, Hyperbolic::Tanh>(top, top);
            break;
        }
        case kTokenSqrt: {
            if (height < 1) custom_detail::RangeFault();
            Complex& top = slot[height - 1];
            CustomSqrt<G>(top, top);
            break;
        }
        default:
            // Brackets never reach a program; "atna(" leaves its argument as
            // it is; codes beyond the table do nothing.
            break;
        }
    }
    if (length > kCustomCodeCapacity || height < 1) custom_detail::RangeFault();
    o.z = slot[height - 1];
}

}  // namespace velmora
