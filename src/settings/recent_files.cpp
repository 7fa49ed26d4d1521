#include "recent_files.hpp"

#include <algorithm>
#include <stdexcept>

namespace velmora {

void RecentFiles::add(const std::string& path) {
    if (path.empty()) return;
    remove(path);
    files_.insert(files_.begin(), path);
    if (files_.size() > kMaxFiles) files_.resize(kMaxFiles);
}

void RecentFiles::remove(const std::string& path) { std::erase(files_, path); }

void RecentFiles::read(SettingsStore& store) {
    files_.clear();
    if (!store.keyExists()) return;
    for (size_t slot = 0; slot < kMaxFiles; ++slot) {
        std::optional<std::string> value;
        try {
            value = store.readString(ValueName(slot));
        } catch (const std::exception&) {
            continue;  // not a string: not one of ours
        }
        if (value && !value->empty() && std::find(files_.begin(), files_.end(), *value) == files_.end())
            files_.push_back(*value);
    }
}

void RecentFiles::write(SettingsStore& store) const {
    if (!store.keyExists()) return;
    for (size_t slot = 0; slot < kMaxFiles; ++slot)
        store.writeString(ValueName(slot), slot < files_.size() ? files_[slot] : std::string());
}

}  // namespace velmora
