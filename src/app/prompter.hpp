#pragma once
// Every message box and file dialog of the program goes through one prompter,
// so that the window's logic can be driven by tests that answer them without
// a modal window ever blocking.

#include <optional>
#include <string>

#include "user_prompts.hpp"

namespace velmora {

struct FileDialogRequest {
    std::string caption;
    std::string directory;
    std::string filter;         // "GIF files (*.gif)"; several separated by ";;"
    std::string defaultSuffix;  // added to a typed name without one
    std::string fileName;       // shown in the name field at first ("*.gif")
};

class Prompter {
public:
    virtual ~Prompter() = default;

    virtual MessageResult message(const std::string& text, const std::string& caption, MessageButtons buttons,
                                  MessageIcon icon) = 0;

    // The chosen file name, or nothing when the user cancelled.
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFile(const FileDialogRequest& request) = 0;
};

// The application's report of an error nobody else handled: the error's text
// with a period, captioned with the application title as it stands now.
inline void ReportError(Prompter& prompter, const std::string& applicationTitle, const std::exception& error) {
    prompter.message(std::string(error.what()) + ".", applicationTitle, MessageButtons::Ok, MessageIcon::Error);
}

}  // namespace velmora
