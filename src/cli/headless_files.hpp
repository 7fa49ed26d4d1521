#pragma once
// Pictures in and out of the command-line renderer: the palette is built as
// in the window (the saved colours are the palette's), and the picture files
// of the window are saved and loaded with nothing to show.

#include "make_palette.hpp"
#include "palette_host.hpp"
#include "picture_files.hpp"

namespace velmora {

class HeadlessPaletteHost : public PaletteHost {
public:
    void paletteChanged(const PaletteObject&) override {}
    void showStrip(const IndexImage&) override {}
    void drawPicturePreview() override {}
};

class HeadlessFileHost : public PictureFileHost {
public:
    HeadlessFileHost(ProgramState& state, const PaletteScreen& screen) : state_(state), screen_(screen) {}
    void setBusyCursor(bool) override {}
    void drawSaveMark(int, int, int) override {}
    void showLoadProgress(int) override {}
    void setLoadProgress(int) override {}
    void hideLoadProgress() override {}
    void marksReplaced() override { MakePalette(state_, screen_); }

private:
    ProgramState& state_;
    PaletteScreen screen_;
};

}  // namespace velmora
