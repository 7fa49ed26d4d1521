// The orbit traps: thresholds, per-step tests, the band colours of a caught
// orbit and the post-orbit rules. Expected values are worked out by hand from
// the trap geometry (noted beside each case).

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "mode_actions.hpp"
#include "recording_host.hpp"
#include "pixel.hpp"
#include "render_driver.hpp"
#include "run_context.hpp"
#include "stalks.hpp"
#include "startup.hpp"
#include "trap_image.hpp"

namespace velmora {
namespace {

constexpr long double kUnset = -1.0L;  // trapValue before a test

TEST(TrapThresholds, PerStalkType) {
    struct Case {
        int type;
        long double R, W, K;
    };
    // p1 = 5, p2 = 2.5, p3 = 3.
    const Case cases[] = {
        {kStalkNone, 1.0L, 0.5L, 6.0L},       {kStalkCross, 1.0L, 0.5L, 6.0L},
        {kStalkCircle, 1.0L, 0.5L, 6.0L},     {kStalkAnnulus, 1.0L, 0.5L, 6.0L},
        {kStalkConverge, 1.0L, 0.5L, 6.0L},   {kStalkSlope1, 8.0L, 4.0L, 6.0L},
        {kStalkSlope2, 8.0L, 4.0L, 6.0L},     {kStalkModulusDiff, 1.0L, 2.5L, 2.5L},
        {kStalkSquareBand, 1.0L, 0.5L, 6.0L}, {kStalkImage, 1.0L, 0.5L, 6.0L},
        {kStalkMedian, 1.0L, 2.5L, 0.25L},    {kStalkHypercross, 1.0L, 0.5L, 6.0L},
        {12, 1.0L, 0.5L, 6.0L},               {255, 1.0L, 0.5L, 6.0L},
    };
    for (const Case& c : cases) {
        RunContext rc;
        rc.StalkType = static_cast<uint8_t>(c.type);
        rc.p1 = 5.0L;
        rc.p2 = 2.5L;
        rc.p3 = 3.0L;
        SetTrapThresholds(rc);
        EXPECT_NEAR(static_cast<double>(rc.trapRadius), static_cast<double>(c.R), 1e-15) << "type " << c.type;
        EXPECT_NEAR(static_cast<double>(rc.trapWidth), static_cast<double>(c.W), 1e-15) << "type " << c.type;
        EXPECT_NEAR(static_cast<double>(rc.trapTolerance), static_cast<double>(c.K), 1e-15) << "type " << c.type;
    }
}

struct StepCase {
    const char* what;
    int type;
    long double R, W;
    Complex z;
    long double modulus, previousModulus;
    Complex lastZ, secondLastZ;
    int32_t circleCount, minit;
    bool hit;
    long double trapValue;  // kUnset: not assigned
    int32_t circleCountAfter;
};

// clang-format off
const StepCase kStepCases[] = {
    // Cross, R = 0.2.
    {"cross x", kStalkCross, 0.2L, 0, {0.1L, 5}, 0, 0, {}, {}, 0, 0, true, 0.5L, 0},
    {"cross y wins", kStalkCross, 0.2L, 0, {0.1L, 0.05L}, 0, 0, {}, {}, 0, 0, true, 0.25L, 0},
    {"cross y", kStalkCross, 0.2L, 0, {5, -0.1L}, 0, 0, {}, {}, 0, 0, true, 0.5L, 0},
    {"cross edge", kStalkCross, 0.2L, 0, {0.2L, 5}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
    {"cross miss", kStalkCross, 0.2L, 0, {0.3L, 0.3L}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
    // Circle, R = 0.2: sqrt(0.01) / 0.2 = 0.5.
    {"circle minit 0", kStalkCircle, 0.2L, 0, {}, 0.01L, 0, {}, {}, 0, 0, true, 0.5L, 1},
    {"circle counts", kStalkCircle, 0.2L, 0, {}, 0.01L, 0, {}, {}, 0, 3, false, 0.5L, 1},
    {"circle fourth", kStalkCircle, 0.2L, 0, {}, 0.01L, 0, {}, {}, 3, 3, true, 0.5L, 4},
    {"circle outside", kStalkCircle, 0.2L, 0, {}, 0.05L, 0, {}, {}, 2, 3, false, kUnset, 2},
    {"circle negative minit", kStalkCircle, 0.2L, 0, {}, 0.01L, 0, {}, {}, 0, -1, false, 0.5L, 1},
    // Annulus, R = 0.2, W = 0.1: inner radius 0, middle 0.1.
    {"annulus centre", kStalkAnnulus, 0.2L, 0.1L, {}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
    {"annulus middle", kStalkAnnulus, 0.2L, 0.1L, {}, 0.1L * 0.1L, 0, {}, {}, 0, 0, true, 0.0L, 0},
    {"annulus r 0.15", kStalkAnnulus, 0.2L, 0.1L, {}, 0.0225L, 0, {}, {}, 0, 0, true, 0.5L, 0},
    {"annulus r 0.01", kStalkAnnulus, 0.2L, 0.1L, {}, 0.0001L, 0, {}, {}, 0, 0, true, 0.9L, 0},
    {"annulus outside", kStalkAnnulus, 0.2L, 0.1L, {}, 0.05L, 0, {}, {}, 0, 0, false, kUnset, 0},
    // W = 0.05: inner radius 0.1, middle 0.15.
    {"annulus hole", kStalkAnnulus, 0.2L, 0.05L, {}, 0.0025L, 0, {}, {}, 0, 0, false, kUnset, 0},
    {"annulus r 0.12", kStalkAnnulus, 0.2L, 0.05L, {}, 0.0144L, 0, {}, {}, 0, 0, true, 0.6L, 0},
    // Converge, R = 0.2; the first step compares with 0.
    {"converge first", kStalkConverge, 0.2L, 0, {}, 0.01L, 0, {}, {}, 0, 0, true, 0.05L, 0},
    {"converge up", kStalkConverge, 0.2L, 0, {}, 3, 2.9L, {}, {}, 0, 0, true, 0.5L, 0},
    {"converge down", kStalkConverge, 0.2L, 0, {}, 2.9L, 3, {}, {}, 0, 0, true, 0.5L, 0},
    {"converge miss", kStalkConverge, 0.2L, 0, {}, 3, 2.7L, {}, {}, 0, 0, false, kUnset, 0},
    // Square band, R = 0.2, W = 0.05: band 0.1 < a < 0.2, middle 0.15.
    {"square y", kStalkSquareBand, 0.2L, 0.05L, {0.05L, 0.13L}, 0, 0, {}, {}, 0, 0, true, 0.4L, 0},
    {"square diagonal", kStalkSquareBand, 0.2L, 0.05L, {0.15L, 0.15L}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
    {"square x", kStalkSquareBand, 0.2L, 0.05L, {0.18L, 0.05L}, 0, 0, {}, {}, 0, 0, true, 0.6L, 0},
    {"square x beats y", kStalkSquareBand, 0.2L, 0.05L, {-0.12L, 0.11L}, 0, 0, {}, {}, 0, 0, true, 0.6L, 0},
    {"square outside", kStalkSquareBand, 0.2L, 0.05L, {0.19L, 0.3L}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
    {"square inside", kStalkSquareBand, 0.2L, 0.05L, {0.05L, 0.09L}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
    // Median, R = 0.2: sums 0.3 - 0.25 + 0.05 = 0.1 and -0.2 + 0.1 + 0.15 = 0.05.
    {"median", kStalkMedian, 0.2L, 0, {0.3L, -0.2L}, 0, 0, {-0.25L, 0.1L}, {0.05L, 0.15L}, 0, 0, true, 0.25L, 0},
    // First tested step: the start value 1 + 10i takes part.
    {"median start", kStalkMedian, 0.2L, 0, {-1.1L, -10.05L}, 0, 0, {0.05L, 0.1L}, {1, 10}, 0, 0, true, 0.25L, 0},
    {"median x only", kStalkMedian, 0.2L, 0, {0.3L, 1}, 0, 0, {-0.25L, 1}, {0.05L, 1}, 0, 0, true, 0.5L, 0},
    {"median miss", kStalkMedian, 0.2L, 0, {1, 1}, 0, 0, {1, 1}, {1, 1}, 0, 0, false, kUnset, 0},
    // Hypercross, R^2 = 0.04.
    {"hypercross", kStalkHypercross, 0.2L, 0, {0.1L, -0.2L}, 0, 0, {}, {}, 0, 0, true, 0.5L, 0},
    {"hypercross far arm", kStalkHypercross, 0.2L, 0, {-2, 0.01L}, 0, 0, {}, {}, 0, 0, true, 0.5L, 0},
    {"hypercross axis", kStalkHypercross, 0.2L, 0, {0, 100}, 0, 0, {}, {}, 0, 0, true, 0.0L, 0},
    {"hypercross miss", kStalkHypercross, 0.2L, 0, {0.3L, 0.3L}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
    // Types that test nothing per step.
    {"none", kStalkNone, 0.2L, 0.1L, {}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
    {"slope 1", kStalkSlope1, 0.2L, 0.1L, {}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
    {"slope 2", kStalkSlope2, 0.2L, 0.1L, {}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
    {"modulus diff", kStalkModulusDiff, 0.2L, 0.1L, {}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
    {"type 12", 12, 0.2L, 0.1L, {}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
    {"type 255", 255, 0.2L, 0.1L, {}, 0, 0, {}, {}, 0, 0, false, kUnset, 0},
};
// clang-format on

TEST(StalkTest, PerStepTests) {
    for (const StepCase& c : kStepCases) {
        SCOPED_TRACE(c.what);
        RunContext rc;
        rc.StalkType = static_cast<uint8_t>(c.type);
        rc.trapRadius = c.R;
        rc.trapWidth = c.W;
        rc.minit = c.minit;
        OrbitState o;
        o.z = c.z;
        o.modulus = c.modulus;
        o.previousModulus = c.previousModulus;
        o.lastZ = c.lastZ;
        o.secondLastZ = c.secondLastZ;
        o.circleCount = c.circleCount;
        o.trapValue = kUnset;
        ClearFloatFaults();
        ASSERT_NO_THROW(StalkTest<StepCheck>(o, rc));
        EXPECT_EQ(o.trapHit, c.hit);
        if (c.trapValue == kUnset || c.trapValue == 0.0L) {
            EXPECT_EQ(o.trapValue, c.trapValue);  // untouched, or exactly on the middle
        } else {
            EXPECT_NEAR(static_cast<double>(o.trapValue), static_cast<double>(c.trapValue), 1e-15);
        }
        EXPECT_EQ(o.circleCount, c.circleCountAfter);
        EXPECT_FALSE(o.imageHit);
    }
}

TEST(StalkTest, MedianMovesTheOlderValuesAlong) {
    RunContext rc;
    rc.StalkType = kStalkMedian;
    rc.trapRadius = 0.2L;
    OrbitState o;
    o.z = {3, 4};
    o.lastZ = {5, 6};
    o.secondLastZ = {1, 10};
    StalkTest<StepCheck>(o, rc);
    EXPECT_FALSE(o.trapHit);
    EXPECT_EQ(o.secondLastZ, (Complex{5, 6}));
    EXPECT_EQ(o.lastZ, (Complex{3, 4}));
}

TEST(StalkTest, FaultsInATestAreRaised) {
    // ax * ay overflows.
    RunContext rc;
    rc.StalkType = kStalkHypercross;
    rc.trapRadius = 0.2L;
    OrbitState o;
    o.z = {1e3000L, 1e3000L};
    ClearFloatFaults();
    try {
        StalkTest<StepCheck>(o, rc);
        FAIL() << "no fault";
    } catch (const FaultError& e) {
        EXPECT_EQ(e.kind(), FaultKind::FloatOverflow);
    }
    EXPECT_FALSE(o.trapHit);
    ClearFloatFaults();
}

// --- Image trap --------------------------------------------------------

TEST(ImageTrap, LooksUpThePixelUnderTheOrbit) {
    // R = 0.2: x = 0.08 maps to Round(39.6) + 100 = 140, y = 0.02 to
    // Round(9.9) + 75 = 85; distance sqrt(40^2 + 10^2) / 125 = 0.3298484500...
    TrapImage image;
    image.setPixel(140, 85, 200, 10, 20);
    image.setPixel(100, 75, 255, 255, 254);
    struct Case {
        const char* what;
        Complex z;
        long double p3;
        bool hit;
        long double trapValue;
        ColourValue colour;
    };
    const Case cases[] = {
        {"coloured pixel", {0.08L, 0.02L}, 1.0L, true, 0.329848450049412844L, ColourValue::Rgb(200, 10, 20)},
        {"scaled by p3", {0.08L, 0.02L}, 2.0L, true, 0.659696900098825688L, ColourValue::Rgb(200, 10, 20)},
        {"almost white centre", {0, 0}, 1.0L, true, 0.0L, ColourValue::Rgb(255, 255, 254)},
        {"white pixel", {0.08L, -0.02L}, 1.0L, false, kUnset, {}},
        {"beyond R", {0.25L, 0}, 1.0L, false, kUnset, {}},
        {"beyond 0.75 R", {0, 0.16L}, 1.0L, false, kUnset, {}},
        {"negative edge", {-0.199L, -0.149L}, 1.0L, false, kUnset, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunContext rc;
        rc.StalkType = kStalkImage;
        rc.trapRadius = 0.2L;
        rc.p3 = c.p3;
        rc.trapImage = &image;
        OrbitState o;
        o.z = c.z;
        o.trapValue = kUnset;
        ClearFloatFaults();
        ASSERT_NO_THROW(StalkTest<StepCheck>(o, rc));
        EXPECT_EQ(o.trapHit, c.hit);
        EXPECT_EQ(o.imageHit, c.hit);
        EXPECT_NEAR(static_cast<double>(o.trapValue), static_cast<double>(c.trapValue), 1e-15);
        if (c.hit) {
            EXPECT_EQ(o.imageColour, c.colour);
        }
    }
}

TEST(ImageTrap, DefaultImageHasAMotifOnWhite) {
    const TrapImage& image = DefaultTrapImage();
    EXPECT_EQ(image, MakeDefaultTrapImage());
    int white = 0;
    std::set<int32_t> colours;
    for (int y = 0; y < TrapImage::kHeight; ++y)
        for (int x = 0; x < TrapImage::kWidth; ++x) {
            const ColourValue c = image.pixel(x, y);
            EXPECT_TRUE(c.direct);
            if (TrapImage::IsWhite(c)) ++white;
            colours.insert(c.value);
        }
    // Mostly white with a clear motif: the trap must catch some orbits and
    // let others through.
    const int total = TrapImage::kWidth * TrapImage::kHeight;
    EXPECT_GT(white, total / 2);
    EXPECT_LT(white, total * 9 / 10);
    EXPECT_GE(colours.size(), 8u);
    EXPECT_TRUE(TrapImage::IsWhite(image.pixel(0, 0)));
    EXPECT_FALSE(TrapImage::IsWhite(image.pixel(100, 75)));  // z = 0 is caught
}

TEST(ImageTrap, PositionsOutsideTheImageAreRangeFaults) {
    TrapImage image;
    for (const auto& [x, y] : {std::pair{-1, 0}, std::pair{200, 0}, std::pair{0, -1}, std::pair{0, 150}}) {
        EXPECT_THROW(image.pixel(x, y), FaultError);
        EXPECT_THROW(image.setPixel(x, y, 0, 0, 0), FaultError);
    }
    EXPECT_NO_THROW(image.pixel(199, 149));
}

// --- Colour rules after the orbit ---------------------------------------

struct ColourCase {
    const char* what;
    int type;
    long double R, W, K;
    Complex z, lastZ;
    long double x0, y0;
    int32_t n, lastTested;
    long double modulus, previousModulus, maxmod;
    bool trapHit;
    long double trapValue;
    bool imageHit;
    ColourValue expected;
    FaultKind fault;
};

// miter = 50, p3 = 1. An escaped orbit without a hit has the base colour
// 120 + MulDiv(60, 50 - n, 50): 168 for n = 10, 120 for n >= 50.
// Slope angle atan(0.5) = 0.4636476: with R = 1.6, 29 S = 8.40 and 63 S = 18.26.
// clang-format off
const ColourCase kColourCases[] = {
    // Band colours of a caught orbit.
    {"band top", kStalkCross, 0.2L, 0, 0, {}, {}, 0, 0, 5, 3, 9, 0, 4, true, 0.9999L, false, ColourValue::Index(119), FaultKind::None},
    {"band cycles", kStalkCross, 0.2L, 0, 0, {}, {}, 0, 0, 9, 7, 9, 0, 4, true, 0.9999L, false, ColourValue::Index(119), FaultKind::None},
    {"band half even", kStalkCircle, 0.2L, 0, 0, {}, {}, 0, 0, 5, 4, 0, 0, 4, true, 0.5L, false, ColourValue::Index(14), FaultKind::None},
    {"band zero", kStalkCircle, 0.2L, 0, 0, {}, {}, 0, 0, 2, 1, 0, 0, 4, true, 0.0L, false, ColourValue::Index(30), FaultKind::None},
    {"caught but bounded", kStalkCircle, 0.2L, 0, 0, {}, {}, 0, 0, 51, 50, 0.01L, 0, 4, true, 0.5L, false, ColourValue::Index(180), FaultKind::None},
    // Image rule.
    {"image", kStalkImage, 0.2L, 0, 0, {}, {}, 0, 0, 5, 4, 0.01L, 0, 4, true, 0.3L, true, ColourValue::Rgb(10, 20, 30), FaultKind::None},
    {"image bounded", kStalkImage, 0.2L, 0, 0, {}, {}, 0, 0, 51, 50, 1, 0, 4, true, 0.3L, true, ColourValue::Index(180), FaultKind::None},
    {"image escaped late", kStalkImage, 0.2L, 0, 0, {}, {}, 0, 0, 51, 50, 5, 0, 4, true, 0.3L, true, ColourValue::Rgb(10, 20, 30), FaultKind::None},
    // Slope 1: the last step from (0.3, 0.4) to (0.5, 0.5).
    {"slope 1", kStalkSlope1, 1.6L, 0, 0, {0.5L, 0.5L}, {0.3L, 0.4L}, 0, 0, 10, 9, 5, 0, 4, false, 0, false, ColourValue::Index(38), FaultKind::None},
    {"slope 1 band", kStalkSlope1, 1.6L, 0, 0, {0.5L, 0.5L}, {0.3L, 0.4L}, 0, 0, 10, 10, 5, 0, 4, false, 0, false, ColourValue::Index(68), FaultKind::None},
    {"slope 1 vertical", kStalkSlope1, 1.6L, 0, 0, {0.5L, 0.5L}, {0.5L, 0.1L}, 0, 0, 10, 9, 5, 0, 4, false, 0, false, ColourValue::Index(168), FaultKind::None},
    {"slope 1 at miter", kStalkSlope1, 1.6L, 0, 0, {0.5L, 0.5L}, {0.3L, 0.4L}, 0, 0, 50, 49, 5, 0, 4, false, 0, false, ColourValue::Index(120), FaultKind::None},
    {"slope 1 steep", kStalkSlope1, 0.4L, 0, 0, {0.5L, 0.5L}, {0.3L, 0.4L}, 0, 0, 10, 9, 5, 0, 4, false, 0, false, ColourValue::Index(168), FaultKind::None},
    // Slope 2: from the plane point (0.1, 0.2) to (0.9, 0.6).
    {"slope 2 even", kStalkSlope2, 1.6L, 0, 0, {0.9L, 0.6L}, {}, 0.1L, 0.2L, 10, 9, 5, 0, 4, false, 0, false, ColourValue::Index(18), FaultKind::None},
    {"slope 2 odd", kStalkSlope2, 1.6L, 0, 0, {0.9L, 0.6L}, {}, 0.1L, 0.2L, 11, 9, 5, 0, 4, false, 0, false, ColourValue::Index(82), FaultKind::None},
    {"slope 2 top", kStalkSlope2, 0.46364761L, 0, 0, {0.9L, 0.6L}, {}, 0.1L, 0.2L, 11, 9, 5, 0, 4, false, 0, false, ColourValue::Index(127), FaultKind::None},
    {"slope 2 at miter", kStalkSlope2, 1.6L, 0, 0, {0.9L, 0.6L}, {}, 0.1L, 0.2L, 50, 9, 5, 0, 4, false, 0, false, ColourValue::Index(180), FaultKind::None},
    {"slope 2 vertical", kStalkSlope2, 1.6L, 0, 0, {0.1L, 0.6L}, {}, 0.1L, 0.2L, 10, 9, 5, 0, 4, false, 0, false, ColourValue::Index(168), FaultKind::None},
    // Modulus Diff.: r = 3, sqrt(maxmod) = 2, previous radius 1:
    // A = (3 - 2) / (3 - 1) - 0.25 = 0.25, S = 0.5, Round(14.5) = 14.
    {"modulus diff", kStalkModulusDiff, 0.2L, 0.25L, 0.5L, {}, {}, 0, 0, 10, 9, 9, 1, 4, false, 0, false, ColourValue::Index(74), FaultKind::None},
    {"modulus diff band", kStalkModulusDiff, 0.2L, 0.25L, 0.5L, {}, {}, 0, 0, 11, 9, 9, 1, 4, false, 0, false, ColourValue::Index(104), FaultKind::None},
    {"modulus diff n = miter", kStalkModulusDiff, 0.2L, 0.25L, 0.5L, {}, {}, 0, 0, 50, 49, 9, 1, 4, false, 0, false, ColourValue::Index(180), FaultKind::None},
    {"modulus diff n > miter", kStalkModulusDiff, 0.2L, 0.25L, 0.5L, {}, {}, 0, 0, 51, 50, 9, 1, 4, false, 0, false, ColourValue::Index(120), FaultKind::None},
    {"modulus diff tolerance", kStalkModulusDiff, 0.2L, 0.0L, 0.5L, {}, {}, 0, 0, 10, 9, 9, 1, 4, false, 0, false, ColourValue::Index(168), FaultKind::None},
    // Faults leave the colour as it stood.
    {"modulus diff no growth", kStalkModulusDiff, 0.2L, 0.25L, 0.5L, {}, {}, 0, 0, 10, 9, 9, 9, 4, false, 0, false, ColourValue::Index(168), FaultKind::FloatZeroDivide},
    {"modulus diff negative bailout", kStalkModulusDiff, 0.2L, 0.25L, 0.5L, {}, {}, 0, 0, 10, 9, 9, 1, -4, false, 0, false, ColourValue::Index(168), FaultKind::FloatInvalid},
};
// clang-format on

TEST(PostOrbitRules, ThroughTheColourRules) {
    for (const ColourCase& c : kColourCases) {
        SCOPED_TRACE(c.what);
        RunContext rc;
        rc.StalkType = static_cast<uint8_t>(c.type);
        rc.trapRadius = c.R;
        rc.trapWidth = c.W;
        rc.trapTolerance = c.K;
        rc.miter = 50;
        rc.maxmod = c.maxmod;
        rc.p3 = 1.0L;
        OrbitState o;
        o.z = c.z;
        o.lastZ = c.lastZ;
        o.iteration = c.n;
        o.lastTested = c.lastTested;
        o.modulus = c.modulus;
        o.previousModulus = c.previousModulus;
        o.trapHit = c.trapHit;
        o.trapValue = c.trapValue;
        o.imageHit = c.imageHit;
        o.imageColour = ColourValue::Rgb(10, 20, 30);
        FaultKind fault = FaultKind::None;
        try {
            ColourRules(o, rc, c.x0, c.y0);
        } catch (const FaultError& e) {
            fault = e.kind();
        }
        ClearFloatFaults();
        EXPECT_EQ(fault, c.fault);
        EXPECT_EQ(o.pixelColour, c.expected) << "got " << o.pixelColour.value;
    }
}

TEST(PostOrbitRules, BandColoursStayBelow120AndSlope2Below128) {
    // The largest position below 1 in every band, and Slope 2 in both parities.
    for (int32_t lastTested = 0; lastTested < 8; ++lastTested) {
        RunContext rc;
        rc.StalkType = kStalkCross;
        OrbitState o;
        o.iteration = 5;
        o.modulus = 9;
        o.trapHit = true;
        o.trapValue = 1.0L - 0x1p-60L;
        o.lastTested = lastTested;
        ColourRules(o, rc, 0, 0);
        EXPECT_EQ(o.pixelColour.value, 29 + 30 * (lastTested % 4));
        EXPECT_LE(o.pixelColour.value, 119);
    }
    for (int32_t n = 2; n < 6; ++n) {
        RunContext rc;
        rc.StalkType = kStalkSlope2;
        rc.trapRadius = 0.78539816339744831L;  // just above atan(1)
        OrbitState o;
        o.iteration = n;
        o.modulus = 9;
        o.z = {1, 1};
        ColourRules(o, rc, 0, 0);
        EXPECT_EQ(o.pixelColour.value, n % 2 == 0 ? 63 : 127);
    }
}

TEST(PostOrbitRules, SlopesPastTheTangentBoundNeedNoArctangent) {
    // Around tan R and the bound, the shortcut tells what the arctangent does.
    for (const long double radius : {1e-1000L, 1e-5L, 0.8L, 1.5L, 1.6L}) {
        RunContext rc;
        rc.StalkType = kStalkSlope2;
        rc.p1 = radius / 1.6L;
        SetTrapThresholds(rc);
        EXPECT_EQ(std::isinf(rc.slopeBeyond), rc.trapRadius > 1.5L) << radius;
        const long double t = tanl(rc.trapRadius);
        for (long double q : {t, rc.slopeBeyond, 2.0L * t}) {
            for (int ulps = 0; ulps < 3; ++ulps) q = nextafterl(q, 0.0L);
            for (int ulps = 0; ulps < 6; ++ulps, q = nextafterl(q, HUGE_VALL)) {
                for (const long double signed_q : {q, -q}) {
                    long double angle = -1.0L;
                    const bool below = stalk::SlopeAngleBelowRadius<NoCheck>(signed_q, 1.0L, rc, angle);
                    EXPECT_EQ(below, fabsl(atanl(signed_q)) < rc.trapRadius) << radius << " " << ulps;
                    if (below) {
                        EXPECT_EQ(angle, fabsl(atanl(signed_q)));
                    }
                }
            }
        }
    }
}

// --- Whole pixels --------------------------------------------------------

// Kind 18 leaves z where it starts, so each orbit is a fixed point that the
// trap sees once per step. Pixels are 1/64 apart: (108, 75) is 0.125.
RunContext FixedPointContext(int stalkType) {
    RunContext rc;
    rc.siz = 200;
    rc.sizy = 150;
    rc.step = 0.015625L;
    rc.FunctionKind = 18;
    rc.StalkType = static_cast<uint8_t>(stalkType);
    rc.miter = 50;
    rc.maxmod = 4.0L;
    rc.p1 = 1.0L;
    rc.p2 = 0.5L;
    rc.p3 = 1.0L;
    SetTrapThresholds(rc);
    return rc;
}

TEST(StalkPixel, CaughtOrbitsThroughTheDriverLoop) {
    struct Case {
        const char* what;
        int type;
        int32_t minit;
        int col, row;
        int64_t steps;
        int colour;
    };
    const Case cases[] = {
        // Circle at 0.125: trapValue 0.625, Round(18.125) = 18.
        // minit 0: caught at step 1, band 1.
        {"circle minit 0", kStalkCircle, 0, 108, 75, 1, 18 + 30},
        // minit 3: steps 1..3 untested, caught on the fourth tested step (7).
        {"circle minit 3", kStalkCircle, 3, 108, 75, 7, 18 + 90},
        // Converge at 0.625: the first step compares 0.390625 with 0 and
        // misses; the second finds no change: trapValue 0, band 2.
        {"converge second step", kStalkConverge, 0, 140, 75, 2, 60},
        // At 0.125 the first step already catches: 0.015625 / 0.2 = 0.078125.
        {"converge first step", kStalkConverge, 0, 108, 75, 1, 2 + 30},
        // The Annulus centre is never caught and never escapes.
        {"annulus centre", kStalkAnnulus, 0, 100, 75, 50, 181},
        // Cross at (0.125, 1.15625): x test, 0.625.
        {"cross", kStalkCross, 0, 108, 149, 1, 48},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunContext rc = FixedPointContext(c.type);
        rc.minit = c.minit;
        const PixelOutcome out = ComputePixel(rc, c.col, c.row);
        EXPECT_EQ(out.orbitFault, FaultKind::None);
        EXPECT_EQ(out.colourFault, FaultKind::None);
        EXPECT_EQ(out.steps, c.steps);
        EXPECT_EQ(out.colour, ColourValue::Index(c.colour));
    }
}

TEST(StalkPixel, FastPathEqualsCheckedPathForEveryStalkType) {
    for (int type = 0; type <= 12; ++type)
        for (const int kind : {kFormulaZ2, kFormulaRecipZ2, kFormulaCCos}) {
            RunContext rc;
            rc.siz = 24;
            rc.sizy = 18;
            rc.step = 4.0L / 24;
            rc.FunctionKind = static_cast<uint8_t>(kind);
            rc.StalkType = static_cast<uint8_t>(type);
            rc.mandelbrot = true;
            rc.miter = 40;
            rc.maxmod = 20.0L;
            rc.p1 = 1.0L;
            rc.p2 = 0.5L;
            rc.p3 = 0.8L;
            rc.minit = 2;
            SetTrapThresholds(rc);
            for (int col = 0; col < rc.siz; ++col)
                for (int row = 0; row < rc.sizy; ++row) {
                    const PixelOutcome a = ComputePixel(rc, col, row);
                    const PixelOutcome b = ComputePixelChecked(rc, col, row);
                    ASSERT_EQ(a.colour, b.colour) << "type " << type << " kind " << kind;
                    ASSERT_EQ(a.steps, b.steps) << "type " << type << " kind " << kind;
                    ASSERT_EQ(a.colourFault, b.colourFault) << "type " << type << " kind " << kind;
                }
        }
}

// --- Through the render driver ---------------------------------------------

// Counts the direct colours a picture plots: only the image trap has them.
int DirectColours(const RunContext& rc) {
    int direct = 0;
    for (int col = 0; col < rc.siz; ++col)
        for (int row = 0; row < rc.sizy; ++row) direct += ComputePixel(rc, col, row).colour.direct ? 1 : 0;
    return direct;
}

struct Picture {
    std::string status;
    std::set<uint8_t> indices;
    int directColours = 0;
};

Picture Render(int kind, int stalkType, bool mandelbrot) {
    ProgramState state;
    testing::RecordingHost host;
    ModeActions actions(state);
    RenderDriver driver(state, host, host, host);
    InitialiseWithoutPicture(state, actions);
    if (mandelbrot) actions.Mandelbrot();
    state.params.FunctionKind = static_cast<uint8_t>(kind);
    state.params.StalkType = static_cast<uint8_t>(stalkType);
    state.texts.setText(TextField::siz, "32");
    state.texts.setText(TextField::p1, "1");
    state.texts.setText(TextField::p2, "0.5");
    state.texts.setText(TextField::maxmod, "20");
    driver.Runclick();
    Picture p;
    p.status = state.statusText;
    p.indices.insert(state.buffer.bytes.begin(), state.buffer.bytes.end());
    p.directColours = DirectColours(driver.runContext());
    return p;
}

TEST(StalkDriver, EveryFormulaAndStalkTypeMakesAPicture) {
    for (int kind = 0; kind <= 18; ++kind) {
        if (kind == kFormulaCustom) continue;
        for (const bool mandelbrot : {false, true}) {
            const Picture p = Render(kind, kStalkCross, mandelbrot);
            EXPECT_EQ(p.status, "Picture completed.") << "kind " << kind;
            EXPECT_GE(p.indices.size(), 2u) << "kind " << kind << (mandelbrot ? " Mandelbrot" : " Julia");
        }
    }
    for (int type = 0; type <= 12; ++type) {
        const Picture p = Render(kFormulaZ2, type, true);
        EXPECT_EQ(p.status, "Picture completed.") << "type " << type;
        EXPECT_GE(p.indices.size(), 2u) << "type " << type;
        // Only the image trap plots direct colours.
        if (type == kStalkImage) {
            EXPECT_GT(p.directColours, 0);
        } else {
            EXPECT_EQ(p.directColours, 0) << "type " << type;
        }
    }
}

}  // namespace
}  // namespace velmora
