#pragma once
// A settings store in memory: value names match without regard to case, as
// in the real store. Values can be made unreadable (another type than a
// string) and writes can be made to fail after a number of them.

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "settings_store.hpp"

namespace velmora::testing {

class MemorySettingsStore : public SettingsStore {
public:
    bool keyExists() override { return exists; }
    void createKey() override { exists = true; }
    std::optional<std::string> readString(const std::string& name) override {
        const auto it = values.find(Folded(name));
        if (it == values.end()) return std::nullopt;
        if (notStrings.count(Folded(name))) throw std::runtime_error(InvalidDataTypeText(name));
        return it->second.second;
    }
    void writeString(const std::string& name, const std::string& value) override {
        if (writesBeforeFailure == 0) throw std::runtime_error("Failed to set data for '" + name + "'");
        --writesBeforeFailure;
        written.push_back(name);
        values[Folded(name)] = {name, value};
    }

    // A value as stored: its name as last written, and its text.
    void put(const std::string& name, const std::string& value) { values[Folded(name)] = {name, value}; }
    std::string get(const std::string& name) const {
        const auto it = values.find(Folded(name));
        return it == values.end() ? std::string() : it->second.second;
    }

    bool exists = false;
    std::map<std::string, std::pair<std::string, std::string>> values;
    std::set<std::string> notStrings;  // folded names
    std::vector<std::string> written;  // names, in order
    int writesBeforeFailure = -1;      // negative: never fails

    static std::string Folded(std::string name) {
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        return name;
    }
};

}  // namespace velmora::testing
