#pragma once
// The five strings the program remembers between sessions, and how they go
// in and out of the per-user settings store.

#include <string>
#include <vector>

#include "settings_store.hpp"

namespace velmora {

struct Settings {
    std::string startfile;  // the picture shown at start-up
    std::string gifsavedir;
    std::string gifloaddir;
    std::string palsavedir;
    std::string palloaddir;
    friend bool operator==(const Settings&, const Settings&) = default;
};

// Where the program keeps them: one key of the store, opened, never created
// by the program itself (the first start creates it, see InstallSettings).
inline constexpr const char* kSettingsKey = "Software\\Tarnwick\\Velmo32\\2.01";

// Start-up: when the key exists, "Startfile", "gifsavedir", "gifloaddir",
// "palsavedir" and "palloaddir" are read in this order; a missing value
// reads as empty. A value that cannot be read as a string is left empty and
// its error is returned, and the remaining values are still read. Without
// the key everything stays as it is. Paths are kept whole: cutting one
// would name another folder or file.
std::vector<std::string> ReadSettings(SettingsStore& store, Settings& settings);

// "Save options": when the key exists, the four directories and the start
// file are written in this order, the start file under "startfile" (the
// store matches names without regard to case, so this is the value read as
// "Startfile"). Without the key nothing is written and nothing said. A write
// error is thrown; what was written before it stays written.
void SaveOptions(SettingsStore& store, const Settings& settings);

// The first start of a user acts as the installer: when the key does not
// exist it is created holding `initial`. Returns whether it did so.
bool InstallSettings(SettingsStore& store, const Settings& initial);

}  // namespace velmora
