#pragma once
// The state the main window owns for the life of the program: parameters
// and their texts, the menus, the palette, and the picture both as computed
// (PictureBuffer) and as displayed (PictureBitmap).

#include <cstdint>
#include <string>
#include <vector>

#include "index_image.hpp"
#include "menu_model.hpp"
#include "palette_state.hpp"
#include "parameter_texts.hpp"
#include "picture_parameters.hpp"
#include "user_prompts.hpp"

namespace velmora {

inline constexpr const char* kApplicationTitle = "Velmora 32 Version 2.01";
inline constexpr const char* kFinishedTitle = "Velmora 32 201.b";

// The picture as one palette index per pixel, row-major.
struct PictureBuffer {
    std::vector<uint8_t> bytes;
    int32_t width = 0, height = 0;
    bool present = false;

    void release() {
        std::vector<uint8_t>().swap(bytes);
        width = height = 0;
        present = false;
    }
};

struct ProgramState {
    PictureParameters params;
    RunFlags run;
    ParameterTexts texts;
    MenuModel menu;
    PictureBuffer buffer;
    PaletteState palette;

    // The displayed picture: palette indices shown through the current
    // palette, so it recolours without being redrawn. Direct colours of the
    // image trap are shown by the nearest entry of the palette of the moment.
    IndexImage PictureBitmap{0, 0, 0};

    // Mandelbrot or Julia; the menu's check marks show it.
    SetKind setKind = SetKind::Julia;

    int32_t xoff = 0, yoff = 0;
    // Width for which the picture bitmap was last sized; the bitmap starts
    // empty, so no width matches it yet.
    int32_t BitmapWidth = 0;
    std::string applicationTitle = kApplicationTitle;
    std::string statusText = std::string(13, '*') + "Status" + std::string(13, '*');
};

// The status line and the title, kept in the state and shown.
inline void ShowStatus(ProgramState& state, UserPrompts& prompts, const std::string& text) {
    state.statusText = text;
    prompts.setStatusText(text);
}
inline void ShowTitle(ProgramState& state, UserPrompts& prompts, const std::string& title) {
    state.applicationTitle = title;
    prompts.setApplicationTitle(title);
}

// Checks "Mandelbrot" or "Julia" (one radio group) and records the kind.
void SetSetKind(ProgramState& state, SetKind kind);

// The application's report of an error nobody else handled, captioned with
// the application title as it stands now.
inline void ReportError(ProgramState& state, MessageBoxes& boxes, const std::exception& error) {
    ReportError(boxes, state.applicationTitle, error);
}

}  // namespace velmora
