#include "settings.hpp"

#include <exception>

namespace velmora {

std::vector<std::string> ReadSettings(SettingsStore& store, Settings& settings) {
    std::vector<std::string> errors;
    if (!store.keyExists()) return errors;
    const std::pair<const char*, std::string Settings::*> values[] = {
        {"Startfile", &Settings::startfile},   {"gifsavedir", &Settings::gifsavedir},
        {"gifloaddir", &Settings::gifloaddir}, {"palsavedir", &Settings::palsavedir},
        {"palloaddir", &Settings::palloaddir},
    };
    for (const auto& [name, field] : values) {
        try {
            settings.*field = store.readString(name).value_or(std::string());
        } catch (const std::exception& e) {
            (settings.*field).clear();
            errors.emplace_back(e.what());
        }
    }
    return errors;
}

namespace {

void WriteValues(SettingsStore& store, const Settings& settings) {
    store.writeString("gifsavedir", settings.gifsavedir);
    store.writeString("gifloaddir", settings.gifloaddir);
    store.writeString("palsavedir", settings.palsavedir);
    store.writeString("palloaddir", settings.palloaddir);
    store.writeString("startfile", settings.startfile);
}

}  // namespace

void SaveOptions(SettingsStore& store, const Settings& settings) {
    if (store.keyExists()) WriteValues(store, settings);
}

bool InstallSettings(SettingsStore& store, const Settings& initial) {
    if (store.keyExists()) return false;
    store.createKey();
    WriteValues(store, initial);
    return true;
}

}  // namespace velmora
