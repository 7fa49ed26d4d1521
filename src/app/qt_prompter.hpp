#pragma once
// The prompter of the running program: real message boxes and file dialogs,
// parented to whichever window of ours is active.

#include "prompter.hpp"

namespace velmora {

class QtPrompter : public Prompter {
public:
    MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                          MessageIcon icon) override;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;
    std::optional<std::string> saveFile(const FileDialogRequest& request) override;
};

}  // namespace velmora
