#pragma once
// The GIF decoder for the layout the writer makes (gif_format.hpp). It checks
// what placing and trusting the pixels and the parameter block needs: the
// signature, the screen's size and packed byte, a code stream that decodes and
// fits the picture, our application extension, and a block that, when it
// carries the tag, fits the picture (one without the tag is read, and later
// not applied). It passes over the rest unchecked, so some files the writer
// would never make are read too: the colour table (the colours come from the
// block's marks), the image descriptor's fields (and, in its place, one byte
// that is not its separator), the minimum code size, data sub-blocks left
// after the end code and everything after the block, the trailer included. A
// code stream that stops at its terminator without an end code leaves the
// pixels it did not reach at 0.
// Input is hostile: every size and count is checked before it is used, and a
// rejected file is a result that is not accepted, whatever else it holds.

#include <cstdint>
#include <vector>

#include "byte_stream.hpp"
#include "parameter_block.hpp"

namespace velmora {

class GifReadProgress {
public:
    virtual ~GifReadProgress() = default;
    // The picture's height is known (the signature and size passed).
    virtual void started(int height) = 0;
    // Row `row` is complete.
    virtual void rowDone(int row) = 0;
};

struct GifReadResult {
    bool accepted = false;
    // The application extension did not name this program: the user is
    // told so before being told the file is refused.
    bool foreignExtension = false;
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // width * height palette indices
    ParameterBlock block;
};

// Reads a whole file from `source`. Every fault of the file, one that ends
// too early included, is a result that is not accepted; only a failure of
// the source itself throws.
GifReadResult ReadGif(ByteSource& source, GifReadProgress* progress = nullptr);

}  // namespace velmora
