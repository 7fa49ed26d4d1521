#pragma once
#include <cstdint>

namespace velmora {

// Palette entries with a meaning of their own in a picture: an orbit caught
// by a stalk test that did not escape (also a pixel no colour rule takes),
// and an orbit neither caught nor escaped, the set's interior.
inline constexpr int32_t kCaughtEntry = 180;
inline constexpr int32_t kInteriorEntry = 181;

// A colour as the driver plots it: normally a palette index (it follows later
// changes of that palette entry), or a direct RGB colour (0x00BBGGRR) from
// the image trap. The picture buffer keeps the low byte either way.
struct ColourValue {
    int32_t value = 0;
    bool direct = false;

    static ColourValue Index(int32_t index) { return {index, false}; }
    static ColourValue Rgb(uint8_t r, uint8_t g, uint8_t b) {
        return {static_cast<int32_t>(r | (g << 8) | (b << 16)), true};
    }
    uint8_t lowByte() const { return static_cast<uint8_t>(value & 0xFF); }
    friend bool operator==(const ColourValue&, const ColourValue&) = default;
};

}  // namespace velmora
