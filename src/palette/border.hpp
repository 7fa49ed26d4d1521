#pragma once
// Colours > "add border": a black outer and a white inner band around the
// picture, in the picture buffer and on the picture bitmap, in the fixed
// entries 183 and 182 so that the frame stays black and white under any
// palette.

#include "palette_host.hpp"
#include "program_state.hpp"

namespace velmora {

// The frame needs 11 columns and 11 rows.
inline constexpr int kBorderMinimumSize = 11;

inline constexpr const char* kBorderNoPictureText = "No picture to add a border to.";
inline constexpr const char* kBorderTooSmallText = "Picture too small for a border.";

enum class BorderResult { Added, NoPicture, TooSmall };

// Frames the picture; with no picture, or one too small for the frame, the
// buffer is left alone and the status line says why.
BorderResult addborder1Click(ProgramState& state, const PaletteScreen& screen);

}  // namespace velmora
