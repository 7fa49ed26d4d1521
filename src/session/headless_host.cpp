#include "headless_host.hpp"

namespace velmora {

MessageResult HeadlessHost::messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                                       MessageIcon) {
    messages.push_back({text, caption, buttons});
    return buttons == MessageButtons::AbortRetryIgnore ? MessageResult::Ignore : MessageResult::Ok;
}

}  // namespace velmora
