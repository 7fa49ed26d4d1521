#pragma once
// Complex arithmetic in 80-bit extended precision. Every operation copies its
// inputs before it writes an output, so outputs may alias inputs (z := z*z).
// Each operation is a template over a fault guard (see fault.hpp): with
// StepCheck a faulting component throws before it is stored, which is what
// lets a recomputed pixel stop with exactly the state the fault left.

#include <cmath>

#include "fault.hpp"

namespace velmora {

struct Complex {
    long double re = 0.0L;
    long double im = 0.0L;
    friend bool operator==(const Complex&, const Complex&) = default;
};

inline constexpr Complex ONE{1.0L, 0.0L};

template <class G = NoCheck>
inline void CAdd(const Complex& a, const Complex& b, Complex& r) {
    const Complex x = a, y = b;
    const long double re = x.re + y.re;
    G::Check(re);
    r.re = re;
    const long double im = x.im + y.im;
    G::Check(im);
    r.im = im;
}

template <class G = NoCheck>
inline void CSub(const Complex& a, const Complex& b, Complex& r) {
    const Complex x = a, y = b;
    const long double re = x.re - y.re;
    G::Check(re);
    r.re = re;
    const long double im = x.im - y.im;
    G::Check(im);
    r.im = im;
}

template <class G = NoCheck>
inline void CMul(const Complex& a, const Complex& b, Complex& r) {
    const Complex x = a, y = b;
    const long double re = x.re * y.re - x.im * y.im;
    G::Check(re);
    r.re = re;
    const long double im = x.re * y.im + x.im * y.re;
    G::Check(im);
    r.im = im;
}

// Division by an exact zero (or a divisor whose squared modulus underflows)
// gives zero without a fault; formulas such as 1/z^2+c rely on it.
template <class G = NoCheck>
inline void CDiv(const Complex& a, const Complex& b, Complex& r) {
    const Complex x = a, y = b;
    const long double d = y.re * y.re + y.im * y.im;
    G::Check(d);
    if (d > 0.0L) {
        const long double re = (x.re * y.re + x.im * y.im) / d;
        G::Check(re);
        r.re = re;
        const long double im = (x.im * y.re - x.re * y.im) / d;
        G::Check(im);
        r.im = im;
    } else {
        r = Complex{0.0L, 0.0L};
    }
}

// The processor cannot reduce an argument of magnitude 2^63 or more; its sine
// and cosine are taken as 0.
inline constexpr long double kTrigLimit = 9223372036854775808.0L;  // 2^63

inline long double TrigSin(long double x) { return std::fabs(x) >= kTrigLimit ? 0.0L : sinl(x); }
inline long double TrigCos(long double x) { return std::fabs(x) >= kTrigLimit ? 0.0L : cosl(x); }

// Below this magnitude e^t, e^-t and their sum stay finite and non-zero
// with room to spare (e^11355 is a fifth of the largest extended).
inline constexpr long double kExpArgumentSafe = 11355.0L;

// The parts of CSinCosExpOf a caller takes.
inline constexpr unsigned kSinCosParts = 1, kExpPart = 2, kAllTrigParts = kSinCosParts | kExpPart;

template <class G = NoCheck, unsigned kParts = kAllTrigParts, class Parts>
inline void CSinCosExpOf(const Parts& p, Complex& sinZ, Complex& cosZ, Complex& expZ) {
    const long double x = p.x, y = p.y;
    // Every part is computed whichever one the caller takes, so a fault in a
    // part it drops still ends the orbit. The fast path sends the pixel to
    // the checked path whenever an argument is large enough for any part to
    // fault (the checked path then finds whether and where one did); below
    // that no part can raise a fault flag, so it works out only the parts
    // the caller takes (the optimiser cannot drop a library call that may
    // set errno).
    constexpr bool kSinCos = G::kChecked || (kParts & kSinCosParts) != 0;
    constexpr bool kExp = G::kChecked || (kParts & kExpPart) != 0;
    if constexpr (!G::kChecked) {
        if (!(fabsl(y) < kExpArgumentSafe && x < kExpArgumentSafe)) G::Overflow();
    }
    if constexpr (kSinCos) {
        const long double S = p.sinX();
        const long double K = p.cosX();
        const long double E = p.expY();
        G::Check(E);
        // Divides by zero when E has underflowed to 0, even where only the
        // exponential is wanted.
        const long double I = 1.0L / E;
        G::Check(I);
        Complex s, c;
        s.re = (E + I) * S * 0.5L;
        G::Check(s.re);
        s.im = (E - I) * K * 0.5L;
        G::Check(s.im);
        c.re = (E + I) * K * 0.5L;
        G::Check(c.re);
        c.im = (-S) * (E - I) * 0.5L;
        G::Check(c.im);
        sinZ = s;
        cosZ = c;
    }
    if constexpr (kExp) {
        Complex e;
        const long double F = p.expX();
        G::Check(F);
        e.re = p.cosY() * F;
        G::Check(e.re);
        e.im = p.sinY() * F;
        G::Check(e.im);
        expZ = e;
    }
}

// e^x as 2^(x*log2 e): 2 to the fractional part, scaled by 2 to the nearest
// integer. Kept apart from expl because some formulas depend on this form.
template <class G = NoCheck>
inline long double InlineExpReal(long double x) {
    const long double t = x * 1.442695040888963407359924681001892137L;  // log2(e)
    G::Check(t);
    const long double n = NearbyInt(t);
    const long double f = t - n;
    G::Check(f);
    // Beyond this the result overflows or underflows anyway; the clamp keeps
    // the exponent within what fscale takes. Not a number (only reachable
    // on the fast path, after a fault already raised) scales by nothing.
    long double scale = 0.0L;
    if (n > 100000.0L)
        scale = 100000.0L;
    else if (n < -100000.0L)
        scale = -100000.0L;
    else if (n == n)
        scale = n;
    const long double F = ScaleByPowerOfTwo(exp2l(f), scale);
    G::Check(F);
    return F;
}

template <class G = NoCheck, class Parts>
inline void CExpOf(const Parts& p, Complex& r) {
    const long double F = p.template inlineExpX<G>();
    const long double c = p.cosY(), s = p.sinY();
    const long double re = F * c;
    G::Check(re);
    r.re = re;
    const long double im = F * s;
    G::Check(im);
    r.im = im;
}

// The library values a step takes of its point's parts x and y, each
// worked out where it is used. The lanes' first step, whose point is a
// plane point, takes them from tables of the column's x and the rows' y
// instead (TabledParts).
struct PointParts {
    long double x, y;
    long double sinX() const { return TrigSin(x); }
    long double cosX() const { return TrigCos(x); }
    long double expX() const { return expl(x); }
    template <class G>
    long double inlineExpX() const { return InlineExpReal<G>(x); }
    long double expY() const { return expl(y); }
    long double sinY() const { return TrigSin(y); }
    long double cosY() const { return TrigCos(y); }
};

template <class G = NoCheck, unsigned kParts = kAllTrigParts>
inline void CSinCosExp(const Complex& z, Complex& sinZ, Complex& cosZ, Complex& expZ) {
    CSinCosExpOf<G, kParts>(PointParts{z.re, z.im}, sinZ, cosZ, expZ);
}

template <class G = NoCheck>
inline void CExp(const Complex& z, Complex& r) {
    CExpOf<G>(PointParts{z.re, z.im}, r);
}

// The values of PointParts that depend on x alone, and those on y alone.
struct XParts {
    long double sin, cos, exp, inlineExp;
};
struct YParts {
    long double exp, sin, cos;
};

// Works them out; false when doing so raised a fault flag (the step must
// then raise it itself). The flags are clear afterwards.
inline bool MakeXParts(long double x, XParts& out) {
    ClearFloatFaults();
    const PointParts p{x, 0.0L};
    out = {p.sinX(), p.cosX(), p.expX(), p.inlineExpX<NoCheck>()};
    const bool ok = !FloatFaultPending();
    ClearFloatFaults();
    return ok;
}
inline bool MakeYParts(long double y, YParts& out) {
    ClearFloatFaults();
    const PointParts p{0.0L, y};
    out = {p.expY(), p.sinY(), p.cosY()};
    const bool ok = !FloatFaultPending();
    ClearFloatFaults();
    return ok;
}

// PointParts taken from such tables, for the fast path.
struct TabledParts {
    long double x, y;
    const XParts& ofX;
    const YParts& ofY;
    long double sinX() const { return ofX.sin; }
    long double cosX() const { return ofX.cos; }
    long double expX() const { return ofX.exp; }
    template <class G>
    long double inlineExpX() const {
        static_assert(!G::kChecked, "the checked path works out its own values");
        return ofX.inlineExp;
    }
    long double expY() const { return ofY.exp; }
    long double sinY() const { return ofY.sin; }
    long double cosY() const { return ofY.cos; }
};

// The smallest magnitude that rounds beyond the largest double (2^1024 less
// half of its last place; the tie rounds to even, upwards).
inline constexpr long double kDoubleOverflowLimit = 0x1.fffffffffffffcp1023L;

// `d` rounded to double precision and held as extended. A value beyond the
// double range overflows, as the hardware conversion would: the fault is
// raised explicitly because the conversion itself is not defined there.
template <class G = NoCheck>
inline long double RoundToDouble(long double d) {
    if (!(fabsl(d) < kDoubleOverflowLimit)) {
        if (d == d) G::Overflow();
        return d;
    }
    return static_cast<long double>(static_cast<double>(d));
}

// r := 1/a and m := |a|^2 rounded to double precision. No zero test: 1/0 is
// the invalid operation 0/0. The formulas do not use m, but its rounding
// still overflows when |a|^2 is beyond the double range.
template <class G = NoCheck>
inline void CRecip(const Complex& a, Complex& r, long double& m) {
    const Complex x = a;
    const long double d = x.re * x.re + x.im * x.im;
    G::Check(d);
    const long double re = x.re / d;
    G::Check(re);
    r.re = re;
    const long double im = -x.im / d;
    G::Check(im);
    r.im = im;
    m = RoundToDouble<G>(d);
}

}  // namespace velmora
