#include <gtest/gtest.h>

#include "border.hpp"
#include "recording_palette_host.hpp"

namespace velmora {
namespace {

using testing::RecordingPaletteHost;

constexpr uint8_t kPicture = 7;  // what the picture held before the border

// The frame written side by side: which band a pixel belongs to, or the
// picture's own value inside it. Valid while opposite bands do not meet
// (at least 16 columns and 17 rows).
uint8_t ExpectedFrame(int x, int y, int w, int h) {
    const bool blackColumn = x <= 4 || x >= w - 5;
    const bool blackRow = y <= 5 || y >= h - 5;
    const bool whiteColumn = (x >= 5 && x <= 10) || (x >= w - 11 && x <= w - 6);
    const bool whiteRow = (y >= 6 && y <= 10) || (y >= h - 11 && y <= h - 6);
    if (blackColumn || blackRow) return 183;
    if (whiteColumn || whiteRow) return 182;
    return kPicture;
}

void GivePicture(ProgramState& s, int w, int h) {
    s.buffer.bytes.assign(static_cast<size_t>(w) * static_cast<size_t>(h), kPicture);
    s.buffer.width = w;
    s.buffer.height = h;
    s.buffer.present = true;
}

uint8_t At(const PictureBuffer& b, int x, int y) {
    return b.bytes[static_cast<size_t>(y) * static_cast<size_t>(b.width) + static_cast<size_t>(x)];
}

TEST(Border, FramesThePictureWithAsymmetricBands) {
    struct Size {
        int w, h;
    };
    for (const Size size : {Size{200, 150}, Size{16, 17}, Size{33, 24}, Size{1024, 768}}) {
        ProgramState s;
        GivePicture(s, size.w, size.h);
        s.xoff = 412;
        s.yoff = 294;
        RecordingPaletteHost host;
        s.PictureBitmap = IndexImage(size.w, size.h, kPicture);
        ASSERT_EQ(addborder1Click(s, host), BorderResult::Added);
        for (int y = 0; y < size.h; ++y)
            for (int x = 0; x < size.w; ++x) {
                const uint8_t want = ExpectedFrame(x, y, size.w, size.h);
                ASSERT_EQ(At(s.buffer, x, y), want) << size.w << "x" << size.h << " at " << x << "," << y;
                ASSERT_EQ(s.PictureBitmap.pixel(x, y), want) << size.w << "x" << size.h << " at " << x << "," << y;
            }
        EXPECT_EQ(host.draws, 1);
        EXPECT_TRUE(host.statusTexts.empty());
    }
}

TEST(Border, BandsOfA200By150Picture) {
    ProgramState s;
    GivePicture(s, 200, 150);
    RecordingPaletteHost host;
    addborder1Click(s, host);
    struct Probe {
        int x, y;
        uint8_t want;
    };
    const Probe probes[] = {
        {100, 0, 183},   {100, 5, 183},   {100, 6, 182},   {100, 10, 182},  {100, 11, kPicture},
        {100, 138, kPicture}, {100, 139, 182}, {100, 144, 182}, {100, 145, 183}, {100, 149, 183},
        {4, 75, 183},    {5, 75, 182},    {10, 75, 182},   {11, 75, kPicture}, {188, 75, kPicture},
        {189, 75, 182},  {194, 75, 182},  {195, 75, 183},  {199, 75, 183},
        {5, 11, 182},    {5, 140, 182},   {2, 8, 183},     {197, 141, 183},  {8, 2, 183},
    };
    for (const Probe& p : probes) EXPECT_EQ(At(s.buffer, p.x, p.y), p.want) << p.x << "," << p.y;
}

// In the smallest picture the bands overlap and the order of writing
// decides: the last white rows cover the black ones, then the black columns
// cover all but column 5.
TEST(Border, SmallestPictureFollowsTheOrderOfTheBands) {
    ProgramState s;
    GivePicture(s, 11, 11);
    RecordingPaletteHost host;
    s.PictureBitmap = IndexImage(11, 11, kPicture);
    ASSERT_EQ(addborder1Click(s, host), BorderResult::Added);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 11; ++x) {
            const uint8_t want = x == 5 ? 182 : 183;
            EXPECT_EQ(At(s.buffer, x, y), want) << x << "," << y;
            EXPECT_EQ(s.PictureBitmap.pixel(x, y), want) << x << "," << y;
        }
}

TEST(Border, TwiceIsTheSameAsOnce) {
    ProgramState once;
    GivePicture(once, 200, 150);
    ProgramState twice;
    GivePicture(twice, 200, 150);
    RecordingPaletteHost host;
    addborder1Click(once, host);
    addborder1Click(twice, host);
    addborder1Click(twice, host);
    EXPECT_EQ(once.buffer.bytes, twice.buffer.bytes);
}

TEST(Border, NoPictureOrTooSmallLeavesTheBufferAlone) {
    struct Case {
        int w, h;
        bool present;
        BorderResult result;
        const char* status;
    };
    const Case cases[] = {
        {0, 0, false, BorderResult::NoPicture, kBorderNoPictureText},
        {200, 150, false, BorderResult::NoPicture, kBorderNoPictureText},
        {10, 10, true, BorderResult::TooSmall, kBorderTooSmallText},
        {200, 10, true, BorderResult::TooSmall, kBorderTooSmallText},
        {10, 200, true, BorderResult::TooSmall, kBorderTooSmallText},
        {2, 2, true, BorderResult::TooSmall, kBorderTooSmallText},
    };
    for (const Case& c : cases) {
        ProgramState s;
        GivePicture(s, c.w, c.h);
        s.buffer.present = c.present;
        const std::vector<uint8_t> before = s.buffer.bytes;
        RecordingPaletteHost host;
        s.PictureBitmap = IndexImage(c.w, c.h, kPicture);
        const IndexImage bitmapBefore = s.PictureBitmap;
        EXPECT_EQ(addborder1Click(s, host), c.result);
        EXPECT_EQ(s.buffer.bytes, before);
        EXPECT_EQ(s.PictureBitmap, bitmapBefore);
        EXPECT_EQ(host.statusTexts, std::vector<std::string>{c.status});
        EXPECT_EQ(s.statusText, c.status);
        EXPECT_EQ(host.draws, 0);
    }
}

TEST(Border, FollowsTheBufferNotAChangedPictureSize) {
    // A run whose set-up failed may leave `siz` ahead of the buffer.
    ProgramState s;
    GivePicture(s, 40, 30);
    s.params.siz = 400;
    s.params.sizy = 300;
    RecordingPaletteHost host;
    ASSERT_EQ(addborder1Click(s, host), BorderResult::Added);
    EXPECT_EQ(s.buffer.bytes.size(), 40u * 30u);
    EXPECT_EQ(At(s.buffer, 39, 29), 183);
    EXPECT_EQ(At(s.buffer, 20, 15), kPicture);
}

}  // namespace
}  // namespace velmora
