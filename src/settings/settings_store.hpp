#pragma once
// The per-user settings store as the program uses it: one key holding
// string values, looked up by name without regard to case.

#include <optional>
#include <string>

namespace velmora {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual bool keyExists() = 0;
    // Makes the key (the installer's job; the program itself only opens it).
    virtual void createKey() = 0;
    // Nothing when the value does not exist. Throws when it exists but is
    // not a string.
    virtual std::optional<std::string> readString(const std::string& name) = 0;
    // Throws when the value cannot be written.
    virtual void writeString(const std::string& name, const std::string& value) = 0;
};

// The store's error for a value of another type than a string.
inline std::string InvalidDataTypeText(const std::string& name) { return "Invalid data type for '" + name + "'"; }

}  // namespace velmora
