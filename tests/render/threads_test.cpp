// Pictures made by several threads and by the lane kernels, against the one
// made pixel by pixel on the checked path: every byte the same, faulting
// views and Sphere's overlapping plot positions included.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "column.hpp"
#include "custom_formula.hpp"
#include "lane_column.hpp"
#include "mode_actions.hpp"
#include "pixel.hpp"
#include "test_session.hpp"
#include "render_driver.hpp"
#include "startup.hpp"

namespace velmora {
namespace {

struct Picture : testing::TestSession {
    explicit Picture(const std::function<void(Picture&)>& set) {
        actions.Trigger(MenuId::Mandelbrot);
        actions.Trigger(StalkMenuId(kStalkNone));
        text(TextField::siz, "48");
        set(*this);
    }
    void formula(uint8_t kind) { actions.FunctionItem(kind); }
};

struct View {
    const char* name;
    std::function<void(Picture&)> set;
};

const std::vector<View>& Views() {
    static const std::vector<View> views = {
        {"z^2+c", [](Picture&) {}},
        {"z^2+c sum of parts", [](Picture& g) { g.actions.Trigger(MenuId::BailoutSumAbs); }},
        {"z^2+c sum of parts, escaping slowly past the cusp", [](Picture& g) {
             g.actions.Trigger(MenuId::BailoutSumAbs);
             g.text(TextField::xce, "0.2501");
             g.text(TextField::Rang, "0.0001");
             g.text(TextField::miter, "1000");
         }},
        {"z^2+c main body, sum of parts at the least bailout, long orbits", [](Picture& g) {
             g.actions.Trigger(MenuId::BailoutSumAbs);
             g.text(TextField::maxmod, "3");
             g.text(TextField::miter, "3000");
         }},
        {"z^2+c main body, a bailout some orbits of it reach", [](Picture& g) {
             g.text(TextField::maxmod, "1");
             g.text(TextField::miter, "300");
         }},
        {"z^2+c main body inverted", [](Picture& g) {
             g.actions.Trigger(MenuId::Inversion);
             g.text(TextField::miter, "300");
         }},
        {"z^2+c faulting", [](Picture& g) {
             g.text(TextField::Rang, "1e2470");
             g.text(TextField::maxmod, "1e4900");
         }},
        {"z^2+c slope 2, escaping slowly past the cusp", [](Picture& g) {
             g.actions.StalkItem(kStalkSlope2);
             g.text(TextField::xce, "0.2501");
             g.text(TextField::Rang, "0.0001");
             g.text(TextField::miter, "1000");
         }},
        {"z^2+c slope 2, bounded orbits ending in cycles", [](Picture& g) {
             g.actions.StalkItem(kStalkSlope2);
             g.text(TextField::p1, "0.5");
             g.text(TextField::xce, "-0.75");
             g.text(TextField::Rang, "2");
             g.text(TextField::miter, "1001");
         }},
        {"z^2+c overflow, small bailout", [](Picture& g) { g.text(TextField::Rang, "1e2470"); }},
        {"z^2+c bailout 0, c = 0 at the centre pixel", [](Picture& g) {
             g.text(TextField::maxmod, "0");
             g.text(TextField::xce, "0");
         }},
        {"z^2+c sphere", [](Picture& g) { g.actions.Trigger(MenuId::Sphere); }},
        {"z^3+c overflowing", [](Picture& g) {
             g.formula(kFormulaZ3);
             g.text(TextField::Rang, "1e1700");
             g.text(TextField::maxmod, "1e4900");
         }},
        {"z^7+c huge bailout", [](Picture& g) {
             g.formula(kFormulaZ7);
             g.text(TextField::maxmod, "1e4900");
             g.text(TextField::miter, "200");
         }},
        {"cexp overflow", [](Picture& g) {
             g.formula(kFormulaCExp);
             g.text(TextField::Rang, "40000");
             g.text(TextField::yce, "-12000");
             g.text(TextField::maxmod, "1e4000");
         }},
        {"sinh overflow sphere inversion", [](Picture& g) {
             g.formula(kFormulaSinh);
             g.actions.Trigger(MenuId::Sphere);
             g.actions.Trigger(MenuId::Inversion);
             g.text(TextField::Rang, "40000");
             g.text(TextField::xce, "5000");
             g.text(TextField::maxmod, "1e1000");
         }},
        // Columns and rows whose library values fault, and others whose
        // first step takes them from the tables.
        {"sinh overflowing", [](Picture& g) {
             g.formula(kFormulaSinh);
             g.text(TextField::Rang, "40000");
             g.text(TextField::xce, "5000");
             g.text(TextField::maxmod, "1e1000");
         }},
        {"c*tanh overflowing, circle stalks", [](Picture& g) {
             g.formula(kFormulaCTanh);
             g.actions.StalkItem(kStalkCircle);
             g.text(TextField::Rang, "40000");
             g.text(TextField::xce, "-5000");
         }},
        {"csin overflowing, circle stalks", [](Picture& g) {
             g.formula(kFormulaCSin);
             g.actions.StalkItem(kStalkCircle);
             g.text(TextField::Rang, "40000");
             g.text(TextField::yce, "-12000");
         }},
        {"pokorny slope 2, bounded orbits ending in cycles", [](Picture& g) {
             g.formula(kFormulaPokorny);
             g.actions.StalkItem(kStalkSlope2);
             g.text(TextField::p1, "0.5");
             g.text(TextField::miter, "1001");
         }},
        {"custom z*z+c", [](Picture& g) { g.custom("z*z+c"); }},
        {"custom z*z+c sum of parts, overflowing", [](Picture& g) {
             g.custom("z*z+c");
             g.actions.Trigger(MenuId::BailoutSumAbs);
             g.text(TextField::Rang, "1e2470");
         }},
        {"custom z*z-c slope 2, bounded orbits ending in cycles", [](Picture& g) {
             g.custom("z*z-c");
             g.actions.StalkItem(kStalkSlope2);
             g.text(TextField::p1, "0.5");
             g.text(TextField::xce, "0.75");
             g.text(TextField::Rang, "2");
             g.text(TextField::miter, "1001");
         }},
        {"custom z*z+c, circle stalks", [](Picture& g) {
             g.custom("z*z+c");
             g.actions.StalkItem(kStalkCircle);
             g.text(TextField::miter, "200");
         }},
        {"custom sine and power, median stalks and minimum steps, faulting", [](Picture& g) {
             g.custom("sin(z)*c+z^(c+u)");
             g.actions.StalkItem(kStalkMedian);
             g.text(TextField::minit, "3");
             g.text(TextField::Rang, "8");
         }},
        {"custom c+z*z, sine of c overflowing", [](Picture& g) {
             g.custom("sin(c)+z*z");
             g.text(TextField::Rang, "40000");
         }},
        {"custom power root faults", [](Picture& g) {
             g.custom("z^(c+u)+sqrt(z)*sinh(exp(z)-exp(z))");
             g.text(TextField::Rang, "8");
         }},
        {"circle stalks, pixel by pixel", [](Picture& g) { g.actions.StalkItem(kStalkCircle); }},
        // Sphere places the orbits of the plane: its columns take the
        // plane's short cuts and mirrors.
        {"Julia sphere, cross stalks", [](Picture& g) {
             g.actions.Trigger(MenuId::Julia);
             g.actions.Trigger(MenuId::Sphere);
             g.actions.StalkItem(kStalkCross);
             g.text(TextField::p1, "0.1");
         }},
        {"csin sphere", [](Picture& g) {
             g.formula(kFormulaCSin);
             g.actions.Trigger(MenuId::Sphere);
         }},
        // Bounded orbits that settle near attracting fixed points, or
        // escape after long stays near them.
        {"csin, long orbits", [](Picture& g) {
             g.formula(kFormulaCSin);
             g.text(TextField::miter, "300");
         }},
        {"c*cos sum of parts, long orbits", [](Picture& g) {
             g.formula(kFormulaCCos);
             g.actions.Trigger(MenuId::BailoutSumAbs);
             g.text(TextField::miter, "300");
         }},
        {"cexp, long orbits", [](Picture& g) {
             g.formula(kFormulaCExp);
             g.text(TextField::miter, "300");
         }},
        {"Julia sinh, long orbits", [](Picture& g) {
             g.actions.Trigger(MenuId::Julia);
             g.formula(kFormulaSinh);
             g.text(TextField::cx, "0.1");
             g.text(TextField::cy, "1.1");
             g.text(TextField::miter, "300");
         }},
        {"Julia c*tanh, long orbits", [](Picture& g) {
             g.actions.Trigger(MenuId::Julia);
             g.formula(kFormulaCTanh);
             g.text(TextField::cx, "0.6");
             g.text(TextField::cy, "0.8");
             g.text(TextField::Rang, "6");
             g.text(TextField::miter, "300");
         }},
        // The same where a stalk test could still catch them: here many
        // settle in a cross arm only after a look finds them near their
        // fixed point.
        {"csin, cross stalks, long orbits", [](Picture& g) {
             g.formula(kFormulaCSin);
             g.actions.StalkItem(kStalkCross);
             g.text(TextField::xce, "-0.5");
             g.text(TextField::Rang, "0.4");
             g.text(TextField::p1, "0.05");
             g.text(TextField::miter, "300");
         }},
        {"c*cos sum of parts, annulus stalks, long orbits", [](Picture& g) {
             g.formula(kFormulaCCos);
             g.actions.Trigger(MenuId::BailoutSumAbs);
             g.actions.StalkItem(kStalkAnnulus);
             g.text(TextField::p1, "2.0");
             g.text(TextField::miter, "300");
         }},
        {"cexp, square band stalks, long orbits", [](Picture& g) {
             g.formula(kFormulaCExp);
             g.actions.StalkItem(kStalkSquareBand);
             g.text(TextField::p1, "2.0");
             g.text(TextField::miter, "300");
         }},
        {"Julia sinh, circle stalks, long orbits", [](Picture& g) {
             g.actions.Trigger(MenuId::Julia);
             g.formula(kFormulaSinh);
             g.actions.StalkItem(kStalkCircle);
             g.text(TextField::cx, "0.1");
             g.text(TextField::cy, "1.1");
             g.text(TextField::p1, "1.0");
             g.text(TextField::miter, "300");
         }},
        {"Julia c*tanh, hypercross stalks, long orbits", [](Picture& g) {
             g.actions.Trigger(MenuId::Julia);
             g.formula(kFormulaCTanh);
             g.actions.StalkItem(kStalkHypercross);
             g.text(TextField::cx, "0.6");
             g.text(TextField::cy, "0.8");
             g.text(TextField::Rang, "6");
             g.text(TextField::p1, "0.1");
             g.text(TextField::miter, "300");
         }},
        {"z^2+c inverted, overflowing", [](Picture& g) {
             g.actions.Trigger(MenuId::Inversion);
             g.text(TextField::Rang, "1e2470");
         }},
    };
    return views;
}

std::vector<uint8_t> Render(const View& view, int threads) {
    Picture g(view.set);
    g.driver.setThreads(threads);
    g.driver.Runclick();
    EXPECT_EQ(g.s.statusText, "Picture completed.") << view.name;
    return g.s.buffer.bytes;
}

// Every pixel on the checked path, plotted in order over Sphere's background.
std::vector<uint8_t> CheckedPicture(const RunContext& rc) {
    std::vector<uint8_t> picture(static_cast<size_t>(rc.siz) * rc.sizy, rc.sphere ? 183 : 0);
    for (int col = 0; col < rc.siz; ++col)
        for (int row = 0; row < rc.sizy; ++row) {
            const PixelOutcome p = ComputePixelChecked(rc, col, row);
            picture[static_cast<size_t>(p.py) * rc.siz + p.px] = p.colour.lowByte();
        }
    return picture;
}

TEST(Threads, EveryKernelAndThreadCountMakesTheSamePicture) {
    for (const View& view : Views()) {
        Picture g(view.set);
        g.driver.setThreads(1);
        g.driver.Runclick();
        const RunContext& rc = g.driver.runContext();
        EXPECT_EQ(g.s.buffer.bytes, CheckedPicture(rc)) << view.name;
        // The lanes (the x87 ones and their C++ reference) give each pixel's
        // outcome, faults and steps included, as the one-pixel path does.
        for (int col = 0; col < rc.siz; ++col) {
            ColumnOutcome reference, lanes, portable;
            ComputeColumnPixelByPixel(rc, col, reference);
            ComputeColumn(rc, col, lanes);
            EXPECT_TRUE(lanes.pixels == reference.pixels) << view.name << " column " << col;
            // Any span of rows, lanes starting mid-column, is that part of
            // the whole column.
            const ColumnPlan plan(rc);
            for (const RowSpan span : {RowSpan{0, 1}, RowSpan{5, 18}, RowSpan{rc.sizy - 7, rc.sizy}, RowSpan{9, 9}}) {
                ColumnOutcome part;
                ComputeColumnRows(plan, col, span, part);
                const auto whole = static_cast<int>(reference.pixels.size());
                if (whole < span.first) continue;  // the column stopped before the span
                const std::vector<PlottedPixel> expected(reference.pixels.begin() + std::min(span.first, whole),
                                                         reference.pixels.begin() + std::min(span.end, whole));
                EXPECT_TRUE(part.pixels == expected) << view.name << " column " << col << " rows " << span.first;
                EXPECT_EQ(part.stoppedBy, whole < span.end ? reference.stoppedBy : FaultKind::None) << view.name;
            }
            if (!LanesApply(rc)) continue;
            ComputeColumnInPortableLanes(rc, col, portable);
            EXPECT_TRUE(portable.pixels == reference.pixels) << view.name << " column " << col;
        }
        for (int threads : {2, 3}) EXPECT_EQ(Render(view, threads), g.s.buffer.bytes) << view.name << threads;
    }
}

// A cancel in column 5 with three threads: the picture stops after it, as
// with one, though later columns were computed ahead; none of them shows.
TEST(Threads, CancelStopsAfterTheColumnAndDiscardsTheRest) {
    Picture g([](Picture&) {});
    g.driver.setThreads(3);
    const int rows = 36;
    int pumps = 0;
    g.host.onPump = [&] {
        if (++pumps == rows * 5 + 2) g.s.run.CancelRequested = true;
    };
    g.driver.Runclick();
    EXPECT_EQ(g.s.statusText, "Picture generation halted.");
    EXPECT_EQ(g.s.params.LastColumnDone, 5);
    EXPECT_EQ(g.host.copiedColumns.size(), 6u);
    const std::vector<uint8_t> complete = Render(Views().front(), 1);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < 48; ++x) {
            const size_t at = static_cast<size_t>(y) * 48 + x;
            EXPECT_EQ(g.s.buffer.bytes[at], x <= 5 ? complete[at] : 0) << x << "," << y;
        }
    g.host.onPump = nullptr;
    g.driver.Continue();
    EXPECT_EQ(g.s.buffer.bytes, complete);
}

}  // namespace
}  // namespace velmora
