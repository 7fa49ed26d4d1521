#include "application.hpp"

namespace velmora {

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        if (onUncaught) onUncaught(e);
    }
    return false;
}

}  // namespace velmora
