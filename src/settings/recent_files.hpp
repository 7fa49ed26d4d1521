#pragma once
// The pictures last loaded or saved, newest first, kept in the settings
// store beside the five settings as "recent1" to "recent8".

#include <string>
#include <vector>

#include "settings_store.hpp"

namespace velmora {

class RecentFiles {
public:
    static constexpr size_t kMaxFiles = 8;

    // The file goes to the top of the list (once), the oldest falling off.
    void add(const std::string& path);
    void remove(const std::string& path);
    const std::vector<std::string>& files() const { return files_; }

    // Reads the values there are; one that cannot be read is skipped. Without
    // the settings key nothing is read.
    void read(SettingsStore& store);
    // Writes all eight values (empty for unused places) when the key exists;
    // a write error is thrown.
    void write(SettingsStore& store) const;

    static std::string ValueName(size_t slot) { return "recent" + std::to_string(slot + 1); }

private:
    std::vector<std::string> files_;
};

}  // namespace velmora
