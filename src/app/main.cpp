// Velmora 32: start-up. The program object creates the windows in their
// order; the event loop runs until the main window closes.

#include <filesystem>
#include <system_error>

#include "application.hpp"
#include "program.hpp"
#include "qt_prompter.hpp"
#include "qsettings_store.hpp"

int main(int argc, char** argv) {
    velmora::Application app(argc, argv);
    velmora::QtPrompter prompter;
    velmora::QSettingsStore settings(velmora::DefaultSettingsFile());
    velmora::Program program(prompter, settings, velmora::FirstStartSettings());
    // "velmora32 picture.gif", as a file manager's "Open with" starts it; the
    // toolkit has taken its own options out of argv by now.
    if (argc > 1) {
        std::error_code error;
        const std::filesystem::path named = std::filesystem::absolute(argv[1], error);
        program.setCommandLinePicture(error ? std::string(argv[1]) : named.string());
    }
    app.onUncaught = [&](const std::exception& e) {
        velmora::ReportError(prompter, program.state().applicationTitle, e);
    };
    program.start();
    return app.exec();
}
