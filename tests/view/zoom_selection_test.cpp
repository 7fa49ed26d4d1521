#include "recording_host.hpp"
#include "zoom_selection.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "render_driver.hpp"

namespace velmora {
namespace {

struct Shape {
    enum Kind { Rect, Ellipse } kind;
    int a, b, c, d;  // Rect: x, y, width, height; Ellipse: left, top, right, bottom
    bool operator==(const Shape&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Shape& s) {
    return os << (s.kind == Shape::Rect ? "Rect(" : "Ellipse(") << s.a << ", " << s.b << ", " << s.c << ", " << s.d
              << ")";
}

struct Message {
    std::string text, caption;
    MessageIcon icon;
    bool operator==(const Message&) const = default;
};

class RecordingZoomHost : public ZoomHost {
public:
    explicit RecordingZoomHost(ProgramState& s) : s_(s) {}

    void invertRect(int x, int y, int width, int height) override {
        shapes.push_back({Shape::Rect, x, y, width, height});
    }
    void invertEllipse(int left, int top, int right, int bottom) override {
        shapes.push_back({Shape::Ellipse, left, top, right, bottom});
    }
    int pictureWidth() override { return width; }
    void releaseMouseCapture() override { ++captureReleases; }
    void startRun() override {
        ++runs;
        rangAtRun = s_.texts.text(TextField::Rang);
        xceAtRun = s_.texts.text(TextField::xce);
        yceAtRun = s_.texts.text(TextField::yce);
        if (onRun) onRun();
    }

    int width = 400;
    std::vector<Shape> shapes;
    int captureReleases = 0;
    int runs = 0;
    std::string rangAtRun, xceAtRun, yceAtRun;
    std::function<void()> onRun;

private:
    ProgramState& s_;
};

// A 400 x 300 picture placed at (200, 50), range 4 around (0.5, -0.25): one
// pixel is exactly 0.01 wide, so the expected values below are exact.
class ZoomTest : public ::testing::Test {
protected:
    ZoomTest() {
        s.params.siz = 400;
        s.params.sizy = 300;
        s.params.Rang = 4.0L;
        s.params.xce = 0.5L;
        s.params.yce = -0.25L;
        s.xoff = 200;
        s.yoff = 50;
    }

    // What a selection may change: the view, the inversion circle and the
    // texts a run parses.
    struct View {
        long double Rang, xce, yce, invx, invy, invr;
        std::string rangText, xceText, yceText;
        bool operator==(const View&) const = default;
    };
    View view() const {
        const PictureParameters& p = s.params;
        return {p.Rang, p.xce, p.yce, p.invx, p.invy, p.invr,
                s.texts.text(TextField::Rang), s.texts.text(TextField::xce), s.texts.text(TextField::yce)};
    }
    void ExpectNothingChanged(const View& before) {
        EXPECT_TRUE(view() == before);
        EXPECT_EQ(host.runs, 0);
    }

    ProgramState s;
    // The messages shown, as the zoom shows them: one OK button each.
    std::vector<Message> shown() const {
        std::vector<Message> out;
        for (const auto& m : prompts.messages) out.push_back({m.text, m.caption, m.icon});
        return out;
    }

    RecordingZoomHost host{s};
    testing::RecordingPrompts prompts;
    ZoomController zoom{s, host, prompts};
};

TEST_F(ZoomTest, DragOf40DrawsTheBandAndZoomsOnThePressPoint) {
    zoom.FormMouseDown(MouseButton::Left, false, 300, 200);
    zoom.FormMouseMove(false, 340, 123);  // the pointer's height is never read
    EXPECT_EQ(zoom.selection().left, 260);
    EXPECT_EQ(zoom.selection().top, 170);
    EXPECT_EQ(zoom.selection().right, 340);
    EXPECT_EQ(zoom.selection().bottom, 230);
    ASSERT_EQ(host.shapes, (std::vector<Shape>{{Shape::Rect, 260, 170, 80, 60}}));

    // Growing the band takes the old one away by inverting it again first.
    zoom.FormMouseMove(false, 350, 400);  // d = 50: half height MulDiv(50, 3, 4) = 38
    zoom.FormMouseMove(false, 340, 0);
    EXPECT_EQ(host.shapes, (std::vector<Shape>{{Shape::Rect, 260, 170, 80, 60},
                                               {Shape::Rect, 260, 170, 80, 60},
                                               {Shape::Rect, 250, 162, 100, 76},
                                               {Shape::Rect, 250, 162, 100, 76},
                                               {Shape::Rect, 260, 170, 80, 60}}));

    zoom.FormMouseUp(MouseButton::Left, false, 340, 0);
    // Press column 300 is picture column 100, 100 pixels left of the middle:
    // the new centre is 0.5 - 100 * 0.01; the row is the middle row.
    EXPECT_EQ(s.params.xce, -0.5L);
    EXPECT_EQ(s.params.yce, -0.25L);
    EXPECT_EQ(s.params.Rang, 0.8L);  // 80 pixels of 0.01
    EXPECT_EQ(host.runs, 1);
    EXPECT_EQ(host.captureReleases, 1);
    // The run must find the new view already in the texts it parses.
    EXPECT_EQ(host.rangAtRun, " 0.80000000000000000");
    EXPECT_EQ(host.xceAtRun, "-0.500000000000000000");  // 21 characters: never cut
    EXPECT_EQ(host.yceAtRun, "-0.250000000000000000");
    EXPECT_FALSE(zoom.selection().active);
    EXPECT_TRUE(shown().empty());
}

TEST_F(ZoomTest, BandHeightsFollowThreeQuartersOfTheDrag) {
    struct Case {
        int d;
        int bandHeight;  // bottom - top
        Shape shown;
    };
    const Case cases[] = {
        {1, 2, {Shape::Rect, 99, 99, 2, 2}},  {2, 4, {Shape::Rect, 98, 98, 4, 4}},
        {3, 4, {Shape::Rect, 97, 98, 6, 4}},  {5, 8, {Shape::Rect, 95, 96, 10, 8}},
        {-2, -4, {Shape::Rect, 98, 98, 4, 4}},  // mirrored about the anchor
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.d);
        RecordingZoomHost h{s};
        ZoomController z{s, h, prompts};
        z.FormMouseDown(MouseButton::Middle, false, 100, 100);
        z.FormMouseMove(false, 100 + c.d, 100);
        EXPECT_EQ(z.selection().bottom - z.selection().top, c.bandHeight);
        EXPECT_EQ(z.selection().left, 100 - c.d);
        EXPECT_EQ(z.selection().top + z.selection().bottom, 200);
        EXPECT_EQ(h.shapes, std::vector<Shape>{c.shown});
    }
}

TEST_F(ZoomTest, VerticalMovementOnlyIsAZeroSizeSelection) {
    const View before = view();
    zoom.FormMouseDown(MouseButton::Left, false, 300, 200);
    zoom.FormMouseMove(false, 300, 260);
    zoom.FormMouseMove(false, 300, 20);
    EXPECT_TRUE(host.shapes.empty());
    zoom.FormMouseUp(MouseButton::Left, false, 300, 20);
    EXPECT_EQ(shown(), (std::vector<Message>{{"Area selected is of zero size.", "Mouse selection error",
                                                    MessageIcon::None}}));
    EXPECT_FALSE(zoom.selection().active);
    ExpectNothingChanged(before);

    // Back on the anchor's column after a real drag is zero size too.
    zoom.FormMouseDown(MouseButton::Left, false, 300, 200);
    zoom.FormMouseMove(false, 330, 200);
    zoom.FormMouseMove(false, 300, 200);
    zoom.FormMouseUp(MouseButton::Left, false, 300, 200);
    EXPECT_EQ(shown().size(), 2u);
    ExpectNothingChanged(before);
}

TEST_F(ZoomTest, LeftwardDragGivesANegativeRange) {
    zoom.FormMouseDown(MouseButton::Left, false, 300, 200);
    zoom.FormMouseMove(false, 260, 200);
    EXPECT_EQ(zoom.selection().left, 340);
    EXPECT_EQ(zoom.selection().right, 260);
    EXPECT_EQ(host.shapes, (std::vector<Shape>{{Shape::Rect, 260, 170, 80, 60}}));
    zoom.FormMouseUp(MouseButton::Left, false, 260, 200);
    EXPECT_EQ(s.params.Rang, -0.8L);
    EXPECT_EQ(s.params.xce, -0.5L);
    EXPECT_EQ(s.texts.text(TextField::Rang), "-0.80000000000000000");
    EXPECT_EQ(host.runs, 1);
}

TEST_F(ZoomTest, PressPointBecomesTheCentre) {
    struct Case {
        const char* name;
        int siz, sizy, xoff, yoff, x, y;
        long double xce, yce;  // expected
    };
    // A 400-wide picture at xoff 200: column 400 is its middle. Ten rows below
    // the middle row the centre moves down by 10 * 4 / 400. Odd sizes halve
    // with truncation, so 201 x 151 has its middle at (100, 75).
    const Case cases[] = {
        {"middle column, 10 rows down", 400, 300, 200, 50, 400, 50 + 150 + 10, 0.5L, 0.1L},
        {"odd size middle", 201, 151, 10, 20, 110, 95, 0.5L, 0.0L},
        {"picture wider than window", 400, 300, -50, -10, 150, 140, 0.5L, 0.0L},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s.params.siz = c.siz;
        s.params.sizy = c.sizy;
        s.params.Rang = 4.0L;
        s.params.xce = 0.5L;
        s.params.yce = 0.0L;
        s.xoff = c.xoff;
        s.yoff = c.yoff;
        host.width = c.siz;
        zoom.FormMouseDown(MouseButton::Left, false, c.x, c.y);
        zoom.FormMouseMove(false, c.x + 20, c.y);
        zoom.FormMouseUp(MouseButton::Left, false, c.x + 20, c.y);
        EXPECT_EQ(s.params.xce, c.xce);
        EXPECT_EQ(s.params.yce, c.yce);
    }
    EXPECT_EQ(host.runs, 3);
}

TEST_F(ZoomTest, ShiftClickPlacesTheInversionCircleOnTheClick) {
    const View before = view();
    zoom.FormMouseDown(MouseButton::Left, true, 300, 225);
    zoom.FormMouseUp(MouseButton::Left, true, 300, 225);
    EXPECT_EQ(s.params.invr, 0.0L);
    EXPECT_EQ(s.params.invx, -0.5L);  // column 100 of 400: 100 pixels of 0.01 left of 0.5
    EXPECT_EQ(s.params.invy, 0.0L);   // row 175 of 300: 25 pixels below -0.25
    EXPECT_FALSE(zoom.selection().active);
    EXPECT_TRUE(host.shapes.empty());
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(host.captureReleases, 0);
    EXPECT_EQ(view().rangText, before.rangText);
    EXPECT_EQ(view().xceText, before.xceText);
    EXPECT_EQ(view().yceText, before.yceText);
    EXPECT_EQ(host.runs, 0);
}

TEST_F(ZoomTest, ShiftDragDrawsACircleAndSetsItsRadius) {
    zoom.FormMouseDown(MouseButton::Left, false, 300, 200);
    zoom.FormMouseMove(true, 340, 200);
    zoom.FormMouseMove(true, 280, 200);  // the circle shrinks and mirrors
    EXPECT_EQ(host.shapes, (std::vector<Shape>{{Shape::Ellipse, 260, 160, 340, 240},
                                               {Shape::Ellipse, 260, 160, 340, 240},
                                               {Shape::Ellipse, 280, 180, 320, 220}}));
    zoom.FormMouseUp(MouseButton::Left, true, 280, 200);
    // The pointer ended left of the anchor, so the band's left edge lies 20
    // pixels right of it.
    EXPECT_EQ(s.params.invr, 0.2L);
    EXPECT_EQ(s.params.invx, -0.5L);
    EXPECT_EQ(s.params.invy, -0.25L);
    EXPECT_EQ(host.runs, 0);
    // The circle stays on the window until the next repaint.
    EXPECT_EQ(host.shapes.size(), 3u);
}

TEST_F(ZoomTest, EventsAreIgnoredDuringARun) {
    const View before = view();
    s.run.Calculating = true;
    for (MouseButton b : {MouseButton::Left, MouseButton::Middle, MouseButton::Right}) {
        for (bool shift : {false, true}) {
            zoom.FormMouseDown(b, shift, 300, 200);
            zoom.FormMouseMove(shift, 340, 200);
            zoom.FormMouseUp(b, shift, 340, 200);
        }
    }
    EXPECT_EQ(zoom.selection(), ZoomSelection{});
    EXPECT_TRUE(host.shapes.empty());
    EXPECT_TRUE(shown().empty());
    s.run.Calculating = false;
    ExpectNothingChanged(before);
}

TEST_F(ZoomTest, SelectionStartedBeforeARunSurvivesItsIgnoredRelease) {
    zoom.FormMouseDown(MouseButton::Left, false, 300, 200);
    zoom.FormMouseMove(false, 340, 200);
    s.run.Calculating = true;
    zoom.FormMouseMove(false, 360, 200);
    zoom.FormMouseUp(MouseButton::Left, false, 360, 200);
    EXPECT_TRUE(zoom.selection().active);
    EXPECT_EQ(zoom.selection().right, 340);
    EXPECT_EQ(host.runs, 0);
    s.run.Calculating = false;
    zoom.FormMouseUp(MouseButton::Left, false, 340, 200);
    EXPECT_EQ(host.runs, 1);
    EXPECT_EQ(s.params.Rang, 0.8L);
}

TEST_F(ZoomTest, RightButtonNeitherStartsNorFinishes) {
    zoom.FormMouseDown(MouseButton::Right, false, 300, 200);
    EXPECT_FALSE(zoom.selection().active);
    zoom.FormMouseDown(MouseButton::Left, false, 300, 200);
    zoom.FormMouseMove(false, 340, 200);
    zoom.FormMouseDown(MouseButton::Right, false, 10, 10);
    zoom.FormMouseUp(MouseButton::Right, false, 340, 200);
    EXPECT_TRUE(zoom.selection().active);
    EXPECT_EQ(zoom.selection().anchorX, 300);
    EXPECT_EQ(host.runs, 0);
}

TEST_F(ZoomTest, ReleaseWithoutAPressActsOnNoOldBand) {
    // A finished zoom leaves its band behind; a stray release later (its
    // press went elsewhere) must neither zoom again nor move the circle.
    zoom.FormMouseDown(MouseButton::Left, false, 300, 200);
    zoom.FormMouseMove(false, 340, 200);
    zoom.FormMouseUp(MouseButton::Left, false, 340, 200);
    ASSERT_EQ(host.runs, 1);
    const View before = view();
    host.runs = 0;
    zoom.FormMouseUp(MouseButton::Left, false, 10, 10);
    zoom.FormMouseUp(MouseButton::Left, true, 10, 10);
    ExpectNothingChanged(before);
    EXPECT_TRUE(shown().empty());

    ZoomController fresh{s, host, prompts};  // all zero: left = right
    fresh.FormMouseUp(MouseButton::Left, false, 0, 0);
    EXPECT_TRUE(shown().empty());
}

TEST_F(ZoomTest, WithoutAPictureADragDoesNothing) {
    host.width = 0;
    const View before = view();
    for (bool shift : {false, true}) {
        zoom.FormMouseDown(MouseButton::Left, shift, 300, 200);
        zoom.FormMouseMove(shift, 340, 200);
        zoom.FormMouseUp(MouseButton::Left, shift, 340, 200);
    }
    EXPECT_FALSE(zoom.selection().active);
    EXPECT_TRUE(host.shapes.empty());
    EXPECT_TRUE(shown().empty());
    ExpectNothingChanged(before);
}

TEST_F(ZoomTest, RangeBeyondTheExtendedRangeIsAFault) {
    s.params.Rang = 1e4931L;  // 100 pixels of it pass the largest extended value
    host.width = 1;
    const View before = view();
    zoom.FormMouseDown(MouseButton::Left, false, 300, 200);
    zoom.FormMouseMove(false, 340, 200);
    zoom.FormMouseUp(MouseButton::Left, false, 340, 200);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].text, "Floating point overflow.");
    ExpectNothingChanged(before);
}

// The run started by a zoom is the render driver's, and it takes the view
// from the texts the zoom wrote.
TEST_F(ZoomTest, RunStartedByTheZoomReadsTheNewView) {
    struct Case {
        long double rang;
        int pressX;
        long double parsedRang, parsedXce;
    };
    // A range below half of the 17th decimal is written, and so run, as 0.
    const Case cases[] = {{4.0L, 300, 0.8L, -1.0L}, {1e-17L, 400, 0.0L, 0.0L}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<double>(c.rang));
        ProgramState st;
        st.texts.setText(TextField::siz, "8");
        st.params.siz = 400;
        st.params.sizy = 300;
        st.params.Rang = c.rang;
        st.xoff = 200;
        st.yoff = 50;
        testing::RecordingHost renderHost;
        RenderDriver driver{st, renderHost, renderHost, renderHost};
        RecordingZoomHost zoomHost{st};
        zoomHost.onRun = [&] { driver.Runclick(); };
        ZoomController z{st, zoomHost, renderHost};
        z.FormMouseDown(MouseButton::Left, false, c.pressX, 200);
        z.FormMouseMove(false, c.pressX + 40, 200);
        z.FormMouseUp(MouseButton::Left, false, c.pressX + 40, 200);
        EXPECT_TRUE(renderHost.messages.empty());
        EXPECT_EQ(st.params.Rang, c.parsedRang);
        EXPECT_EQ(st.params.xce, c.parsedXce);
        EXPECT_EQ(st.params.LastColumnDone, 7);  // the 8-wide picture was completed
        EXPECT_FALSE(st.run.Calculating);
    }
}

}  // namespace
}  // namespace velmora
