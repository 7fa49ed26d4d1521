#pragma once
// The five strings the program keeps in the per-user settings store, and
// where start-up reads them from.

#include <string>

namespace velmora {

struct StartupSettings {
    std::string Startfile;  // picture loaded at start-up; empty for none
    std::string gifsavedir;
    std::string gifloaddir;
    std::string palsavedir;
    std::string palloaddir;
};

class SettingsSource {
public:
    virtual ~SettingsSource() = default;
    virtual StartupSettings read() = 0;
};

// A store that holds nothing yet, as on a fresh install.
class EmptySettingsSource : public SettingsSource {
public:
    StartupSettings read() override { return {}; }
};

}  // namespace velmora
