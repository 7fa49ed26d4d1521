#include <gtest/gtest.h>

#include <cmath>

#include "complex.hpp"

namespace velmora {
namespace {

TEST(Complex, BasicOperationsAllowAliasedOutputs) {
    Complex z{1.0L, 1.0L};
    CMul(z, z, z);
    EXPECT_EQ(z, (Complex{0.0L, 2.0L}));

    Complex a{3.0L, -2.0L}, b{0.5L, 4.0L};
    CAdd(a, b, a);
    EXPECT_EQ(a, (Complex{3.5L, 2.0L}));
    CSub(a, b, b);
    EXPECT_EQ(b, (Complex{3.0L, -2.0L}));

    Complex r;
    CDiv(Complex{1.0L, 0.0L}, Complex{0.0L, 2.0L}, r);
    EXPECT_EQ(r, (Complex{0.0L, -0.5L}));
    Complex q{5.0L, 5.0L};
    CDiv(q, q, q);
    EXPECT_EQ(q, (Complex{1.0L, 0.0L}));
}

TEST(Complex, DivisionByZeroGivesZeroWithoutFault) {
    const Complex dividends[] = {{0.0L, 0.0L}, {1.0L, -7.0L}, {1e4000L, 3.0L}};
    for (const Complex& a : dividends) {
        ClearFloatFaults();
        Complex r{9.0L, 9.0L};
        CDiv<StepCheck>(a, Complex{0.0L, 0.0L}, r);
        EXPECT_EQ(r, (Complex{0.0L, 0.0L}));
        // A divisor whose squared modulus underflows counts as zero as well.
        CDiv<StepCheck>(a, Complex{1e-3000L, 0.0L}, r);
        EXPECT_EQ(r, (Complex{0.0L, 0.0L}));
        EXPECT_FALSE(FloatFaultPending());
    }
}

TEST(Complex, SinCosExpAtZeroAndOutOfRange) {
    Complex s, c, e;
    CSinCosExp(Complex{0.0L, 0.0L}, s, c, e);
    EXPECT_EQ(s, (Complex{0.0L, 0.0L}));
    EXPECT_EQ(c, (Complex{1.0L, -0.0L}));
    EXPECT_EQ(e, (Complex{1.0L, 0.0L}));

    // sin and cos of 2^64 cannot be reduced and count as 0; e^(2^64) overflows.
    ClearFloatFaults();
    Complex s2{7, 7}, c2{7, 7}, e2{7, 7};
    EXPECT_THROW(CSinCosExp<StepCheck>(Complex{18446744073709551616.0L, 0.0L}, s2, c2, e2), FaultError);
    CSinCosExp(Complex{18446744073709551616.0L, 0.0L}, s2, c2, e2);
    EXPECT_EQ(s2, (Complex{0.0L, 0.0L}));
    EXPECT_EQ(c2.re, 0.0L);
    ClearFloatFaults();
}

TEST(Complex, SinCosExpMatchesLibraryValues) {
    const Complex z{0.75L, -1.25L};
    Complex s, c, e;
    CSinCosExp(z, s, c, e);
    // sin(x+iy) = sin x cosh y + i cos x sinh y, cos(x+iy) = cos x cosh y - i sin x sinh y.
    EXPECT_NEAR(static_cast<double>(s.re), std::sin(0.75) * std::cosh(-1.25), 1e-15);
    EXPECT_NEAR(static_cast<double>(s.im), std::cos(0.75) * std::sinh(-1.25), 1e-15);
    EXPECT_NEAR(static_cast<double>(c.re), std::cos(0.75) * std::cosh(-1.25), 1e-15);
    EXPECT_NEAR(static_cast<double>(c.im), -std::sin(0.75) * std::sinh(-1.25), 1e-15);
    EXPECT_NEAR(static_cast<double>(e.re), std::exp(0.75) * std::cos(-1.25), 1e-15);
    EXPECT_NEAR(static_cast<double>(e.im), std::exp(0.75) * std::sin(-1.25), 1e-15);
}

// Mirrored pixels of exp(z), z^z, sinh and c*tanh share an outcome because
// the library's sine is odd and its cosine even, bit for bit.
TEST(Complex, LibrarySineIsOddAndCosineEven) {
    for (int e = -70; e < 64; ++e) {
        for (long double m = 0.5L; m < 1.0L; m += 0.0009765625L) {
            const long double y = ldexpl(m + 0x1p-50L * m * m, e);
            EXPECT_EQ(TrigSin(-y), -TrigSin(y)) << static_cast<double>(y);
            EXPECT_EQ(TrigCos(-y), TrigCos(y)) << static_cast<double>(y);
        }
    }
}

TEST(Complex, InlineExponential) {
    Complex r;
    CExp(Complex{0.0L, 0.0L}, r);
    EXPECT_EQ(r, (Complex{1.0L, 0.0L}));
    const long double xs[] = {-3.5L, 1.0L, 11.25L, 700.0L};
    for (long double x : xs) {
        CExp(Complex{x, 0.0L}, r);
        EXPECT_EQ(r.im, 0.0L) << static_cast<double>(x);
        EXPECT_NEAR(static_cast<double>(r.re / expl(x)), 1.0, 1e-17) << static_cast<double>(x);
    }
    CExp(Complex{0.0L, 2.0L}, r);
    EXPECT_NEAR(static_cast<double>(r.re), std::cos(2.0), 1e-16);
    EXPECT_NEAR(static_cast<double>(r.im), std::sin(2.0), 1e-16);

    ClearFloatFaults();
    EXPECT_THROW(CExp<StepCheck>(Complex{20000.0L, 0.0L}, r), FaultError);
    ClearFloatFaults();
}

TEST(Complex, Reciprocal) {
    Complex r;
    long double m = 0;
    CRecip(Complex{0.0L, 2.0L}, r, m);
    EXPECT_EQ(r, (Complex{0.0L, -0.5L}));
    EXPECT_EQ(m, 4.0L);

    // m is rounded to double precision: 1 + 2^-60 squared loses its tail.
    const long double tiny = 1.0L + 0x1p-60L;
    CRecip(Complex{tiny, 0.0L}, r, m);
    EXPECT_EQ(m, 1.0L);

    ClearFloatFaults();
    Complex keep{3.0L, 4.0L};
    try {
        CRecip<StepCheck>(Complex{0.0L, 0.0L}, keep, m);
        FAIL() << "reciprocal of zero must fault";
    } catch (const FaultError& e) {
        EXPECT_EQ(e.kind(), FaultKind::FloatInvalid);
    }
    EXPECT_EQ(keep, (Complex{3.0L, 4.0L}));  // nothing written before the fault
}

// Values the callers never read still fault: the fast path leaves a fault
// pending (so the pixel is redone step by step), the checked path throws the
// fault of the value, whatever part is used.
TEST(Complex, UnusedValuesStillFault) {
    struct Case {
        const char* name;
        void (*fast)();
        void (*checked)();
        FaultKind kind;
    } cases[] = {
        // |V|^2 beyond the double range: the rounding of m overflows.
        {"m of reciprocal", [] {
             Complex r;
             long double m;
             CRecip(Complex{1e200L, 0.0L}, r, m);
         },
         [] {
             Complex r;
             long double m;
             CRecip<StepCheck>(Complex{1e200L, 0.0L}, r, m);
         },
         FaultKind::FloatOverflow},
        // e^y underflows to 0, so I = 1/E divides by zero though only exp z is taken.
        {"I of sin cos exp", [] {
             Complex s, c, e;
             CSinCosExp(Complex{0.0L, -20000.0L}, s, c, e);
         },
         [] {
             Complex s, c, e;
             CSinCosExp<StepCheck>(Complex{0.0L, -20000.0L}, s, c, e);
         },
         FaultKind::FloatZeroDivide},
    };
    for (const Case& c : cases) {
        ClearFloatFaults();
        c.fast();
        EXPECT_NE(PendingFloatFault(), FaultKind::None) << c.name;
        ClearFloatFaults();
        try {
            c.checked();
            ADD_FAILURE() << c.name << ": no fault";
        } catch (const FaultError& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.name;
        }
        ClearFloatFaults();
    }
    // Just inside the double range the rounding is exact enough and silent.
    long double m = 0;
    Complex r;
    CRecip<StepCheck>(Complex{0x1p511L, 0.0L}, r, m);
    EXPECT_EQ(m, 0x1p1022L);
    EXPECT_EQ(RoundToDouble<StepCheck>(0x1.fffffffffffff7p1023L), 0x1.fffffffffffffp1023L);
}

TEST(Complex, CheckedMultiplyStopsAtTheFaultingComponent) {
    ClearFloatFaults();
    Complex z{1e3000L, 0.0L};
    try {
        CMul<StepCheck>(z, z, z);
        FAIL() << "overflow expected";
    } catch (const FaultError& e) {
        EXPECT_EQ(e.kind(), FaultKind::FloatOverflow);
    }
    EXPECT_EQ(z, (Complex{1e3000L, 0.0L}));
    EXPECT_FALSE(FloatFaultPending());
}

}  // namespace
}  // namespace velmora
