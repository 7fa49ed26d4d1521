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

class Prompter : public MessageBoxes {
public:
    // The chosen file name, or nothing when the user cancelled.
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFile(const FileDialogRequest& request) = 0;
};

}  // namespace velmora
