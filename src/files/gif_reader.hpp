#pragma once
// The GIF decoder for the layout the writer makes (gif_format.hpp). It
// accepts a picture only when every part that places or describes it is as
// the writer makes it: the signature, the screen's size and packed byte, an
// image descriptor that covers the screen (no offset, no local colour table,
// not interlaced), 8-bit codes, a code stream that starts with a clear code,
// uses only codes the table holds and ends with the end code exactly when
// the picture is full, our application extension, and a block that is sound
// (BlockFault). It passes over what neither places nor describes the
// picture: the colour table (the colours come from the block's marks), the
// screen's background and aspect bytes, data sub-blocks left after the end
// code, and whatever follows the block when it is not our texts extension
// (the trailer included). Once the texts extension begins, all of it must be
// there and sound.
// Input is hostile: every size and count is checked before it is used, and a
// rejected file is a result that is not accepted, whatever else it holds.

#include <cstdint>
#include <optional>
#include <vector>

#include "byte_stream.hpp"
#include "decoded_picture.hpp"

namespace velmora {

class GifReadProgress {
public:
    virtual ~GifReadProgress() = default;
    // The picture's height is known (the signature and size passed).
    virtual void started(int height) = 0;
    // Row `row` is complete.
    virtual void rowDone(int row) = 0;
};

using GifReadResult = DecodedPicture;

// Reads a whole file from `source`. Every fault of the file, one that ends
// too early included, is a result that is not accepted; only a failure of
// the source itself throws.
GifReadResult ReadGif(ByteSource& source, GifReadProgress* progress = nullptr);

}  // namespace velmora
