#pragma once
// The per-user settings store of the desktop program: an INI file in the
// user's configuration folder, with the settings key as a group. Value names
// are matched without regard to case, so "Startfile" and "startfile" are
// one value, whichever spelling the file holds.

#include <QSettings>

#include <memory>
#include <string>

#include "settings.hpp"

namespace velmora {

// <configuration folder>/Tarnwick/Velmo32.ini.
QString DefaultSettingsFile();

// The picture the program ships, rendered when it is built and kept in the
// program's data folder (DataDirectory).
inline constexpr const char* kShippedPictureName = "velmora-start.gif";

// What the first start writes: the shipped picture as the start-up picture,
// and the user's pictures folder (or home) as every working directory.
Settings FirstStartSettings();

// A settings path that names something other than a regular file (a
// device, a pipe, a directory, through a link or not), or a file far larger
// than settings ever are, is left alone: the store then holds no key, and
// making one reports why.
class QSettingsStore : public SettingsStore {
public:
    explicit QSettingsStore(const QString& fileName);

    bool keyExists() override;
    void createKey() override;
    std::optional<std::string> readString(const std::string& name) override;
    void writeString(const std::string& name, const std::string& value) override;

private:
    // The name the file holds for `name`, matched without regard to case
    // (its exact spelling first); empty when there is none.
    QString storedName(const QString& name);

    // Why the file is left alone; empty when it is used.
    std::string refusal_;
    std::unique_ptr<QSettings> settings_;
    bool created_ = false;
};

}  // namespace velmora
