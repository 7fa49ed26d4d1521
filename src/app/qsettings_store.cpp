#include "qsettings_store.hpp"

#include <QDir>
#include <QStandardPaths>

#include <stdexcept>

#include "data_directory.hpp"

namespace velmora {
namespace {

// The key's path, as nested groups of the file.
QString KeyGroup() { return QString::fromLatin1(kSettingsKey).replace(QLatin1Char('\\'), QLatin1Char('/')); }

// Opens the key's group for the life of the object.
class KeyScope {
public:
    explicit KeyScope(QSettings& settings) : settings_(settings) { settings_.beginGroup(KeyGroup()); }
    ~KeyScope() { settings_.endGroup(); }
    KeyScope(const KeyScope&) = delete;
    KeyScope& operator=(const KeyScope&) = delete;

private:
    QSettings& settings_;
};

}  // namespace

QString DefaultSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Tarnwick/Velmo32.ini";
}

Settings FirstStartSettings() {
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty() || !QDir(pictures).exists()) pictures = QDir::homePath();
    const std::string folder = pictures.toStdString();
    const std::string shipped = (DataDirectory() + "/" + kShippedPictureName).toStdString();
    return Settings{shipped, folder, folder, folder, folder};
}

QSettingsStore::QSettingsStore(const QString& fileName) : settings_(fileName, QSettings::IniFormat) {}

bool QSettingsStore::keyExists() {
    // A group of an INI file exists only while it holds a value.
    KeyScope key(settings_);
    return created_ || !settings_.childKeys().isEmpty();
}

void QSettingsStore::createKey() { created_ = true; }

QString QSettingsStore::storedName(const QString& name) {
    const QStringList names = settings_.childKeys();
    if (names.contains(name)) return name;
    for (const QString& stored : names)
        if (stored.compare(name, Qt::CaseInsensitive) == 0) return stored;
    return {};
}

std::optional<std::string> QSettingsStore::readString(const std::string& name) {
    KeyScope key(settings_);
    const QString stored = storedName(QString::fromStdString(name));
    if (stored.isEmpty()) return std::nullopt;
    const QVariant value = settings_.value(stored);
    // A list, a byte array or any other typed value is not a string.
    if (value.typeId() != QMetaType::QString) throw std::runtime_error(InvalidDataTypeText(name));
    return value.toString().toStdString();
}

void QSettingsStore::writeString(const std::string& name, const std::string& value) {
    {
        KeyScope key(settings_);
        const QString wanted = QString::fromStdString(name);
        const QString stored = storedName(wanted);
        // One value per name whatever its spelling: the one the file holds
        // takes the new text.
        settings_.setValue(stored.isEmpty() ? wanted : stored, QString::fromStdString(value));
    }
    settings_.sync();
    if (settings_.status() != QSettings::NoError)
        throw std::runtime_error("Failed to set data for '" + name + "' in " + settings_.fileName().toStdString());
}

}  // namespace velmora
