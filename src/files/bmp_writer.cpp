#include "bmp_writer.hpp"

#include <stdexcept>

namespace velmora {
namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kColourTableSize = 4 * Palette::kEntries;
constexpr uint32_t kPixelOffset = kFileHeaderSize + kInfoHeaderSize + kColourTableSize;

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>((v >> shift) & 0xFF));
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const IndexImage& picture, const ColourTable& colours) {
    const uint64_t width = static_cast<uint64_t>(picture.width());
    const uint64_t height = static_cast<uint64_t>(picture.height());
    if (width == 0 || height == 0) throw std::length_error("there is no picture to save");
    const uint64_t stride = (width + 3) / 4 * 4;
    const uint64_t fileSize = kPixelOffset + stride * height;
    if (fileSize > UINT32_MAX || width > INT32_MAX || height > INT32_MAX)
        throw std::length_error("the picture is too large for a BMP file");

    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(fileSize));
    // BITMAPFILEHEADER: "BM", file size, two reserved words, pixel offset.
    out.push_back('B');
    out.push_back('M');
    Put32(out, static_cast<uint32_t>(fileSize));
    Put32(out, 0);
    Put32(out, kPixelOffset);
    // BITMAPINFOHEADER: size, width, height (positive: bottom-up), planes,
    // bits per pixel, compression (BI_RGB), image size, resolution x and y,
    // colours used, colours important (0: all).
    Put32(out, kInfoHeaderSize);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(stride * height));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, Palette::kEntries);
    Put32(out, 0);
    // RGBQUAD colour table: blue, green, red, reserved.
    for (const uint32_t argb : colours) {
        out.push_back(static_cast<uint8_t>(argb & 0xFF));
        out.push_back(static_cast<uint8_t>((argb >> 8) & 0xFF));
        out.push_back(static_cast<uint8_t>((argb >> 16) & 0xFF));
        out.push_back(0);
    }
    const uint8_t* pixels = picture.pixels().data();
    for (uint64_t row = height; row-- > 0;) {
        const uint8_t* line = pixels + row * width;
        out.insert(out.end(), line, line + width);
        out.insert(out.end(), static_cast<size_t>(stride - width), uint8_t{0});
    }
    return out;
}

}  // namespace velmora
