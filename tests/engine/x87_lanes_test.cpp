// The three-lane x87 kernel against the C++ step on orbits that escape late,
// so that a run passes several checkpoints before a lane stops it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "formulas.hpp"
#include "x87_lanes.hpp"

namespace velmora {
namespace {

Complex Stepped(Complex z, const Complex& c, int64_t steps) {
    for (int64_t i = 0; i < steps; ++i) formula::ZSquaredPlusC<NoCheck>(z, c);
    return z;
}

bool SameBits(const Complex& a, long double re, long double im) {
    return std::memcmp(&a.re, &re, 10) == 0 && std::memcmp(&a.im, &im, 10) == 0;
}

// Three orbits from z = 0, set up as the lane stepper loads them.
void Start(X87Block& block, const Complex (&c)[3], int64_t passes) {
    ASSERT_TRUE(X87Threshold(4.0L, block.threshold));
    for (int l = 0; l < 3; ++l) {
        block.lane[l] = {0.0L, 0.0L, c[l].re, c[l].im};
        ASSERT_TRUE(SplitConstant(c[l].re, block.split[l][0][0], block.split[l][0][1]));
        ASSERT_TRUE(SplitConstant(c[l].im, block.split[l][1][0], block.split[l][1][1]));
        block.checkpoint[l] = {0.0L, 0.0L};
        block.watch[l] = X87Watch::From({0.0L, 0.0L});
    }
    block.checkpointLeft = passes;
}

// Slowly escaping just right of the cusp; none of them comes back to a value
// it had. Each escape test stops the run at the first lane whose z exceeds
// the bailout, holding that z, lanes before it a step ahead of those after.
TEST(X87Lanes, StopsAtTheFirstEscapeWithTheLanesAndCheckpointOfTheCppStep) {
    if (!HaveX87Lanes()) GTEST_SKIP() << "no x87 kernel in this build";
    const Complex c[3] = {{0.25005L, 0.0L}, {0.2501L, 0.0L}, {0.2500001L, 1e-9L}};
    for (const auto& [escape, split] : {std::pair{X87Escape::Modulus, false}, std::pair{X87Escape::SumOfAbs, false},
                                       std::pair{X87Escape::Modulus, true}, std::pair{X87Escape::SumOfAbs, true}}) {
        auto escaped = [&](const Complex& z) {
            const long double m = escape == X87Escape::Modulus ? z.re * z.re + z.im * z.im : fabsl(z.re) + fabsl(z.im);
            return !(m <= 4.0L);
        };
        // The C++ orbits' escape steps (the last lane's lies beyond the
        // run); the earliest, and among equals the first, lane stops it.
        const int64_t passes = 5000;
        int64_t escapeStep[3];
        int first = 0;
        for (int l = 0; l < 3; ++l) {
            escapeStep[l] = 1;
            for (Complex z = Stepped({}, c[l], 1); !escaped(z) && escapeStep[l] <= passes; z = Stepped(z, c[l], 1))
                ++escapeStep[l];
            if (escapeStep[l] < escapeStep[first]) first = l;
        }
        ASSERT_LE(escapeStep[first], passes);
        X87Block block;
        Start(block, c, passes);
        int64_t done = -1;
        ASSERT_EQ(RunX87Lanes(block, passes, done, escape, split), first);
        EXPECT_EQ(done + 1, escapeStep[first]);
        ASSERT_GT(done, 2 * kX87CheckpointPasses);
        for (int l = 0; l < 3; ++l) {
            const Complex z = Stepped({}, c[l], l <= first ? done + 1 : done);
            EXPECT_EQ(block.lane[l].zr, z.re) << l;
            EXPECT_EQ(block.lane[l].zi, z.im) << l;
        }
        const int64_t at = passes - block.checkpointLeft;
        EXPECT_EQ(at % kX87CheckpointPasses, 0);
        EXPECT_GT(at, done - kX87CheckpointPasses);
        for (int l = 0; l < 3; ++l) {
            const Complex z = Stepped({}, c[l], at);
            EXPECT_EQ(block.checkpoint[l].zr, z.re) << l;
            EXPECT_EQ(block.checkpoint[l].zi, z.im) << l;
        }
    }
}

// Bounded orbits fall into exact cycles. Periods that divide 60 (here 1, 2
// and 3) show at the first checkpoint after the cycle is reached; the
// period-16 ones of the doubling cascade only through the references, which
// are renewed at checkpoints 1, 3, 7, 15, ...
TEST(X87Lanes, StopsWhenALaneRepeatsItsCheckpointOrReference) {
    if (!HaveX87Lanes()) GTEST_SKIP() << "no x87 kernel in this build";
    struct Case {
        Complex c[3];
        bool throughCheckpoint;
    };
    const Case cases[] = {
        {{{-0.1L, 0.1L}, {-1.0L, 0.05L}, {-0.12L, 0.75L}}, true},
        {{{-1.39695L, 0.0L}, {-1.3966L, 0.0L}, {-1.3972L, 0.0L}}, false},
    };
    for (const Case& k : cases) {
        X87Block block;
        const int64_t passes = 100000;
        Start(block, k.c, passes);
        int64_t done = -1;
        ASSERT_EQ(RunX87Lanes(block, passes, done), kX87Repeated);
        ASSERT_EQ(done % kX87CheckpointPasses, 0);
        const int64_t checkpoints = done / kX87CheckpointPasses;
        int64_t renewed = 0;  // the last checkpoint 2^k - 1 before the stop
        while (2 * renewed + 1 < checkpoints) renewed = 2 * renewed + 1;
        bool repeated = false;
        for (int l = 0; l < 3; ++l) {
            const Complex& c = k.c[l];
            const Complex now = Stepped({}, c, done);
            const Complex before = Stepped({}, c, done - kX87CheckpointPasses);
            const Complex reference = Stepped({}, c, renewed * kX87CheckpointPasses);
            EXPECT_TRUE(SameBits(now, block.lane[l].zr, block.lane[l].zi)) << l;
            EXPECT_TRUE(SameBits(before, block.checkpoint[l].zr, block.checkpoint[l].zi)) << l;
            EXPECT_TRUE(SameBits(reference, block.watch[l].reference.zr, block.watch[l].reference.zi)) << l;
            const bool sameAsBefore = SameBits(now, before.re, before.im);
            EXPECT_TRUE(k.throughCheckpoint || !sameAsBefore) << l;
            repeated = repeated || (k.throughCheckpoint ? sameAsBefore : SameBits(now, reference.re, reference.im));
            // No earlier checkpoint repeated the one before it.
            Complex previous{};
            for (int64_t at = kX87CheckpointPasses; at < done; at += kX87CheckpointPasses) {
                const Complex z = Stepped(previous, c, kX87CheckpointPasses);
                EXPECT_FALSE(SameBits(z, previous.re, previous.im)) << "lane " << l << " repeated at " << at;
                previous = z;
            }
        }
        EXPECT_TRUE(repeated);
    }
}

// A constant split into two doubles adds back to itself bit for bit, the
// sign of zero included; values no two doubles make are refused.
TEST(X87Lanes, SplitConstantsAddBackExactly) {
    const long double third = 1.0L / 3.0L;
    const struct {
        long double value;
        bool splits;
    } cases[] = {
        {third, true}, {-third * 0x1p-1000L, true}, {0.0L, true}, {-0.0L, true}, {0x1p1023L * (2 - 0x1p-63L), false},
        {1e-4000L, false}, {1e4000L, false}, {__builtin_nanl(""), false},
    };
    for (const auto& k : cases) {
        double hi = 0, lo = 0;
        ASSERT_EQ(SplitConstant(k.value, hi, lo), k.splits) << static_cast<double>(k.value);
        if (!k.splits) continue;
        const long double back = static_cast<long double>(hi) + static_cast<long double>(lo);
        EXPECT_EQ(std::memcmp(&back, &k.value, 10), 0) << static_cast<double>(k.value);
    }
}

// The threshold lies a little below maxmod, far enough that an escape test
// worked out in doubles still reaches it from any value above maxmod.
TEST(X87Lanes, ThresholdLiesJustBelowMaxmod) {
    struct Case {
        long double maxmod;
        bool usable;
        double low, high;  // the threshold as a double lies in [low, high]
    };
    const Case cases[] = {
        {4.0L, true, 4.0 * (1 - 0x1p-47), 4.0 * (1 - 0x1p-50)},
        {1e150L, true, 1e150 * (1 - 0x1p-47), 1e150 * (1 - 0x1p-50)},
        {0.0L, true, 0.0, 0.0},
        {1e-300L, true, 0.0, 0.0},  // far below the normal doubles: every step tested
        {-1.0L, false, 0, 0},
        {0x1p501L, false, 0, 0},
        {__builtin_nanl(""), false, 0, 0},
    };
    for (const Case& k : cases) {
        uint64_t bits = 0;
        ASSERT_EQ(X87Threshold(k.maxmod, bits), k.usable) << static_cast<double>(k.maxmod);
        if (!k.usable) continue;
        double threshold;
        std::memcpy(&threshold, &bits, sizeof threshold);
        EXPECT_GE(threshold, k.low) << static_cast<double>(k.maxmod);
        EXPECT_LE(threshold, k.high) << static_cast<double>(k.maxmod);
    }
}

}  // namespace
}  // namespace velmora
