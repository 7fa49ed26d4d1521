#pragma once
// Zooming and placing the inversion circle with the mouse: a band grows
// symmetrically around the press point while the pointer moves, and the
// release either re-centres and re-ranges the view and runs, or (with Shift)
// places the inversion circle.

#include <cstdint>
#include <exception>

#include "program_state.hpp"
#include "zoom_host.hpp"

namespace velmora {

enum class MouseButton { Left, Middle, Right, Other };

// The state kept between the three mouse events.
struct ZoomSelection {
    bool active = false;
    int32_t anchorX = 0, anchorY = 0;
    // The current band; right is the pointer's last x.
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    // The band currently shown on the window.
    int32_t drawnLeft = 0, drawnTop = 0, drawnRight = 0, drawnBottom = 0;

    bool operator==(const ZoomSelection&) const = default;
};

class ZoomController {
public:
    ZoomController(ProgramState& state, ZoomHost& host, UserPrompts& prompts)
        : s_(state), host_(host), prompts_(prompts) {}

    // Coordinates are the main window's client coordinates, the system in
    // which the picture lies at (xoff, yoff).
    void FormMouseDown(MouseButton button, bool shift, int x, int y);
    void FormMouseMove(bool shift, int x, int y);
    void FormMouseUp(MouseButton button, bool shift, int x, int y);

    const ZoomSelection& selection() const { return sel_; }

    static constexpr const char* kZeroSizeText = "Area selected is of zero size.";
    static constexpr const char* kZeroSizeCaption = "Mouse selection error";

private:
    bool ignored(MouseButton button) const;
    void moveRectangle(int x);
    void moveCircle(int x);
    // Undraws the shown band or circle and draws the new one in its place.
    void replaceShape(bool ellipse, int32_t right, int32_t left, int32_t top, int32_t bottom);
    void placeInversionCircle();
    void zoom();
    void invertRect(int32_t x, int32_t y, int32_t width, int32_t height);
    void invertEllipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    void reportFault(const std::exception& e);

    ProgramState& s_;
    ZoomHost& host_;
    UserPrompts& prompts_;
    ZoomSelection sel_;
};

}  // namespace velmora
