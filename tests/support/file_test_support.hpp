#pragma once
// A session that saves and loads pictures in memory; small pictures and
// ways to take a file apart.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "gif_writer.hpp"
#include "test_session.hpp"

namespace velmora::testing {

// A session at 40 pixels wide, saving to and loading from memory.
struct FileProgram : TestSession {
    explicit FileProgram(const std::string& siz = "40") { text(TextField::siz, siz); }

    std::vector<uint8_t> save() {
        MemorySink sink;
        files.SaveGif(sink, "/pictures/saved.gif");
        return sink.bytes;
    }
    // As "Load from GIF..." does it.
    LoadResult load(const std::vector<uint8_t>& bytes, const std::string& name = "/pictures/loaded.gif") {
        MemorySource source(bytes);
        return files.LoadGif(source, name).result;
    }
};

// A file of the writer's for `pixels` with a filled block.
inline std::vector<uint8_t> WriteFile(const std::vector<uint8_t>& pixels, int width, int height) {
    FileProgram p;
    p.s.params.siz = width;
    p.s.params.sizy = height;
    ParameterBlock block;
    FillParameterBlock(block, p.s, p.formula.formulaText());
    MemorySink sink;
    WriteGif(sink, GifImage{pixels.data(), width, height, {}}, block);
    return sink.bytes;
}

inline std::vector<uint8_t> RandomPixels(size_t n, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> pixels(n);
    for (auto& p : pixels) p = static_cast<uint8_t>(random());
    return pixels;
}

// Where the image data starts (its minimum code size byte) in a file of ours.
inline constexpr size_t kImageDataOffset = 6 + 7 + 768 + 10;

// The lengths of the data sub-blocks, the terminator's 0 included, and the
// offset just after the terminator.
inline std::vector<int> SubBlockLengths(const std::vector<uint8_t>& file, size_t& end) {
    std::vector<int> lengths;
    size_t at = kImageDataOffset + 1;
    for (;;) {
        const int n = file.at(at);
        lengths.push_back(n);
        at += 1 + static_cast<size_t>(n);
        if (n == 0) break;
    }
    end = at;
    return lengths;
}

}  // namespace velmora::testing
