#pragma once
// BMP export of the displayed picture: an uncompressed 8-bit BMP with the
// picture's palette indices and the 256 colours they are shown in.

#include <cstdint>
#include <string>
#include <vector>

#include "index_image.hpp"
#include "palette.hpp"

namespace velmora {

inline constexpr const char* kBmpSuffix = "bmp";

// The whole file: file header, info header (40 bytes, no compression), 256
// colour-table entries (blue, green, red, 0), then the rows from the bottom
// up, each padded to a multiple of four bytes. Throws std::length_error for
// an empty picture or one whose file would not fit the header's sizes.
std::vector<uint8_t> EncodeBmp(const IndexImage& picture, const ColourTable& colours);

}  // namespace velmora
