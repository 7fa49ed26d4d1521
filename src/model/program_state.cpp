#include "program_state.hpp"

#include <exception>

namespace velmora {

void SetSetKind(ProgramState& state, SetKind kind) {
    state.setKind = kind;
    state.menu.setChecked(kind == SetKind::Mandelbrot ? MenuId::Mandelbrot : MenuId::Julia, true);
    // Its points are the Julia constants of a Mandelbrot picture.
    state.menu.setAvailable(MenuId::JuliaPreview, kind == SetKind::Mandelbrot);
}

void ReportError(MessageBoxes& boxes, const std::string& applicationTitle, const std::exception& error) {
    boxes.messageBox(std::string(error.what()) + ".", applicationTitle, MessageButtons::Ok, MessageIcon::Error);
}

}  // namespace velmora
