// The palette file reader on any bytes.
//
// A file shorter than the record is "Read beyond end of file". Otherwise it
// is refused with its reason, and the reason holds, or its marks are taken
// exactly as stored, the slots above the count untouched, and the palette
// and the editor's grid build from them without a fault. Saving them gives back the file's
// bytes up to the count and zeros after. The rule it refuses by is the one
// that saved pictures are refused by too (MarkRecordsFault), so that a
// picture's marks always save as a palette file that loads.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "make_palette.hpp"
#include "palette_grid.hpp"
#include "palette_file.hpp"

namespace velmora {
namespace {

using fuzz::Fail;

// Stale slots of the list the file is loaded over, so that a reader that
// touched them would show.
MarkedIndexList Current() {
    MarkedIndexList list = DefaultMarkedIndexList();
    for (int32_t j = list.count + 1; j <= MarkedIndexList::kCapacity; ++j)
        list.at(j) = {static_cast<uint8_t>(j), 1, 2, 3};
    return list;
}

bool AdjacentMarksShareAnEntry(const std::vector<uint8_t>& bytes) {
    for (int k = 1; k + 1 <= bytes[0] - 1; ++k)
        if (bytes[1 + 4 * (k - 1)] == bytes[1 + 4 * k]) return true;
    return false;
}

void CheckDecoded(const std::vector<uint8_t>& bytes, const MarkedIndexList& current, const MarkedIndexList& marks) {
    if (marks.count != bytes[0]) Fail("count " + std::to_string(marks.count) + " from byte " + std::to_string(bytes[0]));
    for (int32_t j = 1; j <= MarkedIndexList::kCapacity; ++j) {
        const size_t at = 1 + 4 * static_cast<size_t>(j - 1);
        const MarkedIndex stored{bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]};
        const MarkedIndex expected = j <= marks.count ? stored : current.at(j);
        if (!(marks.at(j) == expected)) Fail("slot " + std::to_string(j) + " not as expected");
    }
    const PaletteFileRecord saved = EncodePaletteFile(marks);
    for (size_t i = 0; i < kPaletteFileSize; ++i) {
        const uint8_t expected = i <= 4 * static_cast<size_t>(marks.count) ? bytes[i] : 0;
        if (saved[i] != expected) Fail("saved byte " + std::to_string(i) + " differs");
    }
    // The two steps of a build that read the marks; the palette record is
    // kept from input to input, as the window keeps it from build to build.
    static Palette& palette = *new Palette;
    static IndexImage& grid = *new IndexImage(kGridWidth, kGridHeight, kWhiteEntry);
    try {
        InterpolateMarks(marks, palette);
        DrawGridOutlines(marks, grid);
    } catch (const std::exception& e) {
        Fail(std::string("accepted marks do not build: ") + e.what());
    }
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    const std::vector<uint8_t> bytes(data, data + size);
    const MarkedIndexList current = Current();
    const bool refusable = size >= kPaletteFileSize &&
                           (bytes[0] < 1 || bytes[0] > MarkedIndexList::kCapacity || AdjacentMarksShareAnEntry(bytes));
    if (size >= kPaletteFileSize && refusable == MarkRecordsFault(bytes[0], bytes.data() + 1).empty())
        Fail("the shared marks rule disagrees with the palette file's");
    try {
        const MarkedIndexList marks = DecodePaletteFile(bytes, current);
        if (size < kPaletteFileSize) Fail("a short file loaded");
        if (refusable) Fail("marks the rule refuses were loaded");
        CheckDecoded(bytes, current, marks);
    } catch (const FaultError& e) {
        if (size >= kPaletteFileSize || std::string(e.what()) != "Read beyond end of file")
            Fail(std::string("file error ") + e.what() + " at size " + std::to_string(size));
    } catch (const PaletteFileError& e) {
        if (size < kPaletteFileSize) Fail(std::string("a short file refused as ") + e.what());
        if (!refusable) Fail(std::string("refused without cause: ") + e.what());
    }
    return 0;
}
