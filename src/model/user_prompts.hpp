#pragma once
// What the user is told and asked: the status line, the cancel label, the
// application title, message boxes and the parameters dialog. The window
// implements it with the toolkit; the command-line renderer and the tests
// without one.

#include <exception>
#include <string>

namespace velmora {

enum class MessageButtons { Ok, AbortRetryIgnore };
enum class MessageIcon { None, Information, Warning, Error };
enum class MessageResult { Ok, Abort, Retry, Ignore };

// Every message box of the program goes through one of these.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                                     MessageIcon icon) = 0;
};

// The application's report of an error nobody else handled: the error's text
// with a period, captioned with the application title as it stands now.
void ReportError(MessageBoxes& boxes, const std::string& applicationTitle, const std::exception& error);

class UserPrompts : public MessageBoxes {
public:
    virtual void setStatusText(const std::string& text) = 0;  // perc
    virtual void showCancelLabel(bool visible) = 0;          // esc
    virtual void setApplicationTitle(const std::string& title) = 0;

    // The modal parameters dialog; returns its modal result (1 OK, 99 RUN,
    // 2 closed by the frame).
    virtual int showParametersDialog() = 0;
};

}  // namespace velmora
