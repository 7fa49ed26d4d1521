// The GIF reader and the parameter block on any file.
//
// Whatever the bytes, the reader either refuses them or returns a picture of
// exactly width x height pixels within the size limit; a picture it accepts
// is written again by the writer and read back to the same pixels and block;
// and its block, applied to a program as a load applies it, leaves the
// marked entries within their list and every text formatted.

#include <cstdint>
#include <string>

#include "fuzz_support.hpp"
#include "gif_reader.hpp"
#include "gif_writer.hpp"
#include "headless_session.hpp"
#include "parameter_block.hpp"

namespace velmora {
namespace {

using fuzz::Fail;

void CheckRewrite(const GifReadResult& r) {
    MemorySink sink;
    WriteGif(sink, GifImage{r.pixels.data(), r.width, r.height, {}}, r.block);
    MemorySource source(sink.bytes);
    const GifReadResult again = ReadGif(source);
    if (!again.accepted || again.pixels != r.pixels || again.block.bytes != r.block.bytes)
        Fail("a picture of " + std::to_string(r.width) + " x " + std::to_string(r.height) +
             " does not survive being written again");
}

void CheckApply(const ParameterBlock& block) {
    HeadlessSession program;
    const int shownBefore = program.host.customFormula.dialogsShown;
    ApplyParameterBlock(block, program.state, program.actions, program.host.customFormula);
    ClearFloatFaults();
    const MarkedIndexList& marks = program.state.palette.marks;
    if (marks.count < 0 || marks.count > MarkedIndexList::kCapacity)
        Fail("marked entry count " + std::to_string(marks.count));
    if (program.host.customFormula.dialogsShown != shownBefore) Fail("the custom formula dialog was shown during a load");
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    MemorySource source(data, size);
    const GifReadResult r = ReadGif(source);
    if (!r.accepted) return 0;
    if (r.width < 1 || r.height < 1 || int64_t{r.width} * r.height > gif::kMaxPixels ||
        r.pixels.size() != size_t(r.width) * size_t(r.height))
        fuzz::Fail("accepted a picture of " + std::to_string(r.width) + " x " + std::to_string(r.height) + " with " +
                   std::to_string(r.pixels.size()) + " pixels");
    if (BlockTagMatches(r.block) && !BlockFitsPicture(r.block, r.width, r.height))
        fuzz::Fail("accepted a block that does not fit its picture");
    CheckRewrite(r);
    CheckApply(r.block);
    return 0;
}
