#pragma once
// PNG pictures through libpng: an 8-bit palettised picture (or 24-bit RGB
// rows for smoothed exports) written row by row, so memory stays flat for
// any size, with the parameter block and the picture's texts in a private
// ancillary chunk and a readable description in text chunks. The reader
// takes back only our own pictures: a PNG without the chunk, or with a
// damaged one, is refused. Of an RGB picture, or one larger than a run makes,
// only the parameters are taken (the picture is computed again from them).

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "byte_stream.hpp"
#include "decoded_picture.hpp"
#include "parameter_block.hpp"
#include "picture_texts.hpp"

namespace velmora {

// The private chunk's name: ancillary, private, safe to copy.
inline constexpr char kPngParameterChunk[5] = "vmPa";
// Larger pictures than the exports make are not ours.
inline constexpr int kPngLargestSide = 65536;

struct PngText {
    std::string key, text;
};

struct PngLayout {
    int width = 0, height = 0;
    // Palette indices with these 256 colours (r, g, b), or 24-bit RGB rows.
    bool rgb = false;
    std::array<uint8_t, 768> colours{};
    // Our parameters: the block's bytes, then the texts' encoding.
    std::vector<uint8_t> parameters;
    std::vector<PngText> texts;
};

// The chunk's contents for a block and its texts.
std::vector<uint8_t> EncodePngParameters(const ParameterBlock& block, const PictureTexts* texts);

// Writes a PNG row by row. A failure of the sink is thrown as the sink
// threw it; a fault of the encoder as std::runtime_error.
class PngWriter {
public:
    PngWriter(ByteSink& sink, const PngLayout& layout);
    ~PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // The next row: width bytes of indices, or 3 * width bytes of RGB.
    void writeRow(const uint8_t* row);
    // After the last row: the end of the file.
    void finish();

    struct State;

private:
    std::unique_ptr<State> s_;
};

using PngReadResult = DecodedPicture;

// Every fault of the file is a result that is not accepted; only a failure
// of the source itself throws.
PngReadResult ReadPng(ByteSource& source);

// The first bytes of every PNG file.
bool LooksLikePng(const uint8_t* head, size_t size);

}  // namespace velmora
