// Palette files: the 125-byte record, hostile files refused before the list
// changes, and saves that leave no part-written file.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fault.hpp"
#include "file_stream.hpp"
#include "make_palette.hpp"
#include "palette_file.hpp"
#include "temp_dir.hpp"

namespace velmora {
namespace {

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A record with `count` ascending marks 10, 20, ... (terminator not forced).
std::vector<uint8_t> Record(int count, size_t length = kPaletteFileSize) {
    std::vector<uint8_t> bytes(length, 0);
    if (!bytes.empty()) bytes[0] = static_cast<uint8_t>(count);
    for (size_t j = 1; j <= 30 && 4 * j < length; ++j) bytes[1 + 4 * (j - 1)] = static_cast<uint8_t>(8 * j);
    return bytes;
}

TEST(PaletteFile, DefaultListRecordIsExact) {
    const std::vector<uint8_t> expected = {
        0x0E, 0x00, 0xFF, 0xFF, 0xFF, 0x1D, 0xFF, 0x00, 0x00, 0x1E, 0xFF, 0xFF, 0xFF, 0x3B, 0xFF, 0x80, 0x00,
        0x3C, 0xFF, 0xFF, 0xFF, 0x59, 0x00, 0x80, 0x80, 0x5A, 0xFF, 0xFF, 0xFF, 0x77, 0x00, 0x00, 0x80,
        0x78, 0x00, 0xFF, 0x00, 0x95, 0x00, 0x00, 0x00, 0x96, 0x00, 0x00, 0x00, 0xB3, 0x00, 0xFF, 0xFF,
        0xB5, 0x80, 0x80, 0x00, 0xFF, 0x00, 0x00, 0x00};
    std::vector<uint8_t> whole = expected;
    whole.resize(kPaletteFileSize, 0);

    TempDir dir;
    const std::string path = dir.file("default.vmp");
    SavePaletteFile(path, DefaultMarkedIndexList());
    EXPECT_EQ(std::filesystem::file_size(path), kPaletteFileSize);
    EXPECT_EQ(ReadFile(path), std::string(whole.begin(), whole.end()));
    EXPECT_TRUE(SameMarks(LoadPaletteFile(path, MarkedIndexList{}), DefaultMarkedIndexList()));
}

TEST(PaletteFile, EveryLengthAndCount) {
    TempDir dir;
    const std::string path = dir.file("p.vmp");
    for (size_t length = 0; length <= kPaletteFileSize + 5; ++length) {
        WriteBytes(path, Record(3, length));
        if (length < kPaletteFileSize) {
            try {
                LoadPaletteFile(path, DefaultMarkedIndexList());
                ADD_FAILURE() << "length " << length << " loaded";
            } catch (const FaultError& e) {
                EXPECT_STREQ(e.what(), "Read beyond end of file");
            }
        } else {
            EXPECT_EQ(LoadPaletteFile(path, DefaultMarkedIndexList()).count, 3) << length;
        }
    }
    for (int count = 0; count <= 255; ++count) {
        WriteBytes(path, Record(count));
        if (count >= 1 && count <= 30) {
            const MarkedIndexList marks = LoadPaletteFile(path, DefaultMarkedIndexList());
            EXPECT_EQ(marks.count, count);
            EXPECT_EQ(marks.at(count).index, 8 * count);
        } else {
            try {
                LoadPaletteFile(path, DefaultMarkedIndexList());
                ADD_FAILURE() << "count " << count << " loaded";
            } catch (const PaletteFileError& e) {
                EXPECT_EQ(std::string(e.what()), path + " is not a usable palette file: it holds " +
                                                     std::to_string(count) +
                                                     " marked entries, and a palette has 1 to 30");
            }
        }
    }
}

TEST(PaletteFile, DisorderLoadsButTwoMarksOnOneEntryAreRefused) {
    const struct {
        std::vector<uint8_t> indices;  // marks, then the terminator
        bool loads;
    } cases[] = {
        {{50, 10, 255}, true},       // out of order: the builder skips the segment
        {{10, 20, 10, 255}, true},   // repeated, not next to each other
        {{10, 10, 255}, false},      // next to each other: nothing to divide by
        {{10, 40, 40, 255}, false},
        {{10, 255, 255}, true},      // the last mark and the terminator are never interpolated
        {{40, 40}, true},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes(kPaletteFileSize, 0);
        bytes[0] = static_cast<uint8_t>(c.indices.size());
        for (size_t j = 0; j < c.indices.size(); ++j) bytes[1 + 4 * j] = c.indices[j];
        // The refusal follows the builder: exactly what loads can be built.
        MarkedIndexList marks;
        for (uint8_t index : c.indices) marks.at(++marks.count) = {index, 0, 0, 0};
        Palette palette;
        if (c.loads) {
            EXPECT_NO_THROW(DecodePaletteFile(bytes, DefaultMarkedIndexList())) << int(c.indices[1]);
            EXPECT_NO_THROW(InterpolateMarks(marks, palette));
        } else {
            EXPECT_THROW(DecodePaletteFile(bytes, DefaultMarkedIndexList()), PaletteFileError) << int(c.indices[1]);
            EXPECT_THROW(InterpolateMarks(marks, palette), FaultError);
        }
    }
}

TEST(PaletteFile, FailedSaveLeavesNoFileBehind) {
    TempDir dir;
    const std::string missing = dir.file("no/such/folder/p.vmp");
    try {
        SavePaletteFile(missing, DefaultMarkedIndexList());
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const FileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot save " + missing + ": File not found");
    }
    // A folder in the file's place: the save fails and the folder and its
    // neighbours are as they were, with no temporary file beside them.
    std::filesystem::create_directory(dir.file("taken.vmp"));
    EXPECT_THROW(SavePaletteFile(dir.file("taken.vmp"), DefaultMarkedIndexList()), FileWriteError);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace velmora
