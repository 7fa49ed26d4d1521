// The PNG reader on any file.
//
// Whatever the bytes, the reader either refuses them or returns a picture of
// exactly width x height pixels within the size limit with a sound block, or
// (an RGB or larger picture) a sound block alone and no pixels; a
// picture it accepts is written again by the writer and read back to the
// same pixels, block and texts; and a file that libpng itself cannot take
// apart is never accepted.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "gif_format.hpp"
#include "png_codec.hpp"

namespace velmora {
namespace {

void CheckRewrite(const PngReadResult& r) {
    PngLayout layout;
    layout.width = r.width;
    layout.height = r.height;
    layout.rgb = r.parametersOnly;
    layout.parameters = EncodePngParameters(r.block, r.texts ? &*r.texts : nullptr);
    MemorySink sink;
    PngWriter writer(sink, layout);
    // Of a file taken for its parameters alone, rows of anything will do.
    const std::vector<uint8_t> blank(static_cast<size_t>(r.width) * 3);
    for (int y = 0; y < r.height; ++y)
        writer.writeRow(r.parametersOnly ? blank.data() : r.pixels.data() + static_cast<size_t>(y) * r.width);
    writer.finish();
    MemorySource source(sink.bytes);
    const PngReadResult again = ReadPng(source);
    if (!again.accepted || again.parametersOnly != r.parametersOnly || again.pixels != r.pixels || again.block.bytes != r.block.bytes || again.texts != r.texts)
        fuzz::Fail("a picture of " + std::to_string(r.width) + " x " + std::to_string(r.height) +
                   " does not survive being written again");
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    MemorySource source(data, size);
    const PngReadResult r = ReadPng(source);
    if (!r.accepted) return 0;
    if (!LooksLikePng(data, size)) fuzz::Fail("accepted a file without the PNG signature");
    const bool whole = int64_t{r.width} * r.height <= gif::kMaxPixels &&
                       r.pixels.size() == size_t(r.width) * size_t(r.height);
    if (r.width < 1 || r.height < 1 || r.width > kPngLargestSide || r.height > kPngLargestSide ||
        (r.parametersOnly ? !r.pixels.empty() : !whole))
        fuzz::Fail("accepted a picture of " + std::to_string(r.width) + " x " + std::to_string(r.height) + " with " +
                   std::to_string(r.pixels.size()) + " pixels");
    if (!BlockFault(r.block, r.width, r.height).empty()) fuzz::Fail("accepted a block that is not sound");
    CheckRewrite(r);
    return 0;
}
