#pragma once
// The palette layer's headers, for the window code that shows the palette.

#include "border.hpp"
#include "make_palette.hpp"
#include "marked_index.hpp"
#include "palette.hpp"
#include "palette_editor.hpp"
#include "palette_grid.hpp"
#include "palette_host.hpp"
#include "palette_state.hpp"
