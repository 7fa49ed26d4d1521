#pragma once
// Moving the view with the wheel, the keys and a drag: where a window point
// lies in the plane, and the centre and range of a view zoomed about a point
// or moved by some pixels. Pixels map to the plane as a run maps them, so a
// point under the pointer stays under it after a zoom.

#include <cstdint>
#include <string>

#include "program_state.hpp"

namespace velmora {

// The picture on the window and the view it shows.
struct ViewGeometry {
    int32_t siz = 0, sizy = 0;  // the picture's size in pixels
    int32_t xoff = 0, yoff = 0;  // its top-left corner on the window
    long double xce = 0.0L, yce = 0.0L, Rang = 0.0L;

    bool empty() const { return siz <= 0 || sizy <= 0; }
    bool contains(int windowX, int windowY) const {
        return windowX >= xoff && windowX < xoff + siz && windowY >= yoff && windowY < yoff + sizy;
    }
};

// The picture shown and the view last read for it.
ViewGeometry ShownGeometry(const ProgramState& state);

struct PlanePosition {
    long double x = 0.0L, y = 0.0L;
};

// The plane point of a window point: the run's mapping of the pixel under it
// (without the inversion or sphere mapping). Throws the fault of a value
// that cannot be formed.
PlanePosition PlanePointAt(const ViewGeometry& g, int windowX, int windowY);

struct ViewCentre {
    long double xce = 0.0L, yce = 0.0L, Rang = 0.0L;
};

// Zoomed in by 2 per notch (out for negative notches), the plane point under
// the window point staying where it is.
ViewCentre ZoomedAbout(const ViewGeometry& g, int windowX, int windowY, int notches);
// Zoomed by 2 per notch about the centre.
ViewCentre ZoomedAboutCentre(const ViewGeometry& g, int notches);
// The centre moved by (dx, dy) pixels of the picture; the range stays.
ViewCentre Moved(const ViewGeometry& g, long double dxPixels, long double dyPixels);

// Fixed-point text of a value with at least `decimals` decimals, and more
// where that many do not read back as the same value.
std::string ExactFixed(long double value, int width, int decimals);

// Writes a view's centre and range into the parameter texts (and numbers),
// the range as 20:17 and the centre as 20:18 or with more decimals where
// those would not read back exactly.
void WriteViewCentre(ProgramState& state, const ViewCentre& view);

}  // namespace velmora
