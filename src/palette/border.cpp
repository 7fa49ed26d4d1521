#include "border.hpp"

#include <vector>

#include "palette.hpp"

namespace velmora {
namespace {

struct Band {
    int x0, y0, x1, y1;  // right and bottom edges excluded
    uint8_t index;
};

// The bands in the order they are laid down; later bands win where they
// cross (the black columns cut through the white rows at the corners). The
// top has 6 black and 5 white rows; the other sides 5 black and 6 white.
std::vector<Band> BorderBands(int w, int h) {
    const auto black = static_cast<uint8_t>(kBlackEntry), white = static_cast<uint8_t>(kWhiteEntry);
    return {
        {0, 0, w, 6, black},                // top rows 0..5
        {0, h - 5, w, h, black},            // bottom rows h-5..h-1
        {0, 6, w, 11, white},               // rows 6..10
        {0, h - 11, w, h - 5, white},       // rows h-11..h-6
        {0, 0, 5, h, black},                // columns 0..4
        {w - 5, 0, w, h, black},            // columns w-5..w-1
        {5, 11, 11, h - 9, white},          // columns 5..10, rows 11..h-10
        {w - 11, 11, w - 5, h - 9, white},  // columns w-11..w-6, rows 11..h-10
    };
}

void Fill(PictureBuffer& buffer, const Band& band) {
    for (int y = band.y0; y < band.y1; ++y)
        for (int x = band.x0; x < band.x1; ++x)
            buffer.bytes[static_cast<size_t>(y) * static_cast<size_t>(buffer.width) + static_cast<size_t>(x)] =
                band.index;
}

}  // namespace

BorderResult addborder1Click(ProgramState& state, const PaletteScreen& screen) {
    PictureBuffer& buffer = state.buffer;
    // The buffer's own size, not the parameters': a run that failed in
    // set-up may have changed `siz` without making a new buffer.
    const int w = buffer.width, h = buffer.height;
    if (!buffer.present || w <= 0 || h <= 0 ||
        buffer.bytes.size() < static_cast<size_t>(w) * static_cast<size_t>(h)) {
        ShowStatus(state, screen.prompts, kBorderNoPictureText);
        return BorderResult::NoPicture;
    }
    if (w < kBorderMinimumSize || h < kBorderMinimumSize) {
        ShowStatus(state, screen.prompts, kBorderTooSmallText);
        return BorderResult::TooSmall;
    }
    // The bitmap gets exactly the frame of the buffer, so that what is shown
    // is what a saved picture will hold.
    const std::vector<Band> bands = BorderBands(w, h);
    for (const Band& band : bands) state.PictureBitmap.fillRect(band.x0, band.y0, band.x1, band.y1, band.index);
    for (const Band& band : bands) Fill(buffer, band);
    screen.picture.drawPicture();
    return BorderResult::Added;
}

}  // namespace velmora
