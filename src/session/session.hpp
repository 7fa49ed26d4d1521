#pragma once
// One program without a toolkit: the state and everything that acts on it
// (mode actions, custom formula compiler, render driver with its workers,
// palette build, picture files), wired once. The window, the command-line
// renderer, the benchmarks and the tests each build one and give it their
// hosts.

#include <exception>

#include "custom_formula.hpp"
#include "make_palette.hpp"
#include "mode_actions.hpp"
#include "picture_files.hpp"
#include "program_state.hpp"
#include "render_driver.hpp"

namespace velmora {

// Where a session shows what it does and asks what it needs.
struct SessionHosts {
    UserPrompts& prompts;
    PictureView& view;
    EventPump& pump;
    // The palette's own screen: the window gives the palette prompts of its
    // own, which hold a message box back while the editor paints.
    PaletteScreen palette;
    PictureFileHost& files;
    CustomFormulaDialogHost& customFormula;
};

class Session {
public:
    explicit Session(SessionHosts hosts);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The start-up state without a start-up picture: what a session that
    // shows no window starts from.
    void startWithoutPicture();

    // The report of an error nobody else handled.
    void reportError(const std::exception& error) { ReportError(state, hosts_.prompts, error); }

    const SessionHosts& hosts() const { return hosts_; }

    ProgramState state;
    CustomFormulaCompiler customFormula;
    ModeActions actions;
    RenderDriver driver;
    PaletteBuild paletteBuild;
    PictureFiles files;

private:
    SessionHosts hosts_;
};

}  // namespace velmora
