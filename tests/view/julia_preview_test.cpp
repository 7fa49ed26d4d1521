#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "headless_session.hpp"
#include "julia_preview.hpp"

namespace velmora {
namespace {

struct PreviewCase {
    const char* name;
    std::function<void(Session&)> choose;
    long double cx, cy;
};

// The preview of a point of a Mandelbrot picture is, byte for byte, the
// picture the main run makes of that Julia view at the preview's width.
TEST(JuliaPreview, EqualsTheRunOfItsJuliaView) {
    const PreviewCase cases[] = {
        {"z^2+c", [](Session&) {}, -0.75L, 0.1L},
        {"cross stalk, sum of abs, 120 iterations",
         [](Session& s) {
             s.actions.StalkItem(kStalkCross);
             s.actions.BailoutItem(kBailoutSumAbs);
             s.state.texts.setText(TextField::miter, "120");
         },
         0.285L, 0.01L},
        {"image trap's direct colours", [](Session& s) { s.state.params.StalkType = kStalkImage; }, -0.4L, 0.6L},
        {"z^3+c on the sphere",
         [](Session& s) {
             s.actions.FunctionItem(kFormulaZ3);
             s.actions.Sphere();
         },
         -0.1L, 0.65L},
        {"inversion", [](Session& s) { s.actions.Inversion(); }, -1.25L, 0.0L},
    };
    for (const PreviewCase& c : cases) {
        HeadlessSession s;
        s.actions.Mandelbrot();
        c.choose(s);
        s.state.texts.setText(TextField::siz, "64");
        s.driver.Runclick();  // the Mandelbrot picture, and the palette it builds
        ASSERT_EQ(s.state.setKind, SetKind::Mandelbrot) << c.name;
        const JuliaPreviewJob job = MakeJuliaPreviewJob(s.state, c.cx, c.cy);
        const std::optional<JuliaPreviewPicture> preview = RenderJuliaPreview(job);
        ASSERT_TRUE(preview) << c.name;
        EXPECT_EQ(preview->stoppedBy, FaultKind::None) << c.name;

        s.actions.Julia();
        WriteJuliaView(s.state.texts, s.state.params, c.cx, c.cy);
        s.state.texts.setText(TextField::siz, "200");
        ASSERT_EQ(s.driver.Runclick().end, RunEnd::Completed) << c.name;
        EXPECT_EQ(s.state.params.cx, c.cx) << c.name;
        EXPECT_EQ(s.state.params.cy, c.cy) << c.name;
        ASSERT_EQ(preview->picture.width(), 200) << c.name;
        ASSERT_EQ(preview->picture.height(), 150) << c.name;
        EXPECT_TRUE(preview->picture == s.state.PictureBitmap) << c.name;
    }
}

TEST(JuliaPreview, TextThatIsNotANumberIsThrownAndAbandonedPreviewGivesNothing) {
    HeadlessSession s;
    s.state.texts.setText(TextField::miter, "fifty");
    EXPECT_THROW(MakeJuliaPreviewJob(s.state, 0.0L, 0.0L), FaultError);
    s.state.texts.setText(TextField::miter, "50");
    EXPECT_FALSE(RenderJuliaPreview(MakeJuliaPreviewJob(s.state, 0.0L, 0.0L), [] { return true; }));
}

// Requests made faster than they are computed: whatever is delivered comes
// in the order asked, and the last point asked for is always delivered.
TEST(JuliaPreview, WorkerDeliversTheNewestRequestLast) {
    HeadlessSession s;
    s.state.texts.setText(TextField::miter, "3000");
    std::mutex mutex;
    std::condition_variable delivered;
    std::vector<JuliaPreviewPicture> pictures;
    JuliaPreviewWorker worker([&](JuliaPreviewPicture picture) {
        std::lock_guard lock(mutex);
        pictures.push_back(std::move(picture));
        delivered.notify_all();
    });
    const long double points[] = {-0.75L, -0.5L, -0.25L, 0.0L, 0.25L};
    for (long double cx : points) worker.request(MakeJuliaPreviewJob(s.state, cx, 0.0L));
    std::unique_lock lock(mutex);
    ASSERT_TRUE(delivered.wait_for(lock, std::chrono::seconds(60),
                                   [&] { return !pictures.empty() && pictures.back().cx == 0.25L; }));
    for (size_t i = 1; i < pictures.size(); ++i) EXPECT_LT(pictures[i - 1].serial, pictures[i].serial);
    EXPECT_LT(pictures.size(), std::size(points));  // the points passed over were dropped
    EXPECT_TRUE(pictures.back().picture == RenderJuliaPreview(MakeJuliaPreviewJob(s.state, 0.25L, 0.0L))->picture);
}

}  // namespace
}  // namespace velmora
