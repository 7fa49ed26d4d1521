#pragma once
// A program without a window that saves and loads pictures: the state, the
// recording host, the custom formula dialog, the render driver and the
// picture files, wired as the window wires them. Also small pictures and
// ways to take a file apart.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "custom_formula.hpp"
#include "gif_writer.hpp"
#include "picture_files.hpp"
#include "recording_host.hpp"
#include "startup.hpp"

namespace velmora::testing {

class RecordingFileHost : public PictureFileHost {
public:
    void setBusyCursor(bool b) override { busy.push_back(b); }
    void drawSaveMark(int xoff, int, int row) override {
        markRows.push_back(row);
        markX = xoff - 10;
    }
    void showLoadProgress(int maximum) override {
        progressShown = true;
        progressMaximum = maximum;
    }
    void setLoadProgress(int position) override { progress.push_back(position); }
    void hideLoadProgress() override { progressShown = false; }
    void marksReplaced() override { ++paletteBuilds; }

    std::vector<bool> busy;
    std::vector<int> markRows, progress;
    int markX = 0, progressMaximum = -1, paletteBuilds = 0;
    bool progressShown = false;
};

struct FileProgram {
    ProgramState s;
    RecordingHost host;
    HeadlessCustomFormula formula{s, host};
    ModeActions actions{s, &formula};
    RenderDriver driver{s, host, host, host};
    RecordingFileHost fileHost;
    PictureFiles files{s, actions, driver, formula, {host, host, fileHost}};

    explicit FileProgram(const std::string& siz = "40") {
        InitialiseWithoutPicture(s, actions);
        driver.addObserver(files);
        s.texts.setText(TextField::siz, siz);
    }

    std::vector<uint8_t> save() {
        MemorySink sink;
        files.SaveGif(sink, "/pictures/saved.gif");
        return sink.bytes;
    }
    // As "Load from GIF..." does it.
    LoadResult load(const std::vector<uint8_t>& bytes, const std::string& name = "/pictures/loaded.gif") {
        struct Keep {
            bool& flag;
            ~Keep() { flag = false; }
        } keep{s.params.KeepBuffer = true};
        MemorySource source(bytes);
        return files.LoadGif(source, name);
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
