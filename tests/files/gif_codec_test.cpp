// The GIF writer's exact bytes and the reader's handling of what it made and
// of everything else.

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

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
    const size_t descriptorAt = 13 + 768;
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
        {"damaged tag", patched({{blockAt + 1, 'X'}}), false, false},
        {"tag length", patched({{blockAt, 4}}), false, false},
        // The marks by the palette file's rule.
        {"no marks", patched({{blockAt + block::kMarkCount, 0}}), false, false},
        {"two marks on one entry", patched({{blockAt + block::kMarks + 4, 0}}), false, false},
        {"terminator on the last mark's entry", patched({{blockAt + block::kMarks + 4 * 13, 0xB5}}), true, false},
        // Numbers a run could only fault on.
        {"infinite bailout", patched({{blockAt + block::kMaxmod + 8, 0xFF}, {blockAt + block::kMaxmod + 9, 0x7F}}), false, false},
        {"NaN range", patched({{blockAt + block::kRang + 8, 0xFF}, {blockAt + block::kRang + 9, 0xFF}, {blockAt + block::kRang + 6, 1}}), false, false},
        {"unnormal x-centre", patched({{blockAt + block::kXce + 9, 0x3F}}), false, false},
        {"pseudo-denormal inversion radius", patched({{blockAt + block::kInvr + 7, 0x80}, {blockAt + block::kInvr + 8, 0}, {blockAt + block::kInvr + 9, 0}}), false, false},
        {"NaN p1", patched({{blockAt + block::kSingles + 2, 0xC0}, {blockAt + block::kSingles + 3, 0x7F}}), false, false},
        // The image as the screen, and the codes as the writer makes them.
        {"no image separator", patched({{descriptorAt, 0x2D}}), false, false},
        {"image offset", patched({{descriptorAt + 1, 1}}), false, false},
        {"narrower image", patched({{descriptorAt + 5, 11}}), false, false},
        {"shorter image", patched({{descriptorAt + 7, 8}}), false, false},
        {"local colour table", patched({{descriptorAt + 9, 0x87}}), false, false},
        {"interlaced", patched({{descriptorAt + 9, 0x40}}), false, false},
        {"minimum code size 7", patched({{testing::kImageDataOffset, 7}}), false, false},
        {"trailer missing", std::vector<uint8_t>(good.begin(), good.end() - 1), true, false},
    };
    for (const Case& c : cases) {
        GifReadResult r;
        ASSERT_NO_THROW(r = Read(c.file)) << c.name;
        EXPECT_EQ(r.accepted, c.accepted) << c.name;
        EXPECT_EQ(r.foreignExtension, c.foreign) << c.name;
        EXPECT_LE(r.pixels.size(), 12u * 9u) << c.name;
    }
}

// Data sub-blocks holding `codes`, each at the width the reader expects.
std::vector<uint8_t> CodeStream(const std::vector<uint32_t>& codes) {
    std::vector<uint8_t> bytes;
    uint32_t acc = 0, limit = 512, next = 258;
    int bits = 0, width = 9;
    bool first = true;
    for (const uint32_t code : codes) {
        acc |= code << bits;
        bits += width;
        for (; bits >= 8; bits -= 8, acc >>= 8) bytes.push_back(static_cast<uint8_t>(acc));
        if (code == 256) {
            width = 9, limit = 512, next = 258, first = true;
        } else if (code != 257 && !std::exchange(first, false)) {
            if (next >= limit - 1 && width < 12) {
                ++width;
                limit *= 2;
            }
            ++next;
        }
    }
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

// `count` codes of pixel 1.
std::vector<uint32_t> Ones(size_t count) { return std::vector<uint32_t>(count, 1); }

std::vector<uint32_t> Join(std::initializer_list<std::vector<uint32_t>> parts) {
    std::vector<uint32_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The stream must start with a clear code, use only codes the table holds
// (or the one it is about to make) and end with the end code exactly when
// the picture is full.
TEST(GifReader, CodeStreamsThatBreak) {
    struct Case {
        const char* name;
        int width, height;
        std::vector<uint32_t> codes;
        bool accepted;
    };
    const Case cases[] = {
        {"fits", 11, 11, Join({{256}, Ones(121), {257}}), true},
        {"one pixel short", 11, 11, Join({{256}, Ones(120), {257}}), false},
        {"one pixel more than the picture", 11, 11, Join({{256}, Ones(122), {257}}), false},
        {"no end code", 11, 11, Join({{256}, Ones(121)}), false},
        {"no clear code first", 11, 11, Join({Ones(121), {257}}), false},
        {"clear codes again", 11, 11, Join({{256, 256}, Ones(60), {256}, Ones(61), {257}}), true},
        // 258 stands for "1 1" once the second code has been read.
        {"a code the table holds", 11, 11, Join({{256, 1, 1, 258}, Ones(117), {257}}), true},
        {"the code about to be made", 11, 11, Join({{256, 1, 258}, Ones(118), {257}}), true},
        {"a code past it", 11, 11, Join({{256, 1, 259}, Ones(117), {257}}), false},
        {"a string code first", 11, 11, Join({{256, 258}, Ones(119), {257}}), false},
        {"end code first", 11, 11, Join({{256, 257}}), false},
        // The table fills up without a clear code: the width would pass 12.
        {"table full", 38, 101, Join({{256}, Ones(3838), {257}}), true},
        {"width above 12", 11, 349, Join({{256}, Ones(3839), {257}}), false},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> file = WriteFile(std::vector<uint8_t>(size_t(c.width * c.height), 1), c.width, c.height);
        size_t end = 0;
        SubBlockLengths(file, end);
        std::vector<uint8_t> spliced(file.begin(), file.begin() + static_cast<long>(testing::kImageDataOffset + 1));
        const std::vector<uint8_t> stream = CodeStream(c.codes);
        spliced.insert(spliced.end(), stream.begin(), stream.end());
        spliced.insert(spliced.end(), file.begin() + static_cast<long>(end), file.end());
        const GifReadResult r = Read(spliced);
        EXPECT_EQ(r.accepted, c.accepted) << c.name;
        if (r.accepted) {
            EXPECT_EQ(r.pixels, std::vector<uint8_t>(size_t(c.width * c.height), 1)) << c.name;
        }
    }
}

// The texts follow the block in an extension of their own, framed as data
// sub-blocks, and everything before them stays as it was. Once that
// extension begins it must be whole and sound; another one there is passed
// over, as is the lack of one.
TEST(GifFiles, TextsTravelInTheirOwnExtension) {
    const std::vector<uint8_t> pixels = RandomPixels(12 * 9, 5);
    ParameterBlock block;
    {
        testing::FileProgram p;
        p.s.params.siz = 12;
        p.s.params.sizy = 9;
        FillParameterBlock(block, p.s, "z*z");
    }
    PictureTexts texts;
    for (size_t i = 0; i < texts.dialog.size(); ++i) texts.dialog[i] = "text " + std::to_string(i);
    texts.dialog[0] = "";
    texts.constants = {"0.3", "-1e-20", "x", "", "1", "2"};
    texts.formula = std::string(300, 'z') + std::string("\n\0end", 5);  // more than one sub-block
    auto write = [&](const PictureTexts* t) {
        MemorySink sink;
        WriteGif(sink, GifImage{pixels.data(), 12, 9, {}}, block, t);
        return sink.bytes;
    };
    const std::vector<uint8_t> bare = write(nullptr), ours = write(&texts);
    const size_t at = bare.size() - 1;  // where the trailer was
    ASSERT_GT(ours.size(), bare.size());
    EXPECT_TRUE(std::equal(bare.begin(), bare.end() - 1, ours.begin()));
    EXPECT_EQ(std::string(ours.begin() + long(at), ours.begin() + long(at) + 14), std::string("\x21\xFF\x0BVELMOR32TXT", 14));
    size_t next = at + 14;
    std::vector<int> lengths;
    while (ours.at(next) != 0) {
        lengths.push_back(ours[next]);
        next += 1 + ours[next];
    }
    ASSERT_GE(lengths.size(), 2u);
    for (size_t i = 0; i + 1 < lengths.size(); ++i) EXPECT_EQ(lengths[i], 255) << i;
    EXPECT_EQ(next + 2, ours.size());
    EXPECT_EQ(ours.back(), 0x3B);

    GifReadResult r = Read(ours);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.texts, texts);
    r = Read(bare);
    EXPECT_TRUE(r.accepted);
    EXPECT_FALSE(r.texts.has_value());

    auto patched = [&](size_t offset, uint8_t value) {
        std::vector<uint8_t> f = ours;
        f.at(offset) = value;
        return f;
    };
    auto cut = [&](size_t length) { return std::vector<uint8_t>(ours.begin(), ours.begin() + long(length)); };
    std::vector<uint8_t> extra = ours;
    extra.insert(extra.end() - 2, {1, 0xAA});
    const struct {
        const char* name;
        std::vector<uint8_t> file;
        bool accepted, texts;
    } cases[] = {
        {"cut in its head", cut(at + 5), false, false},
        {"cut in its data", cut(at + 40), false, false},
        {"cut before its terminator", cut(ours.size() - 2), false, false},
        {"format 2", patched(at + 15, 2), false, false},
        {"24 texts", patched(at + 16, 24), false, false},
        {"a text past the data", patched(at + 20, 0x10), false, false},
        {"bytes left over", extra, false, false},
        {"another extension", patched(at + 13, 'Y'), true, false},
        {"nothing after the block", cut(at), true, false},
    };
    for (const auto& c : cases) {
        r = Read(c.file);
        EXPECT_EQ(r.accepted, c.accepted) << c.name;
        EXPECT_EQ(r.texts.has_value(), c.texts) << c.name;
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
    // A picture of one colour is coded as ever longer strings, each code the
    // one about to be made: any other code there leaves the picture short.
    const std::vector<uint8_t> plain = WriteFile(std::vector<uint8_t>(30 * 22, 9), 30, 22);
    size_t end = 0;
    ASSERT_GT(SubBlockLengths(plain, end).front(), 20);
    for (size_t at = testing::kImageDataOffset + 5; at < testing::kImageDataOffset + 20; ++at) {
        std::vector<uint8_t> flipped = plain;
        flipped[at] ^= 0xFF;
        EXPECT_FALSE(Read(flipped).accepted) << at;
    }
}

}  // namespace
}  // namespace velmora
