#include "index_image.hpp"

#include <algorithm>

namespace velmora {

IndexImage::IndexImage(int width, int height, uint8_t fill)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill) {}

uint8_t IndexImage::pixel(int x, int y) const {
    if (!contains(x, y)) return 0;
    return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

void IndexImage::setPixel(int x, int y, uint8_t index) {
    if (!contains(x, y)) return;
    pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] = index;
}

void IndexImage::fillRect(int x0, int y0, int x1, int y1, uint8_t index) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width_);
    y1 = std::min(y1, height_);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] = index;
}

}  // namespace velmora
