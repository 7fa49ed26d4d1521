#include "program_state.hpp"

#include <exception>

namespace velmora {

void SetSetKind(ProgramState& state, SetKind kind) {
    state.setKind = kind;
    state.menu.setChecked(kind == SetKind::Mandelbrot ? MenuId::Mandelbrot : MenuId::Julia, true);
}

void ReportError(ProgramState& state, UserPrompts& prompts, const std::exception& error) {
    prompts.messageBox(std::string(error.what()) + ".", state.applicationTitle, MessageButtons::Ok,
                       MessageIcon::Error);
}

}  // namespace velmora
