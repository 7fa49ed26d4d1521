#pragma once
// The state the main window owns for the life of the program.

#include <cstdint>
#include <string>
#include <vector>

#include "menu_model.hpp"
#include "parameter_texts.hpp"
#include "picture_parameters.hpp"

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
    ParameterTexts texts;
    MenuModel menu;
    PictureBuffer buffer;

    int32_t xoff = 0, yoff = 0;
    // Width for which the picture bitmap was last sized; the bitmap starts
    // empty, so no width matches it yet.
    int32_t BitmapWidth = 0;
    int32_t ResumeColumn = 0;
    bool ContinueFlag = false;
    std::string applicationTitle = kApplicationTitle;
    std::string statusText = std::string(13, '*') + "Status" + std::string(13, '*');
};

}  // namespace velmora
