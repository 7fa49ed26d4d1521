// The GIF writer's exact bytes and the reader's handling of what it made and
// of everything else.

#include <gtest/gtest.h>

#include <cstring>

#include "file_test_support.hpp"
#include "gif_reader.hpp"

namespace velmora {
namespace {

using testing::RandomPixels;
using testing::SubBlockLengths;
using testing::WriteFile;

GifReadResult Read(const std::vector<uint8_t>& file) {
    MemorySource source(file);
    return ReadGif(source);
}

TEST(GifWriter, SmallPicturesByteForByte) {
    // 1 x 1: clear, the pixel and the end code at 9 bits (27 bits), three
    // full bytes and the flushed fourth. 6 x 1 of six colours: eight codes,
    // 72 bits, and still the flushed (zero) byte after them.
    struct Case {
        std::vector<uint8_t> pixels;
        int width;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {
        {{5}, 1, {8, 4, 0x00, 0x0B, 0x04, 0x04, 0}},
        {{0, 1, 2, 3, 4, 5}, 6, {8, 10, 0x00, 0x01, 0x04, 0x10, 0x30, 0x80, 0x40, 0x81, 0x80, 0x00, 0}},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> file = WriteFile(c.pixels, c.width, 1);
        const uint8_t head[13] = {'G', 'I', 'F', '8', '7', 'a', static_cast<uint8_t>(c.width), 0, 1, 0, 0xF7, 0, 0};
        ASSERT_EQ(file.size(), 6 + 7 + 768 + 10 + c.data.size() + 3 + 11 + 681 + 1);
        EXPECT_EQ(std::memcmp(file.data(), head, 13), 0);
        const uint8_t descriptor[10] = {0x2C, 0, 0, 0, 0, static_cast<uint8_t>(c.width), 0, 1, 0, 0};
        EXPECT_EQ(std::memcmp(file.data() + 13 + 768, descriptor, 10), 0);
        EXPECT_EQ(std::vector<uint8_t>(file.begin() + 791, file.begin() + 791 + static_cast<long>(c.data.size())),
                  c.data);
        const size_t ext = 791 + c.data.size();
        EXPECT_EQ(std::string(file.begin() + static_cast<long>(ext), file.begin() + static_cast<long>(ext) + 14),
                  std::string("\x21\xFF\x0BVELMOR32001", 14));
        EXPECT_EQ(std::string(file.begin() + static_cast<long>(ext) + 14, file.begin() + static_cast<long>(ext) + 19),
                  std::string("\x03VM1\0", 5));
        EXPECT_EQ(file.back(), 0x3B);
    }
}

TEST(GifWriter, RoundTripsAndSubBlocks) {
    struct Case {
        const char* name;
        int width, height;
        std::vector<uint8_t> pixels;
    };
    std::vector<uint8_t> gradient(640 * 480), bands(1023 * 767);
    for (size_t i = 0; i < gradient.size(); ++i) gradient[i] = static_cast<uint8_t>((i % 640) / 3 + (i / 640) / 5);
    for (size_t i = 0; i < bands.size(); ++i) bands[i] = static_cast<uint8_t>(i / 997 % 181);
    const Case cases[] = {
        {"1x1", 1, 1, {255}},
        {"odd", 7, 5, RandomPixels(35, 1)},
        {"tall", 1, 300, RandomPixels(300, 2)},
        // Random indices fill the table to code 4095 many times over.
        {"random", 1024, 768, RandomPixels(1024 * 768, 3)},
        {"one colour", 1024, 768, std::vector<uint8_t>(1024 * 768, 181)},
        {"gradient", 640, 480, gradient},
        {"bands", 1023, 767, bands},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> file = WriteFile(c.pixels, c.width, c.height);
        size_t end = 0;
        const std::vector<int> lengths = SubBlockLengths(file, end);
        for (size_t i = 0; i + 2 < lengths.size(); ++i)
            ASSERT_TRUE(lengths[i] == 253 || lengths[i] == 254) << c.name << " sub-block " << i;
        EXPECT_GE(lengths[lengths.size() - 2], 1) << c.name;
        EXPECT_LE(lengths[lengths.size() - 2], 254) << c.name;
        EXPECT_EQ(file.size(), end + 3 + 11 + 681 + 1) << c.name;

        const GifReadResult r = Read(file);
        ASSERT_TRUE(r.accepted) << c.name;
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.height, c.height);
        EXPECT_EQ(r.pixels, c.pixels) << c.name;
    }
}

// The writer's last sub-block can hold only the flushed byte, after a full
// one; the reader skips it to the terminator.
TEST(GifReader, ReadsALastSubBlockOfOneByte) {
    bool found = false;
    for (int width = 300; width < 6000 && !found; ++width) {
        const std::vector<uint8_t> pixels = RandomPixels(static_cast<size_t>(width), width);
        const std::vector<uint8_t> file = WriteFile(pixels, width, 1);
        size_t end = 0;
        const std::vector<int> lengths = SubBlockLengths(file, end);
        if (lengths.size() < 3 || lengths[lengths.size() - 2] != 1) continue;
        found = true;
        const GifReadResult r = Read(file);
        EXPECT_TRUE(r.accepted) << width;
        EXPECT_EQ(r.pixels, pixels);
    }
    EXPECT_TRUE(found);
}

// What a file may do to the reader: every change is refused or read, but
// nothing else happens.
TEST(GifReader, RefusesWhatTheWriterDoesNotMake) {
    const std::vector<uint8_t> good = WriteFile(RandomPixels(12 * 9, 7), 12, 9);
    size_t dataEnd = 0;
    SubBlockLengths(good, dataEnd);
    const size_t blockAt = dataEnd + 14;
    auto patched = [&](std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
        std::vector<uint8_t> f = good;
        for (auto [at, value] : bytes) f.at(at) = value;
        return f;
    };
    std::vector<uint8_t> noExtension(good.begin(), good.begin() + static_cast<long>(dataEnd));
    noExtension.push_back(0x3B);
    noExtension.resize(noExtension.size() + 800, 0);
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        bool accepted, foreign;
    };
    const Case cases[] = {
        {"as written", good, true, false},
        {"GIF89a", patched({{4, '9'}}), false, false},
        {"16 colours", patched({{10, 0xF3}}), false, false},
        {"width 0", patched({{6, 0}, {7, 0}}), false, false},
        {"negative height", patched({{9, 0x80}}), false, false},
        {"over 4000000 pixels", patched({{6, 0xD0}, {7, 0x07}, {8, 0xD1}, {9, 0x07}}), false, false},
        {"other identifier", patched({{dataEnd + 3, 'X'}}), false, true},
        {"identifier size 12", patched({{dataEnd + 2, 12}}), false, true},
        {"no extension", noExtension, false, false},
        {"31 marks", patched({{blockAt + block::kMarkCount, 31}}), false, false},
        {"block of another width", patched({{blockAt + block::kSiz, 13}}), false, false},
        {"block of another height", patched({{blockAt + block::kSizy, 8}}), false, false},
        // Without the tag the block is not ours to apply, and its sizes are
        // not looked at.
        {"no tag", patched({{blockAt + 1, 'X'}, {blockAt + block::kSiz, 13}}), true, false},
    };
    for (const Case& c : cases) {
        GifReadResult r;
        ASSERT_NO_THROW(r = Read(c.file)) << c.name;
        EXPECT_EQ(r.accepted, c.accepted) << c.name;
        EXPECT_EQ(r.foreignExtension, c.foreign) << c.name;
        EXPECT_LE(r.pixels.size(), 12u * 9u) << c.name;
    }

}

// Data sub-blocks holding a clear code, then `literals` + 1 literal codes at
// the widths the reader expects, then the end code.
std::vector<uint8_t> LiteralStream(int literals) {
    std::vector<uint8_t> bytes;
    uint32_t acc = 0, limit = 512, next = 258;
    int bits = 0, width = 9;
    auto put = [&](uint32_t code) {
        acc |= code << bits;
        bits += width;
        for (; bits >= 8; bits -= 8, acc >>= 8) bytes.push_back(static_cast<uint8_t>(acc));
    };
    put(256);
    put(1);
    for (int i = 0; i < literals; ++i) {
        put(1);
        if (next >= limit - 1 && width < 12) {
            ++width;
            limit *= 2;
        }
        ++next;
    }
    put(257);
    bytes.push_back(static_cast<uint8_t>(acc));
    std::vector<uint8_t> blocks;
    for (size_t at = 0; at < bytes.size(); at += 255) {
        const size_t n = std::min<size_t>(255, bytes.size() - at);
        blocks.push_back(static_cast<uint8_t>(n));
        blocks.insert(blocks.end(), bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + n));
    }
    blocks.push_back(0);
    return blocks;
}

TEST(GifReader, CodeStreamsThatBreak) {
    struct Case {
        const char* name;
        int width, height, literals;
        bool accepted;
    };
    const Case cases[] = {
        {"fits", 11, 11, 120, true},
        {"one pixel more than the picture", 11, 11, 121, false},
        // The table fills up without a clear code: the width would pass 12.
        {"table full", 64, 64, 3837, true},
        {"width above 12", 64, 64, 3838, false},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> file = WriteFile(std::vector<uint8_t>(size_t(c.width * c.height), 1), c.width, c.height);
        size_t end = 0;
        SubBlockLengths(file, end);
        std::vector<uint8_t> spliced(file.begin(), file.begin() + static_cast<long>(testing::kImageDataOffset + 1));
        const std::vector<uint8_t> stream = LiteralStream(c.literals);
        spliced.insert(spliced.end(), stream.begin(), stream.end());
        spliced.insert(spliced.end(), file.begin() + static_cast<long>(end), file.end());
        EXPECT_EQ(Read(spliced).accepted, c.accepted) << c.name;
    }
}

// Every cut of a small file and every byte changed: refused or read, never
// more (the sanitizer build watches every access).
TEST(GifReader, TruncatedAndFlippedFiles) {
    const std::vector<uint8_t> good = WriteFile(RandomPixels(30 * 22, 11), 30, 22);
    // The trailer is not read: a file without it is whole.
    for (size_t length = 0; length + 1 < good.size(); ++length) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(length));
        EXPECT_FALSE(Read(cut).accepted) << length;
    }
    for (size_t at = 0; at < good.size(); ++at) {
        std::vector<uint8_t> flipped = good;
        flipped[at] ^= 0xFF;
        const GifReadResult r = Read(flipped);
        if (r.accepted) {
            EXPECT_EQ(r.pixels.size(), size_t(r.width) * size_t(r.height)) << at;
        }
    }
}

}  // namespace
}  // namespace velmora
