#pragma once
// One orbit step of every iteration formula. The order of the operations is
// deliberate: it decides the rounding of every result and which
// intermediate value can overflow. Temporaries live only inside a step; a
// fault in one of them leaves z as it was, a fault while z itself is being
// written leaves it half-written, exactly as far as the step got.

#include <cmath>

#include "complex.hpp"
#include "custom_eval.hpp"
#include "formula_log.hpp"
#include "run_context.hpp"

namespace velmora {
namespace formula {

// Halves both parts (used by sinh and by the Pokorny half-steps).
template <class G>
inline void Half(const Complex& a, Complex& r) {
    const long double re = a.re * 0.5L;
    G::Check(re);
    r.re = re;
    const long double im = a.im * 0.5L;
    G::Check(im);
    r.im = im;
}

// az^2 + b/z^2 + c*coefC. The zero rule of CDiv keeps z = 0 from faulting.
template <class G, class O>
inline void Coefficients(O& o, const RunContext& rc) {
    Complex W, Q;
    CMul<G>(o.z, o.z, W);
    CMul<G>(W, rc.coefA, Q);
    CDiv<G>(rc.coefB, W, W);
    CAdd<G>(W, Q, W);
    CMul<G>(o.c, rc.coefC, Q);
    CAdd<G>(W, Q, o.z);
}

// z^z + z^4 - z + c, with z^z as exp(z * Log z).
template <class G, class O>
inline void ZPowZ(O& o) {
    Complex Q, W;
    CMul<G>(o.z, o.z, Q);
    CMul<G>(Q, Q, Q);
    CSub<G>(Q, o.z, Q);
    CLog<G>(o.z, W);
    CMul<G>(o.z, W, W);
    CExp<G>(W, o.z);
    CAdd<G>(o.z, o.c, o.z);
    CAdd<G>(o.z, Q, o.z);
}

// Which result of the combined sine, cosine and exponential a formula uses.
enum class TrigPart { Sin, Cos, Exp };

// csin(z), c*cos(z) and cexp(z): one combined evaluation (all three parts
// are computed, so an overflowing exponential faults even for the sine),
// then the chosen part times c.
template <class G, TrigPart kPart, class O, class Parts>
inline void TrigTimesC(O& o, const Parts& parts) {
    Complex s, c, e;
    CSinCosExpOf<G, kPart == TrigPart::Exp ? kExpPart : kSinCosParts>(parts, s, c, e);
    const Complex& part = kPart == TrigPart::Sin ? s : kPart == TrigPart::Cos ? c : e;
    CMul<G>(part, o.c, o.z);
}

// Also the reference of the x87 lanes, which make these operations in
// assembly.
template <class G>
inline void ZSquaredPlusC(Complex& z, const Complex& c) {
    CMul<G>(z, z, z);
    CAdd<G>(z, c, z);
}

template <class G, class O>
inline void ZSquaredPlusC(O& o) {
    ZSquaredPlusC<G>(o.z, o.c);
}

template <class G, class O>
inline void ZCubedPlusC(O& o) {
    Complex T;
    CMul<G>(o.z, o.z, T);
    CMul<G>(T, o.z, o.z);
    CAdd<G>(o.z, o.c, o.z);
}

// z^7 through z^2, z^4, z^6.
template <class G, class O>
inline void ZSeventhPlusC(O& o) {
    Complex T, U;
    CMul<G>(o.z, o.z, T);
    CMul<G>(T, T, U);
    CMul<G>(T, U, U);
    CMul<G>(o.z, U, o.z);
    CAdd<G>(o.z, o.c, o.z);
}

// 1/f(z*z + c) with f chosen by ffunc; an unknown ffunc acts as the identity.
template <class G, class O>
inline void RecipF(O& o, const RunContext& rc) {
    Complex T;
    CMul<G>(o.z, o.z, T);
    CAdd<G>(T, o.c, T);
    if (rc.ffunc == kFfuncSin || rc.ffunc == kFfuncCos) {
        Complex s, c, e;
        CSinCosExp<G, kSinCosParts>(T, s, c, e);
        T = rc.ffunc == kFfuncSin ? s : c;
    }
    CDiv<G>(ONE, T, o.z);
}

template <class G, class O>
inline void RecipZ2PlusC(O& o) {
    Complex T;
    CMul<G>(o.z, o.z, T);
    CDiv<G>(ONE, T, o.z);
    CAdd<G>(o.z, o.c, o.z);
}

template <class G, class O>
inline void RecipZPlusCSquared(O& o) {
    Complex T;
    CAdd<G>(o.z, o.c, o.z);
    CMul<G>(o.z, o.z, T);
    CDiv<G>(ONE, T, o.z);
}

template <class G, class O>
inline void RecipZ3PlusC(O& o) {
    Complex T;
    CMul<G>(o.z, o.z, T);
    CMul<G>(o.z, T, T);
    CDiv<G>(ONE, T, o.z);
    CAdd<G>(o.z, o.c, o.z);
}

template <class G, class O>
inline void RecipZ3C(O& o) {
    Complex T;
    CMul<G>(o.z, o.z, T);
    CMul<G>(o.z, T, T);
    CAdd<G>(T, o.c, o.z);
    CDiv<G>(ONE, o.z, o.z);
}


// sinh z + c as (e^z - 1/e^z) / 2 + c. The reciprocal faults when e^z has
// underflowed to zero.
template <class G, class O, class Parts>
inline void SinhPlusC(O& o, const Parts& parts) {
    Complex V, R, T;
    long double unusedModulus;
    CExpOf<G>(parts, V);
    CRecip<G>(V, R, unusedModulus);
    CSub<G>(V, R, T);
    Half<G>(T, T);
    CAdd<G>(T, o.c, o.z);
}

template <class G, class O, class Parts>
inline void CTimesTanh(O& o, const Parts& parts) {
    Complex V, R, T, U;
    long double unusedModulus;
    CExpOf<G>(parts, V);
    CRecip<G>(V, R, unusedModulus);
    CSub<G>(V, R, T);
    CAdd<G>(V, R, U);
    CDiv<G>(T, U, V);
    CMul<G>(V, o.c, o.z);
}

// Two half-steps of z^2 - w/2 + c: the first with w = z, the second with the
// value the previous pass left in pokornyZ (the start value at the first).
template <class G, class O>
inline void Pokorny(O& o) {
    Complex P, H, N;
    CMul<G>(o.z, o.z, P);
    Half<G>(o.z, H);
    CSub<G>(P, H, P);
    CAdd<G>(P, o.c, o.z);

    CMul<G>(o.z, o.z, P);
    Half<G>(o.pokornyZ, H);
    CSub<G>(P, H, P);
    CAdd<G>(P, o.c, N);

    // Part by part: a whole-struct copy of values just stored from the x87
    // unit goes through 16-byte moves, which must wait for those stores.
    o.pokornyZ.re = o.z.re;
    o.pokornyZ.im = o.z.im;
    o.z.re = N.re;
    o.z.im = N.im;
}

// Newton's method for z^3 = 1: z - (z^3 - 1) / (3 z^2).
template <class G, class O>
inline void Newton(O& o) {
    Complex P, M;
    CMul<G>(o.z, o.z, P);
    CMul<G>(P, o.z, M);
    const long double shifted = M.re - 1.0L;
    G::Check(shifted);
    M.re = shifted;
    const long double re3 = P.re * 3.0L;
    G::Check(re3);
    P.re = re3;
    const long double im3 = P.im * 3.0L;
    G::Check(im3);
    P.im = im3;
    CDiv<G>(M, P, P);
    CSub<G>(o.z, P, o.z);
}

}  // namespace formula

// What a built-in formula's step reads and writes, for loops that keep
// nothing else.
struct FormulaOrbit {
    Complex z, c, pokornyZ;
};

// Any kind without a formula of its own (only a loaded picture can carry one)
// leaves z as it is.
inline constexpr int kFormulaUnknown = 255;
// Not a formula: the kind is looked up at every step.
inline constexpr int kFormulaDynamic = -1;

template <class G>
inline void FormulaStep(OrbitState& o, const RunContext& rc);

// The step of formula K, chosen at compile time: the fast pixel loop is
// instantiated once per formula so that no dispatch sits inside it.
// O is the orbit state, or for a built-in formula anything with its z, c
// and pokornyZ (FormulaOrbit).
template <class G, int K, class O>
inline void FormulaStepOf(O& o, const RunContext& rc) {
    if constexpr (K == kFormulaCoefficients) formula::Coefficients<G>(o, rc);
    else if constexpr (K == kFormulaZPowZ) formula::ZPowZ<G>(o);
    else if constexpr (K == kFormulaCSin) (formula::TrigTimesC<G, formula::TrigPart::Sin>(o, PointParts{o.z.re, o.z.im}));
    else if constexpr (K == kFormulaZ2) formula::ZSquaredPlusC<G>(o);
    else if constexpr (K == kFormulaZ3) formula::ZCubedPlusC<G>(o);
    else if constexpr (K == kFormulaZ7) formula::ZSeventhPlusC<G>(o);
    else if constexpr (K == kFormulaRecipF) formula::RecipF<G>(o, rc);
    else if constexpr (K == kFormulaRecipZ2) formula::RecipZ2PlusC<G>(o);
    else if constexpr (K == kFormulaRecipZC2) formula::RecipZPlusCSquared<G>(o);
    else if constexpr (K == kFormulaRecipZ3) formula::RecipZ3PlusC<G>(o);
    else if constexpr (K == kFormulaRecipZ3C) formula::RecipZ3C<G>(o);
    else if constexpr (K == kFormulaCCos) (formula::TrigTimesC<G, formula::TrigPart::Cos>(o, PointParts{o.z.re, o.z.im}));
    else if constexpr (K == kFormulaCExp) (formula::TrigTimesC<G, formula::TrigPart::Exp>(o, PointParts{o.z.re, o.z.im}));
    else if constexpr (K == kFormulaSinh) formula::SinhPlusC<G>(o, PointParts{o.z.re, o.z.im});
    else if constexpr (K == kFormulaCTanh) formula::CTimesTanh<G>(o, PointParts{o.z.re, o.z.im});
    else if constexpr (K == kFormulaPokorny) formula::Pokorny<G>(o);
    else if constexpr (K == kFormulaNewton) formula::Newton<G>(o);
    else if constexpr (K == kFormulaCustom) CustomStep<G>(o, rc);
    else if constexpr (K == kFormulaDynamic) FormulaStep<G>(o, rc);
}

// Whether formula K's step takes library values of z's parts alone, which
// for a plane point can come from tables of its column and row.
template <int K>
inline constexpr bool kStepTakesPointParts = K == kFormulaCSin || K == kFormulaCCos || K == kFormulaCExp ||
                                             K == kFormulaSinh || K == kFormulaCTanh;

// The fast step of such a formula with those values given.
template <int K, class O>
inline void FormulaStepWithParts(O& o, const TabledParts& parts) {
    static_assert(kStepTakesPointParts<K>);
    if constexpr (K == kFormulaCSin) formula::TrigTimesC<NoCheck, formula::TrigPart::Sin>(o, parts);
    else if constexpr (K == kFormulaCCos) formula::TrigTimesC<NoCheck, formula::TrigPart::Cos>(o, parts);
    else if constexpr (K == kFormulaCExp) formula::TrigTimesC<NoCheck, formula::TrigPart::Exp>(o, parts);
    else if constexpr (K == kFormulaSinh) formula::SinhPlusC<NoCheck>(o, parts);
    else formula::CTimesTanh<NoCheck>(o, parts);
}

// Calls f.template operator()<K>() with the formula kind of the run as a
// compile-time constant.
template <class F>
inline void WithFormulaKind(uint8_t kind, F&& f) {
    switch (kind) {
    case kFormulaCoefficients: f.template operator()<kFormulaCoefficients>(); break;
    case kFormulaZPowZ: f.template operator()<kFormulaZPowZ>(); break;
    case kFormulaCSin: f.template operator()<kFormulaCSin>(); break;
    case kFormulaZ2: f.template operator()<kFormulaZ2>(); break;
    case kFormulaZ3: f.template operator()<kFormulaZ3>(); break;
    case kFormulaZ7: f.template operator()<kFormulaZ7>(); break;
    case kFormulaRecipF: f.template operator()<kFormulaRecipF>(); break;
    case kFormulaRecipZ2: f.template operator()<kFormulaRecipZ2>(); break;
    case kFormulaRecipZC2: f.template operator()<kFormulaRecipZC2>(); break;
    case kFormulaRecipZ3: f.template operator()<kFormulaRecipZ3>(); break;
    case kFormulaRecipZ3C: f.template operator()<kFormulaRecipZ3C>(); break;
    case kFormulaCCos: f.template operator()<kFormulaCCos>(); break;
    case kFormulaCExp: f.template operator()<kFormulaCExp>(); break;
    case kFormulaSinh: f.template operator()<kFormulaSinh>(); break;
    case kFormulaCTanh: f.template operator()<kFormulaCTanh>(); break;
    case kFormulaPokorny: f.template operator()<kFormulaPokorny>(); break;
    case kFormulaNewton: f.template operator()<kFormulaNewton>(); break;
    case kFormulaCustom: f.template operator()<kFormulaCustom>(); break;
    default: f.template operator()<kFormulaUnknown>(); break;
    }
}

template <class G>
inline void FormulaStep(OrbitState& o, const RunContext& rc) {
    WithFormulaKind(rc.FunctionKind, [&]<int K>() { FormulaStepOf<G, K>(o, rc); });
}

// The value the escape test compares with maxmod.
template <int kBailout>
inline long double BailoutModulus(const Complex& z) {
    if constexpr (kBailout == kBailoutModulus) return z.re * z.re + z.im * z.im;
    else return fabsl(z.re) + fabsl(z.im);
}

}  // namespace velmora
