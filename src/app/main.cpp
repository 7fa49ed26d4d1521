// Velmora 32: start-up. The program object creates the windows in their
// order; the event loop runs until the main window closes.

#include "application.hpp"
#include "program.hpp"
#include "qt_prompter.hpp"
#include "qsettings_store.hpp"

int main(int argc, char** argv) {
    velmora::Application app(argc, argv);
    velmora::QtPrompter prompter;
    velmora::QSettingsStore settings(velmora::DefaultSettingsFile());
    velmora::Program program(prompter, settings, velmora::FirstStartSettings());
    app.onUncaught = [&](const std::exception& e) {
        velmora::ReportError(prompter, program.state().applicationTitle, e);
    };
    program.start();
    return app.exec();
}
