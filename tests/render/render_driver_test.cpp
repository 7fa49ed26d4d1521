#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "conversions.hpp"
#include "mode_actions.hpp"
#include "pixel.hpp"
#include "recording_host.hpp"
#include "render_driver.hpp"
#include "startup.hpp"

namespace velmora {
namespace {

class Driver : public ::testing::Test {
protected:
    Driver() {
        driver.addObserver(host);
        InitialiseWithoutPicture(s, actions);
        set(TextField::siz, "20");
        actions.Trigger(StalkMenuId(kStalkNone));
    }
    void set(TextField f, const std::string& text) { s.texts.setText(f, text); }
    uint8_t pixel(int x, int y) const { return s.buffer.bytes.at(static_cast<size_t>(y) * s.buffer.width + x); }
    // The plane point of a pixel, taken from a run of a formula that leaves z alone.
    Complex planePoint(int col, int row) { return ComputePixel(driver.runContext(), col, row).orbit.z; }

    ProgramState s;
    testing::RecordingHost host;
    ModeActions actions{s};
    RenderDriver driver{s, host, host, host};
};

TEST_F(Driver, GeometryAndPlanePoints) {
    set(TextField::siz, "200");
    set(TextField::Rang, "4");
    set(TextField::miter, "1");
    s.params.FunctionKind = 200;  // leaves z unchanged
    driver.Runclick();
    EXPECT_EQ(s.params.sizy, 150);
    EXPECT_EQ(driver.runContext().step, 4.0L / 200);
    EXPECT_EQ(planePoint(0, 0), (Complex{-2.0L, -1.5L}));
    EXPECT_EQ(planePoint(100, 75), (Complex{0.0L, 0.0L}));
    EXPECT_EQ(planePoint(0, 149), (Complex{-2.0L, 149 * (4.0L / 200) - 1.5L}));
    EXPECT_NEAR(static_cast<double>(planePoint(0, 149).im), 1.48, 1e-15);
    EXPECT_EQ(s.xoff, (800 - 200) / 2);
    EXPECT_EQ(s.yoff, (600 - 150) / 2);
}

TEST_F(Driver, HeightsOfOddWidths) {
    const struct {
        const char* siz;
        int32_t sizy;
    } cases[] = {{"2", 2}, {"201", 151}, {"4", 3}, {"5", 4}};
    for (const auto& c : cases) {
        set(TextField::siz, c.siz);
        driver.Runclick();
        EXPECT_EQ(s.params.sizy, c.sizy) << c.siz;
        EXPECT_EQ(s.buffer.bytes.size(), static_cast<size_t>(s.params.siz) * c.sizy);
    }
}

// sinh z + c at z = 1000: |e^z|^2 is beyond the double range, so the
// reciprocal's unused modulus overflows at step 1, whatever the bailout.
TEST_F(Driver, UnusedValueFaultEndsTheOrbitAtItsStep) {
    for (const char* bailout : {"1e300", "1e1000"}) {
        set(TextField::siz, "2");
        set(TextField::Rang, "1e-30");
        set(TextField::xce, "1000");
        set(TextField::cx, "0");
        set(TextField::cy, "0");
        set(TextField::miter, "60");
        set(TextField::maxmod, bailout);
        s.params.FunctionKind = kFormulaSinh;
        driver.Runclick();
        EXPECT_EQ(pixel(1, 1), MulDiv(180, 60 - 1, 60)) << bailout;  // 177
    }
}

TEST_F(Driver, EscapeAndInteriorColours) {
    // Julia z^2+c with c = 2: from 0 the orbit is 2, 6, ... escaping at step 2
    // (modulus 36 > 4), so iteration is 3 after the loop.
    set(TextField::siz, "2");
    set(TextField::Rang, "1e-30");
    set(TextField::cx, "2");
    set(TextField::cy, "0");
    driver.Runclick();
    const RunContext& rc = driver.runContext();
    EXPECT_EQ(ComputePixel(rc, 1, 1).orbit.iteration, 3);
    EXPECT_EQ(pixel(1, 1), MulDiv(180, 50 - 3, 50));

    // With a stalk type chosen the gradient moves to 120..180.
    actions.Trigger(StalkMenuId(kStalkCross));
    set(TextField::p1, "0");  // nothing is ever caught
    driver.Runclick();
    EXPECT_EQ(pixel(1, 1), 120 + MulDiv(60, 47, 50));
}

TEST_F(Driver, ColourRulesTable) {
    RunContext rc;
    rc.miter = 50;
    rc.maxmod = 4.0L;
    rc.p3 = 1.0L;
    const struct {
        int stalk;
        int iteration;
        long double modulus;
        bool hit;
        long double trapValue;
        int lastTested;
        int minit;
        int index;
    } cases[] = {
        {0, 5, 10.0L, false, 0, 0, 0, 162},      // escaped at the 4th step
        {1, 5, 10.0L, false, 0, 0, 0, 174},      // same with a stalk type
        {0, 51, 1.0L, false, 0, 0, 0, 181},      // bounded
        {0, 51, 4.0L, false, 0, 0, 0, 0},        // on the bailout value: not below it
        {1, 7, 1.0L, true, 0.5L, 6, 0, 14 + 60}, // Round(14.5) = 14, band 6 mod 4 = 2
        {1, 7, 1.0L, true, 0.999L, 3, 0, 29 + 90},
        {1, 51, 1.0L, true, 0.5L, 50, 0, 180},   // caught but bounded to the end
        {1, 3, 1.0L, true, 0.5L, 2, 3, 180},     // within the minimum iterations
        {0, 1, 9.0L, false, 0, 0, 0, 176},       // escaped at once: MulDiv(180, 49, 50)
    };
    for (const auto& c : cases) {
        rc.StalkType = static_cast<uint8_t>(c.stalk);
        rc.minit = c.minit;
        OrbitState o;
        o.iteration = c.iteration;
        o.modulus = c.modulus;
        o.trapHit = c.hit;
        o.trapValue = c.trapValue;
        o.lastTested = c.lastTested;
        ColourRules(o, rc, 0, 0);
        EXPECT_EQ(o.pixelColour, ColourValue::Index(c.index)) << "stalk " << c.stalk << " iteration " << c.iteration;
    }
}

TEST_F(Driver, MandelbrotStartsAtThePixel) {
    actions.Trigger(MenuId::Mandelbrot);
    set(TextField::siz, "20");
    set(TextField::miter, "1");
    set(TextField::p3, "1");
    driver.Runclick();
    const RunContext& rc = driver.runContext();
    const PixelOutcome corner = ComputePixel(rc, 0, 0);
    const long double x = -10 * (5.0L / 20), y = -7 * (5.0L / 20);
    Complex p{x, y}, expected;
    CMul(p, p, expected);
    CAdd(expected, p, expected);
    EXPECT_EQ(corner.orbit.z, expected);
    // The point 0 (pixel 10, 7) stays at 0: interior.
    set(TextField::miter, "50");
    driver.Runclick();
    EXPECT_EQ(pixel(10, 7), 181);
    // Afterwards the Julia constant texts hold the centre texts.
    EXPECT_EQ(s.texts.text(TextField::cx), "0");
    EXPECT_EQ(s.texts.text(TextField::cy), "0.0");
}

TEST_F(Driver, RunWhileCalculatingDoesNothing) {
    s.run.Calculating = true;
    driver.Runclick();
    EXPECT_TRUE(host.statusTexts.empty());
    EXPECT_EQ(host.repaints, 0);
    EXPECT_FALSE(s.buffer.present);
    EXPECT_TRUE(s.menu.item(MenuId::Run).enabled);
}

TEST_F(Driver, ProgressTitlesAndEnd) {
    set(TextField::siz, "100");
    driver.Runclick();
    ASSERT_GE(host.statusTexts.size(), 3u);
    EXPECT_EQ(host.statusTexts[0], "Initialising....");
    EXPECT_EQ(host.statusTexts[1], "Commencing drawing...");
    EXPECT_EQ(host.statusTexts[2], "    0 % completed");
    EXPECT_EQ(host.statusTexts[host.statusTexts.size() - 2], "   99 % completed");
    EXPECT_EQ(host.lastStatus(), "Picture completed.");
    EXPECT_EQ(host.title, "Velmora 32 201.b");
    EXPECT_EQ(s.params.LastColumnDone, 99);
    EXPECT_FALSE(s.run.Calculating);
    EXPECT_FALSE(host.cancelLabelVisible);
    EXPECT_EQ(host.blocksFilled, 1);
    EXPECT_EQ(host.palettesMade, 1);
    EXPECT_EQ(host.copiedColumns.size(), 100u);
    EXPECT_EQ(host.pumps, 100 * 75);
    EXPECT_TRUE(s.menu.item(MenuId::Run).enabled);

    set(TextField::siz, "200");
    host.statusTexts.clear();
    driver.Runclick();
    EXPECT_NE(std::find(host.statusTexts.begin(), host.statusTexts.end(), "   50 % completed"), host.statusTexts.end());
}

TEST_F(Driver, MenusLockedDuringRun) {
    bool checked = false;
    host.onPump = [&] {
        if (checked) return;
        checked = true;
        EXPECT_TRUE(s.run.Calculating);
        EXPECT_FALSE(s.menu.item(MenuId::Run).enabled);
        EXPECT_TRUE(s.menu.item(MenuId::Cancel).enabled);
        EXPECT_TRUE(host.cancelLabelVisible);
        // Guarded commands refuse, and a second run does not start.
        driver.Runclick();
        driver.Params();
    };
    driver.Runclick();
    EXPECT_TRUE(checked);
    EXPECT_EQ(host.dialogShown, 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Cannot change parameters whilst calculating");
}

TEST_F(Driver, CancelFinishesTheColumnAndContinueResumes) {
    set(TextField::siz, "40");
    int pumps = 0;
    host.onPump = [&] {
        if (++pumps == 30 * 5 + 2) s.run.CancelRequested = true;  // inside column 5
    };
    const RunOutcome halted = driver.Runclick();
    EXPECT_EQ(host.lastStatus(), "Picture generation halted.");
    EXPECT_EQ(s.params.LastColumnDone, 5);
    EXPECT_EQ(host.copiedColumns.back(), 5);
    EXPECT_EQ(halted.end, RunEnd::Halted);
    EXPECT_EQ(halted.lastColumnDone, 5);

    const std::vector<uint8_t> partial = s.buffer.bytes;
    host.onPump = nullptr;
    host.copiedColumns.clear();
    const RunOutcome continued = driver.Continue();
    EXPECT_EQ(host.lastStatus(), "Picture completed.");
    EXPECT_EQ(host.copiedColumns.front(), 5);  // the last finished column once more
    EXPECT_EQ(s.params.LastColumnDone, 39);
    EXPECT_EQ(continued.end, RunEnd::Completed);
    EXPECT_EQ(continued.lastColumnDone, 39);

    // The continued picture equals one computed in one go.
    const std::vector<uint8_t> whole = s.buffer.bytes;
    for (int x = 0; x <= 5; ++x)
        for (int y = 0; y < 30; ++y) EXPECT_EQ(partial[y * 40 + x], whole[y * 40 + x]);
    // Its steps are the columns it computed, fewer than a whole run's.
    const RunOutcome inOneGo = driver.Runclick();
    EXPECT_EQ(s.buffer.bytes, whole);
    EXPECT_GT(continued.orbitSteps, 0);
    EXPECT_LT(continued.orbitSteps, inOneGo.orbitSteps);

    // Continue after a complete picture does nothing.
    host.statusTexts.clear();
    EXPECT_EQ(driver.Continue().end, RunEnd::NotStarted);
    EXPECT_TRUE(host.statusTexts.empty());
}

TEST_F(Driver, ContinueDoesNothingBeforeTheFirstRun) {
    driver.Continue();
    EXPECT_TRUE(host.statusTexts.empty());
}

TEST_F(Driver, SetUpFaults) {
    const struct {
        TextField field;
        const char* text;
        const char* message;
        bool runs;
        bool pictureSize;
    } cases[] = {
        {TextField::miter, "abc", "Other error - 205", true, false},
        {TextField::Rang, "x", "Other error - 205", true, false},
        {TextField::siz, "0", "Range error - 205", false, true},
        {TextField::siz, "-3", "Range error - 205", false, true},
        {TextField::siz, "2400", "Range error - 205", false, true},
        {TextField::siz, "100000", "Range error - 205", false, true},
    };
    for (const auto& c : cases) {
        ProgramState fresh;
        testing::RecordingHost h;
        ModeActions a(fresh);
        RenderDriver d(fresh, h, h, h);
        d.addObserver(h);
        InitialiseWithoutPicture(fresh, a);
        fresh.texts.setText(TextField::siz, "20");
        d.Runclick();
        const int32_t lastColumn = fresh.params.LastColumnDone;
        h.statusTexts.clear();
        h.messages.clear();
        fresh.texts.setText(c.field, c.text);
        const RunOutcome outcome = d.Runclick();
        EXPECT_EQ(outcome.end, c.runs ? RunEnd::Completed : RunEnd::SetUpFailed) << c.text;
        ASSERT_EQ(outcome.faults.size(), 1u) << c.text;
        EXPECT_EQ(outcome.faults[0].message, c.message);
        EXPECT_EQ(outcome.faults[0].pictureSize, c.pictureSize) << c.text;
        ASSERT_EQ(h.messages.size(), 1u) << c.text;
        EXPECT_EQ(h.messages[0].text, c.message);
        EXPECT_EQ(h.messages[0].caption, "main");
        EXPECT_FALSE(fresh.run.Calculating);
        EXPECT_TRUE(fresh.menu.item(MenuId::Run).enabled);
        if (c.runs) {
            EXPECT_EQ(h.lastStatus(), "Picture completed.") << c.text;
        } else {
            EXPECT_EQ(h.lastStatus(), "Initialising....") << c.text;
            EXPECT_TRUE(h.cancelLabelVisible);
            EXPECT_EQ(fresh.params.LastColumnDone, lastColumn);
            EXPECT_EQ(h.blocksFilled, 1);  // only the first run's
        }
    }
}

TEST_F(Driver, BadMiterKeepsThePreviousValue) {
    set(TextField::miter, "7");
    driver.Runclick();
    set(TextField::miter, "seven");
    driver.Runclick();
    EXPECT_EQ(s.params.miter, 7);
    EXPECT_EQ(host.lastStatus(), "Picture completed.");
}

TEST_F(Driver, SizeChangedBeforeAFaultStillFitsTheBuffer) {
    driver.Runclick();
    set(TextField::siz, "40");
    set(TextField::cx, "oops");  // fails after siz is read: bitmap and buffer steps skipped
    driver.Runclick();
    EXPECT_EQ(host.messages.back().text, "Other error - 205");
    EXPECT_EQ(s.buffer.width, 40);
    EXPECT_EQ(s.buffer.bytes.size(), 40u * 30u);
    EXPECT_EQ(s.PictureBitmap.width(), 40);
    EXPECT_EQ(s.PictureBitmap.height(), 30);
    EXPECT_EQ(host.lastStatus(), "Picture completed.");
}

TEST_F(Driver, MinimumIterationsReadLeniently) {
    const struct {
        const char* text;
        int32_t minit;
    } cases[] = {{"12abc", 12}, {"abc", 0}, {" 3", 3}};
    for (const auto& c : cases) {
        set(TextField::minit, c.text);
        driver.Runclick();
        EXPECT_EQ(driver.runContext().minit, c.minit);
        EXPECT_EQ(host.lastStatus(), "Picture completed.");
    }
}

TEST_F(Driver, MinimumIterationsBeyondMaximum) {
    // Every orbit makes at least minit steps; bounded ones must still be
    // below the bailout afterwards to count as interior.
    set(TextField::miter, "5");
    set(TextField::minit, "9");
    driver.Runclick();
    const RunContext& rc = driver.runContext();
    for (int col = 0; col < 20; col += 3) {
        const PixelOutcome out = ComputePixel(rc, col, 7);
        EXPECT_GE(out.orbit.iteration, 10);
        if (out.colourFault == FaultKind::None && out.orbitFault == FaultKind::None && out.orbit.modulus < 4.0L) {
            EXPECT_EQ(out.colour, ColourValue::Index(181));
        }
    }
}

TEST_F(Driver, ZeroIterations) {
    set(TextField::miter, "0");
    set(TextField::Rang, "8");
    driver.Runclick();
    const RunContext& rc = driver.runContext();
    int interior = 0, escaped = 0;
    for (int col = 0; col < 20; ++col) {
        const PixelOutcome out = ComputePixel(rc, col, 7);
        EXPECT_EQ(out.orbit.iteration, 2);
        if (out.orbit.modulus < 4.0L) {
            EXPECT_EQ(out.colour, ColourValue::Index(181));
            ++interior;
        } else {
            EXPECT_EQ(out.colour, ColourValue::Index(0));  // MulDiv(.., -2, 0) = -1, clamped
            ++escaped;
        }
    }
    EXPECT_GT(interior, 0);
    EXPECT_GT(escaped, 0);
}

TEST_F(Driver, CoefficientFormulaSetUp) {
    actions.Trigger(FormulaMenuId(kFormulaCoefficients));
    set(TextField::xce, "0.25");
    set(TextField::yce, "-0.5");
    set(TextField::maxmod, "4");
    driver.Runclick();
    EXPECT_EQ(driver.runContext().maxmod, 1000.0L);
    EXPECT_EQ(driver.runContext().cx, -0.775L);  // this run keeps the constant it read
    EXPECT_EQ(s.texts.text(TextField::cx), " 0.25000000000000000");
    EXPECT_EQ(s.texts.text(TextField::cy), "-0.50000000000000000");
}

TEST_F(Driver, SphereBackground) {
    actions.Trigger(MenuId::Sphere);
    set(TextField::siz, "40");
    driver.Runclick();
    int background = 0;
    for (uint8_t b : s.buffer.bytes) background += b == 183;
    EXPECT_GT(background, 0);                                    // corners are never reached
    EXPECT_LT(background, static_cast<int>(s.buffer.bytes.size()));
    EXPECT_EQ(pixel(0, 0), 183);
    // The window shows the background too, outlined in black.
    EXPECT_EQ(s.PictureBitmap.pixel(1, 1), 183);
    EXPECT_EQ(DisplayColours(s.palette)[s.PictureBitmap.pixel(0, 0)] & 0xFFFFFFu, 0u);
}

TEST_F(Driver, MappingsMovePointsAndPlots) {
    set(TextField::siz, "40");
    set(TextField::Rang, "8");  // step 0.2
    s.params.FunctionKind = 200;  // z stays the mapped plane point
    actions.Trigger(MenuId::Inversion);
    s.params.invx = 1.0L;
    s.params.invy = 0.0L;
    s.params.invr = 2.0L;
    driver.Runclick();
    // Pixel (35, 15) is (3, 0): distance 2 from the centre, so it stays put;
    // pixel (30, 15) is (2, 0): t = 4 / 1, so it maps to (1 + 4, 0).
    EXPECT_EQ(ComputePixel(driver.runContext(), 35, 15).orbit.z, (Complex{3.0L, 0.0L}));
    EXPECT_EQ(ComputePixel(driver.runContext(), 30, 15).orbit.z, (Complex{5.0L, 0.0L}));
    // The centre of the circle itself cannot be inverted: a fault, coloured
    // from the start state.
    const PixelOutcome centre = ComputePixel(driver.runContext(), 25, 15);
    EXPECT_NE(centre.orbitFault, FaultKind::None);
    EXPECT_EQ(centre.orbit.iteration, 1);

    // Sphere: 40 x 30, hs = 20, hy = 15. Pixel (10, 5): dx = dy = 10,
    // q = 7.5, py = 15 + Round(sqrt(225 - 56.25) * 10 / 30) = 15 + Round(4.33) = 19,
    // px = 20 - Round(15 * 7.5 / 30) = 20 - Round(3.75) = 16.
    actions.Trigger(MenuId::Normal);
    actions.Trigger(MenuId::Sphere);
    driver.Runclick();
    const PixelOutcome moved = ComputePixel(driver.runContext(), 10, 5);
    EXPECT_EQ(moved.px, 16);
    EXPECT_EQ(moved.py, 19);
    EXPECT_EQ(moved.orbit.z, (Complex{-2.0L, -2.0L}));  // the plane point is not moved
}

TEST_F(Driver, SinglePixelSphereStaysInsideTheBuffer) {
    actions.Trigger(MenuId::Sphere);
    set(TextField::siz, "1");
    driver.Runclick();
    EXPECT_EQ(s.buffer.bytes.size(), 1u);
    EXPECT_EQ(host.lastStatus(), "Picture completed.");
}

TEST_F(Driver, FaultingOrbitIsColouredAsAnEscapeAtThatStep) {
    // A bailout too large to reach: the orbit of a far point overflows.
    set(TextField::siz, "4");
    set(TextField::Rang, "1e1000");
    set(TextField::maxmod, "1e4000");
    set(TextField::cx, "0");
    set(TextField::cy, "0");
    driver.Runclick();
    const RunContext& rc = driver.runContext();
    // Pixel (0, 0) is (-5e999, -2.5e999). Step 1 gives |z|^2 ~ 9.8e3998, just
    // below the bailout; step 2 squares z again (fine) but its squared modulus
    // overflows, so the orbit ends at step 2 with the new z kept.
    const PixelOutcome out = ComputePixel(rc, 0, 0);
    EXPECT_EQ(out.orbitFault, FaultKind::FloatOverflow);
    EXPECT_EQ(out.orbit.iteration, 2);
    Complex z{-5e999L, -2.5e999L};
    CMul(z, z, z);
    CMul(z, z, z);
    EXPECT_EQ(out.orbit.z, z);
    EXPECT_EQ(out.colour, ColourValue::Index(MulDiv(180, 50 - 2, 50)));
    EXPECT_EQ(pixel(0, 0), out.colour.lowByte());
    EXPECT_EQ(host.lastStatus(), "Picture completed.");
    EXPECT_TRUE(host.messages.empty());  // Show exceptions is off
}

TEST_F(Driver, FaultMessagesUntilIgnore) {
    actions.Trigger(MenuId::ShowExceptions);
    set(TextField::siz, "4");
    set(TextField::Rang, "1e1000");
    set(TextField::maxmod, "1e4000");
    host.answers = {MessageResult::Retry, MessageResult::Ignore};
    driver.Runclick();
    ASSERT_EQ(host.messages.size(), 2u);
    for (const auto& m : host.messages) {
        EXPECT_EQ(m.text, "Floating point overflow");
        EXPECT_EQ(m.caption, "main");
        EXPECT_EQ(m.buttons, MessageButtons::AbortRetryIgnore);
    }
    // A new run shows them again; Abort stops after the current column.
    host.messages.clear();
    host.answers = {MessageResult::Abort, MessageResult::Ignore};
    driver.Runclick();
    EXPECT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.lastStatus(), "Picture generation halted.");
    EXPECT_EQ(s.params.LastColumnDone, 0);
}

TEST_F(Driver, FastAndCheckedPathsAgree) {
    struct Setup {
        const char* rang;
        const char* maxmod;
        bool mandelbrot;
        uint8_t stalk;
    } setups[] = {{"3", "4", true, kStalkNone}, {"1e1000", "1e4000", false, kStalkNone},
                  {"4", "4", false, kStalkConverge}, {"1e2000", "1e4900", true, kStalkConverge}};
    for (const auto& setup : setups) {
        if (setup.mandelbrot) actions.Trigger(MenuId::Mandelbrot);
        actions.Trigger(StalkMenuId(setup.stalk));
        set(TextField::siz, "24");
        set(TextField::Rang, setup.rang);
        set(TextField::maxmod, setup.maxmod);
        driver.Runclick();
        const RunContext& rc = driver.runContext();
        int faults = 0;
        for (int col = 0; col < 24; ++col)
            for (int row = 0; row < 18; ++row) {
                const PixelOutcome fast = ComputePixel(rc, col, row);
                const PixelOutcome checked = ComputePixelChecked(rc, col, row);
                EXPECT_EQ(fast.colour, checked.colour);
                EXPECT_EQ(fast.orbitFault, checked.orbitFault);
                EXPECT_EQ(fast.orbit.iteration, checked.orbit.iteration);
                EXPECT_EQ(fast.orbit.z, checked.orbit.z);
                faults += fast.orbitFault != FaultKind::None;
            }
        if (std::string(setup.maxmod) != "4") {
            EXPECT_GT(faults, 0) << setup.rang;
        }
    }
}

TEST_F(Driver, IntegerFaultInTheColourRulesKeepsColour180) {
    set(TextField::p3, "1e30");  // p3 * 180 cannot be rounded to an integer
    set(TextField::Rang, "8");
    driver.Runclick();
    const PixelOutcome out = ComputePixel(driver.runContext(), 0, 0);
    EXPECT_EQ(out.colourFault, FaultKind::FloatInvalid);
    EXPECT_EQ(out.colour, ColourValue::Index(180));
}

TEST_F(Driver, ParamsStartsARunOnlyForRun) {
    const struct {
        int result;
        bool runs;
    } cases[] = {{1, false}, {2, false}, {99, true}};
    for (const auto& c : cases) {
        host.statusTexts.clear();
        host.dialogResult = c.result;
        driver.Params();
        EXPECT_EQ(!host.statusTexts.empty(), c.runs) << c.result;
    }
}

TEST_F(Driver, NewRunAfterHaltStartsAtColumnZero) {
    int pumps = 0;
    host.onPump = [&] {
        if (++pumps == 40) s.run.CancelRequested = true;
    };
    driver.Runclick();
    EXPECT_EQ(s.params.LastColumnDone, 2);
    host.onPump = nullptr;
    host.copiedColumns.clear();
    driver.Runclick();
    EXPECT_EQ(host.copiedColumns.front(), 0);
}

TEST_F(Driver, ResumePointBeyondThePictureWritesNothing) {
    driver.Runclick();
    host.copiedColumns.clear();
    EXPECT_EQ(driver.Run({500, true}).end, RunEnd::Completed);
    EXPECT_TRUE(host.copiedColumns.empty());
    EXPECT_EQ(host.lastStatus(), "Picture completed.");
}

TEST_F(Driver, PlanePointOverflowEndsTheRunCleanly) {
    // Columns from 12 on lie beyond the largest extended number.
    set(TextField::Rang, "1e4931");
    set(TextField::xce, "1.18e4932");
    const RunOutcome outcome = driver.Runclick();
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().text, "Floating point overflow");
    EXPECT_EQ(host.lastStatus(), "Picture generation halted.");
    EXPECT_EQ(outcome.end, RunEnd::Halted);
    EXPECT_EQ(outcome.lastColumnDone, 11);
    ASSERT_EQ(outcome.faults.size(), 1u);
    EXPECT_EQ(outcome.faults[0].kind, FaultKind::FloatOverflow);
    EXPECT_FALSE(s.run.Calculating);
    EXPECT_TRUE(s.menu.item(MenuId::Run).enabled);
}

// A committer that leaves the computing to other threads (as the window's
// does) shows and reports the run it would have made itself: the same
// bytes, fault messages and pumps, on one thread and on two, a cancel inside
// a column and a run stopped by a plane point that cannot be formed
// included.
TEST_F(Driver, CommitterThatDoesNotComputeMakesTheSameRun) {
    struct Case {
        const char* name;
        const char* rang;
        const char* xce;
        const char* maxmod;
        int cancelAtPump;  // 0: none
        int lastColumnDone;
        bool faults;
    } cases[] = {{"plain", "3", "-0.5", "4", 0, 39, false},
                 {"cancel inside column 5", "3", "-0.5", "4", 30 * 5 + 2, 5, false},
                 {"pixel faults", "1e1000", "0", "1e4000", 0, 39, true},
                 {"plane point overflow", "1e4931", "1.18e4932", "4", 0, 23, true}};
    actions.Trigger(MenuId::ShowExceptions);
    set(TextField::siz, "40");
    struct Seen {
        std::vector<uint8_t> bytes;
        size_t messages;
        int pumps, lastColumnDone;
        int64_t pixelFaults;
    };
    auto run = [&](const Case& c, int threads, bool committerComputes) {
        set(TextField::Rang, c.rang);
        set(TextField::xce, c.xce);
        set(TextField::maxmod, c.maxmod);
        driver.setThreads(threads);
        driver.setCommitterComputes(committerComputes);
        host.messages.clear();
        host.answers.assign(3, MessageResult::Retry);  // then Retry, the default
        host.pumps = 0;
        host.onPump = [&] {
            if (host.pumps == c.cancelAtPump) s.run.CancelRequested = true;
        };
        const RunOutcome outcome = driver.Runclick();
        host.onPump = nullptr;
        return Seen{s.buffer.bytes, host.messages.size(), host.pumps, outcome.lastColumnDone, outcome.pixelFaults};
    };
    for (const Case& c : cases) {
        const Seen alone = run(c, 1, true);
        EXPECT_EQ(alone.lastColumnDone, c.lastColumnDone) << c.name;
        EXPECT_EQ(alone.messages > 0, c.faults) << c.name;
        for (int threads : {1, 2}) {
            const Seen shared = run(c, threads, false);
            EXPECT_EQ(shared.bytes, alone.bytes) << c.name << threads;
            EXPECT_EQ(shared.messages, alone.messages) << c.name << threads;
            EXPECT_EQ(shared.pumps, alone.pumps) << c.name << threads;
            EXPECT_EQ(shared.lastColumnDone, alone.lastColumnDone) << c.name << threads;
            EXPECT_EQ(shared.pixelFaults, alone.pixelFaults) << c.name << threads;
        }
    }
}

}  // namespace
}  // namespace velmora
