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

// A store that keeps nothing: for a program that must not touch the user's
// settings (the benchmarks). It never has the key, so nothing is read.
class NoSettingsStore : public SettingsStore {
public:
    bool keyExists() override { return false; }
    void createKey() override {}
    std::optional<std::string> readString(const std::string&) override { return std::nullopt; }
    void writeString(const std::string&, const std::string&) override {}
};

// The store's error for a value of another type than a string.
inline std::string InvalidDataTypeText(const std::string& name) { return "Invalid data type for '" + name + "'"; }

}  // namespace velmora
