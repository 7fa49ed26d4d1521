// The GIF reader and the parameter block on any file.
//
// Whatever the bytes, the reader either refuses them or returns a picture of
// exactly width x height pixels within the size limit, whose code stream a
// separate walk over the file finds valid and of exactly that many pixels;
// a picture it accepts is written again by the writer and read back to the
// same pixels, block and texts; and the file loaded into a program, saved
// and loaded into another gives every dialog text back unchanged.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "gif_reader.hpp"
#include "gif_writer.hpp"
#include "headless_session.hpp"
#include "parameter_block.hpp"

namespace velmora {
namespace {

using fuzz::Fail;

// The number of pixels the image data's codes stand for, walked by the
// rules of LZW alone (a clear code first, no code past the one about to be
// made, string lengths followed through the table), or nothing when a code
// breaks them or the end code never comes.
std::optional<size_t> WalkCodes(const uint8_t* data, size_t size) {
    size_t at = 6 + 7 + 768 + 10 + 1;  // the first data sub-block's length
    std::vector<uint8_t> bytes;
    while (at < size && data[at] != 0) {
        const size_t n = data[at];
        if (at + 1 + n > size) return std::nullopt;
        bytes.insert(bytes.end(), data + at + 1, data + at + 1 + n);
        at += 1 + n;
    }
    std::vector<size_t> length(4096, 1);
    size_t bit = 0, pixels = 0;
    int width = 9;
    uint32_t next = 258, previous = 0;
    bool first = true, started = false;
    for (;;) {
        if (bit + size_t(width) > 8 * bytes.size() + 8) return std::nullopt;  // one zero byte past the end
        uint32_t code = 0;
        for (int i = 0; i < width; ++i, ++bit)
            if (bit / 8 < bytes.size() && (bytes[bit / 8] >> (bit % 8)) & 1) code |= 1u << i;
        if (!started && code != 256) return std::nullopt;
        started = true;
        if (code == 257) return pixels;
        if (code == 256) {
            width = 9, next = 258, first = true;
            continue;
        }
        if (first) {
            if (code > 255) return std::nullopt;
            first = false;
            ++pixels;
            previous = code;
            continue;
        }
        if (code > next) return std::nullopt;
        const size_t n = code == next ? length[previous] + 1 : length[code];
        pixels += n;
        if (next < 4096) length[next] = length[previous] + 1;
        if (next >= (1u << width) - 1) {
            if (width == 12) return std::nullopt;
            ++width;
        }
        ++next;
        previous = code;
    }
}

void CheckRewrite(const GifReadResult& r) {
    MemorySink sink;
    WriteGif(sink, GifImage{r.pixels.data(), r.width, r.height, {}}, r.block, r.texts ? &*r.texts : nullptr);
    MemorySource source(sink.bytes);
    const GifReadResult again = ReadGif(source);
    if (!again.accepted || again.pixels != r.pixels || again.block.bytes != r.block.bytes || again.texts != r.texts)
        Fail("a picture of " + std::to_string(r.width) + " x " + std::to_string(r.height) +
             " does not survive being written again");
}

std::vector<std::string> Texts(const ProgramState& s) {
    std::vector<std::string> texts;
    for (const TextFieldInfo& t : TextFieldTable()) texts.push_back(s.texts.text(t.field));
    return texts;
}

// Loaded as a user loads it (without the continuation, which would only
// compute), saved, and loaded again: the texts and the custom constants stay.
void CheckLoadSaveLoad(const uint8_t* data, size_t size) {
    HeadlessSession first;
    const int shownBefore = first.host.customFormula.dialogsShown;
    MemorySource source(data, size);
    if (!first.files.LoadGif(source, "fuzz.gif", LoadIntent::KeepAsLoaded).loaded()) return;
    ClearFloatFaults();
    if (first.host.customFormula.dialogsShown != shownBefore) Fail("the custom formula dialog was shown during a load");
    const MarkedIndexList& marks = first.state.palette.marks;
    if (marks.count < 1 || marks.count > MarkedIndexList::kCapacity)
        Fail("marked entry count " + std::to_string(marks.count));
    MemorySink saved;
    if (!first.files.SaveGif(saved, "again.gif")) Fail("a loaded picture does not save");
    HeadlessSession second;
    MemorySource again(saved.bytes);
    if (!second.files.LoadGif(again, "again.gif", LoadIntent::KeepAsLoaded).loaded())
        Fail("a loaded picture, saved, is refused");
    ClearFloatFaults();
    const std::vector<std::string> before = Texts(first.state), after = Texts(second.state);
    for (size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i])
            Fail(std::string(TextFieldTable()[i].name) + " was '" + before[i] + "' and came back as '" + after[i] + "'");
    if (first.state.params.FunctionKind == kFormulaCustom &&
        !(first.host.customFormula.constants == second.host.customFormula.constants))
        Fail("the custom constants did not come back");
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
    const std::optional<size_t> walked = WalkCodes(data, size);
    if (walked != r.pixels.size())
        fuzz::Fail("accepted a code stream of " + (walked ? std::to_string(*walked) + " pixels" : std::string("broken codes")) +
                   " for " + std::to_string(r.pixels.size()));
    if (!BlockFault(r.block, r.width, r.height).empty()) fuzz::Fail("accepted a block that is not sound");
    CheckRewrite(r);
    CheckLoadSaveLoad(data, size);
    return 0;
}
