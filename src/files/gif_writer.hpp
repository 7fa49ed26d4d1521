#pragma once
// The GIF encoder: the picture's indices, the palette's 256 colours and the
// parameter block, as exactly the bytes this program has always written.

#include <cstdint>

#include "byte_stream.hpp"
#include "gif_format.hpp"
#include "parameter_block.hpp"
#include "picture_texts.hpp"

namespace velmora {

// Told as each row of the picture starts to be coded.
class GifWriteProgress {
public:
    virtual ~GifWriteProgress() = default;
    virtual void rowStarted(int row) = 0;
};

struct GifImage {
    const uint8_t* pixels = nullptr;  // row-major, width * height indices
    int width = 0, height = 0;        // 1 .. 32767 each
    gif::ColourTable colours{};
};

// Writes the whole file to `sink`. The block is written as it is; the
// texts, when given, follow it in their own extension.
void WriteGif(ByteSink& sink, const GifImage& image, const ParameterBlock& block, const PictureTexts* texts = nullptr,
              GifWriteProgress* progress = nullptr);

}  // namespace velmora
