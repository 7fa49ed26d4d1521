#pragma once
// A picture file as a reader of ours takes it: its palette indices, its
// parameter block and the texts beside the block. The GIF and the PNG reader
// both give one, so loading does not care which a file was.

#include <cstdint>
#include <optional>
#include <vector>

#include "parameter_block.hpp"
#include "picture_texts.hpp"

namespace velmora {

struct DecodedPicture {
    bool accepted = false;
    // The application extension did not name this program: the user is
    // told so before being told the file is refused.
    bool foreignExtension = false;
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // width * height palette indices
    // Only the parameters were taken (a PNG too large to hold, or RGB):
    // `pixels` is empty and the picture is computed again.
    bool parametersOnly = false;
    ParameterBlock block;
    // The texts the file carries beside its block (files of ours).
    std::optional<PictureTexts> texts;
};

}  // namespace velmora
