#pragma once
// The application object. An error that escapes an event handler must not
// cross the toolkit's event loop; it ends here, in the application's error
// report.

#include <QApplication>

#include <exception>
#include <functional>

namespace velmora {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    std::function<void(const std::exception&)> onUncaught;

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace velmora
