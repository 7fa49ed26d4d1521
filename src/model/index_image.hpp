#pragma once
// An 8-bit image whose pixels are palette indices. Shown through a colour
// table, it recolours with the palette without being redrawn.

#include <cstdint>
#include <vector>

namespace velmora {

class IndexImage {
public:
    IndexImage(int width, int height, uint8_t fill);

    int width() const { return width_; }
    int height() const { return height_; }
    // Row-major, `width()` bytes per row, no padding.
    const std::vector<uint8_t>& pixels() const { return pixels_; }

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    uint8_t pixel(int x, int y) const;  // 0 outside the image

    // Drawing clips to the image, as drawing on a bitmap does.
    void setPixel(int x, int y, uint8_t index);
    // (x0, y0) to (x1, y1), right and bottom edges excluded.
    void fillRect(int x0, int y0, int x1, int y1, uint8_t index);

    friend bool operator==(const IndexImage&, const IndexImage&) = default;

private:
    int width_;
    int height_;
    std::vector<uint8_t> pixels_;
};

}  // namespace velmora
