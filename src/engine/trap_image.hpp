#pragma once
// The picture seen through the image trap: 200 x 150 RGB pixels. It lives in
// the engine, free of any toolkit, so that the window and the headless
// renderer look through the same pixels.

#include <array>
#include <cstddef>
#include <cstdint>

#include "colour_value.hpp"
#include "fault.hpp"

namespace velmora {

class TrapImage {
public:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 150;

    // An all-white image: the trap catches nothing on white.
    TrapImage();

    // Both throw FaultError(RangeCheck) for a position outside the image.
    void setPixel(int x, int y, uint8_t r, uint8_t g, uint8_t b);
    // The pixel as a direct colour. Inline: the image trap looks at it at
    // every step inside its rectangle.
    ColourValue pixel(int x, int y) const {
        const std::size_t at = Offset(x, y);
        return ColourValue::Rgb(rgb_[at], rgb_[at + 1], rgb_[at + 2]);
    }

    static bool IsWhite(ColourValue colour) { return colour.direct && colour.value == 0xFFFFFF; }

    friend bool operator==(const TrapImage&, const TrapImage&) = default;

private:
    static std::size_t Offset(int x, int y) {
        if (x < 0 || x >= kWidth || y < 0 || y >= kHeight) throw FaultError(FaultKind::RangeCheck);
        return (static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)) * 3;
    }
    // Row-major, three bytes (red, green, blue) per pixel, top row first.
    std::array<uint8_t, static_cast<std::size_t>(kWidth) * kHeight * 3> rgb_;
};

// The built-in motif: a flower inside a ring of colours, on white. Its
// centre (100, 75) is where the trap maps z = 0.
TrapImage MakeDefaultTrapImage();

// The one image every run uses, drawn on first use.
const TrapImage& DefaultTrapImage();

}  // namespace velmora
