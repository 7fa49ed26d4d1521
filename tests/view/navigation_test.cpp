#include <gtest/gtest.h>

#include <cmath>

#include "conversions.hpp"
#include "custom_formula.hpp"
#include "mode_actions.hpp"
#include "parameter_reading.hpp"
#include "plane_navigation.hpp"
#include "program_state.hpp"
#include "view_history.hpp"

namespace velmora {
namespace {

ViewRecord Named(const char* rang) {
    ViewRecord v;
    v.texts[static_cast<size_t>(TextField::Rang)] = rang;
    return v;
}

std::string RangOf(const ViewRecord* v) { return v ? v->texts[static_cast<size_t>(TextField::Rang)] : "none"; }

TEST(ViewHistoryTest, StepsLikeABrowser) {
    // Each step: an action, then the current view and what can be stepped to.
    enum Op { Record, Back, Forward };
    const struct {
        Op op;
        const char* view;  // recorded, or the view stepped to ("none": no step)
        const char* current;
        bool back, forward;
    } steps[] = {
        {Record, "A", "A", false, false}, {Record, "B", "B", true, false},  {Record, "C", "C", true, false},
        {Back, "B", "B", true, true},     {Record, "B", "B", true, true},  // running the view stepped to
        {Back, "A", "A", false, true},    {Back, "none", "A", false, true}, {Forward, "B", "B", true, true},
        {Record, "D", "D", true, false},  // a new view drops C
        {Forward, "none", "D", true, false}, {Back, "B", "B", true, true},   {Back, "A", "A", false, true},
    };
    ViewHistory h;
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.view) + " -> " + s.current);
        const ViewRecord* stepped = nullptr;
        switch (s.op) {
        case Record: h.record(Named(s.view)); break;
        case Back: stepped = h.back(); break;
        case Forward: stepped = h.forward(); break;
        }
        if (s.op != Record) {
            EXPECT_EQ(RangOf(stepped), s.view);
        }
        EXPECT_EQ(h.canGoBack(), s.back);
        EXPECT_EQ(h.canGoForward(), s.forward);
    }
    EXPECT_EQ(h.size(), 3u);  // A, B, D
}

TEST(ViewHistoryTest, KeepsTheNewestViewsUpToItsCapacity) {
    ViewHistory h(3);
    for (const char* v : {"1", "2", "3", "4", "5"}) h.record(Named(v));
    EXPECT_EQ(h.size(), 3u);
    EXPECT_EQ(RangOf(h.back()), "4");
    EXPECT_EQ(RangOf(h.back()), "3");
    EXPECT_EQ(h.back(), nullptr);
}

TEST(ViewHistoryTest, RestoreGivesBackEverythingARunReads) {
    ProgramState s;
    ModeActions actions{s};
    HeadlessCustomFormula formula;
    actions.Mandelbrot();
    actions.FfuncItem(kFfuncSin);
    actions.StalkItem(kStalkCross);
    actions.BailoutItem(kBailoutSumAbs);
    actions.Sphere();
    s.params.invx = 0.25L;
    s.params.u = {1.5L, -2.0L};
    s.params.CustomCode[0] = 7;
    s.params.CustomCodeLength = 3;
    formula.text = "z*z+u";
    actions.mandel_params(true);
    s.texts.setText(TextField::p2, "0.75");
    const ViewRecord saved = CaptureView(s, formula);

    actions.Julia();
    actions.FunctionItem(kFormulaZ3);
    actions.StalkItem(kStalkCircle);
    actions.BailoutItem(kBailoutModulus);
    actions.Normal();
    actions.Inversion();
    actions.mandel_params(false);
    s.params.invx = 0.0L;
    s.params.u = {};
    s.params.CustomCode[0] = 0;
    formula.text = "z";
    s.texts.setText(TextField::p2, "9");
    ASSERT_NE(CaptureView(s, formula), saved);

    RestoreView(s, formula, saved);
    EXPECT_EQ(CaptureView(s, formula), saved);
    EXPECT_EQ(s.setKind, SetKind::Mandelbrot);
    EXPECT_TRUE(s.menu.isChecked(MenuId::Mandelbrot));
    EXPECT_FALSE(s.menu.isChecked(MenuId::Julia));
    EXPECT_TRUE(s.menu.isChecked(FfuncMenuId(kFfuncSin)));
    EXPECT_TRUE(s.menu.isChecked(MenuId::Sphere));
    EXPECT_FALSE(s.menu.isChecked(MenuId::Inversion));
    EXPECT_TRUE(s.texts.visible(TextField::amx));
}

// The picture of a run over these texts, placed at (10, 20).
ViewGeometry GeometryOfTexts(const ProgramState& s) {
    PictureParameters p;
    RunNumbers n;
    ReadRunTexts(s.texts, p, n);
    return {p.siz, p.sizy, 10, 20, p.xce, p.yce, p.Rang};
}

TEST(PlaneNavigationTest, WheelKeepsThePointUnderThePointer) {
    const struct {
        const char* rang;
        const char* xce;
        const char* yce;
        int x, y, notches;
    } cases[] = {
        {"4", "0", "0", 10, 20, 1},                       // top-left pixel
        {"4", "-0.3", "0.1", 213, 87, 3},                 // off-centre, three notches in
        {"0.001", "0.2501", "-0.0000013", 150, 100, -2},  // out
        {"3e-12", "-1.7490000000123", "0.0000000000031", 60, 140, 4},  // deep: many decimals
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rang);
        ProgramState s;
        s.texts.setText(TextField::siz, "300");
        s.texts.setText(TextField::Rang, c.rang);
        s.texts.setText(TextField::xce, c.xce);
        s.texts.setText(TextField::yce, c.yce);
        const ViewGeometry before = GeometryOfTexts(s);
        const PlanePosition anchor = PlanePointAt(before, c.x, c.y);
        const ViewCentre zoomed = ZoomedAbout(before, c.x, c.y, c.notches);
        WriteViewCentre(s, zoomed);
        // What the run reads is exactly what was worked out.
        const ViewGeometry after = GeometryOfTexts(s);
        EXPECT_EQ(after.Rang, zoomed.Rang);
        EXPECT_EQ(after.xce, zoomed.xce);
        EXPECT_EQ(after.yce, zoomed.yce);
        EXPECT_EQ(after.Rang, std::ldexp(before.Rang, -c.notches));
        const PlanePosition moved = PlanePointAt(after, c.x, c.y);
        const long double pixel = after.Rang / after.siz;
        EXPECT_LE(std::fabs(moved.x - anchor.x), pixel * 1e-9L);
        EXPECT_LE(std::fabs(moved.y - anchor.y), pixel * 1e-9L);
    }
}

TEST(PlaneNavigationTest, MovesAndCentreZooms) {
    const ViewGeometry g{400, 300, 0, 0, 1.0L, -1.0L, 4.0L};
    const struct {
        ViewCentre got, expected;
    } cases[] = {
        {Moved(g, 100, 0), {2.0L, -1.0L, 4.0L}},   // a quarter of the width: one plane unit
        {Moved(g, 0, -75), {1.0L, -1.75L, 4.0L}},  // a quarter of the height
        {Moved(g, -40, 30), {0.6L, -0.7L, 4.0L}},
        {ZoomedAboutCentre(g, 1), {1.0L, -1.0L, 2.0L}},
        {ZoomedAboutCentre(g, -1), {1.0L, -1.0L, 8.0L}},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(static_cast<double>(c.got.xce), static_cast<double>(c.expected.xce), 1e-15);
        EXPECT_NEAR(static_cast<double>(c.got.yce), static_cast<double>(c.expected.yce), 1e-15);
        EXPECT_EQ(c.got.Rang, c.expected.Rang);
    }
    EXPECT_THROW(ZoomedAboutCentre(ViewGeometry{}, 1), FaultError);
    EXPECT_THROW(ZoomedAboutCentre(g, -20000), FaultError);  // beyond the extended range
}

TEST(PlaneNavigationTest, TextsReadBackAsTheValue) {
    for (long double v : {0.0L, 4.0L, 0.3L, -1.0L / 3.0L, 1e-30L, 123456.789L, -2.5e-300L}) {
        const std::string text = ExactFixed(v, 20, 18);
        EXPECT_EQ(ParseReal(text), v) << text;
        EXPECT_GE(text.size(), 20u);
    }
    EXPECT_EQ(ExactFixed(4.0L, 20, 17), FormatFixed(4.0L, 20, 17));  // the usual form where it is exact
}

}  // namespace
}  // namespace velmora
