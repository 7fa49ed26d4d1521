#pragma once
// The GIF decoder: accepts exactly the layout the writer makes and rejects
// every other file. Input is hostile: every size and count is checked before
// it is used, and a rejected file yields nothing but the reason.

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
