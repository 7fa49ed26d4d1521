// The BMP file's layout, byte by byte where a reader relies on it.

#include <gtest/gtest.h>

#include "bmp_writer.hpp"

namespace velmora {
namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

TEST(BmpWriter, HeadersColourTableAndBottomUpPaddedRows) {
    IndexImage picture(3, 2, 0);
    const uint8_t rows[2][3] = {{1, 2, 3}, {250, 251, 252}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) picture.setPixel(x, y, rows[y][x]);
    ColourTable colours{};
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = Argb(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2));

    const std::vector<uint8_t> bmp = EncodeBmp(picture, colours);
    ASSERT_EQ(bmp.size(), 14u + 40u + 1024u + 2u * 4u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    const struct {
        size_t offset;
        uint32_t value;
    } fields[] = {{2, 1086}, {10, 1078}, {14, 40}, {18, 3}, {22, 2}, {26, 1 | 8 << 16}, {30, 0}, {34, 8}, {46, 256}};
    for (const auto& f : fields) EXPECT_EQ(Le32(bmp, f.offset), f.value) << "offset " << f.offset;
    // Entry 7 as blue, green, red, 0.
    EXPECT_EQ(Le32(bmp, 54 + 4 * 7), 3u | 248u << 8 | 7u << 16);
    const std::vector<uint8_t> pixels(bmp.begin() + 1078, bmp.end());
    EXPECT_EQ(pixels, (std::vector<uint8_t>{250, 251, 252, 0, 1, 2, 3, 0}));
}

TEST(BmpWriter, NoPictureIsRefused) {
    EXPECT_THROW(EncodeBmp(IndexImage(0, 0, 0), ColourTable{}), std::length_error);
}

}  // namespace
}  // namespace velmora
