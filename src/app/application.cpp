#include "application.hpp"

#include <QIcon>

namespace velmora {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // The installed menu entry and icon go by this name; window managers and
    // compositors match the program's windows to them through it.
    setDesktopFileName(QStringLiteral("velmora32"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("velmora32")));
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        if (onUncaught) onUncaught(e);
    }
    return false;
}

}  // namespace velmora
