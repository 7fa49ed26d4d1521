#include "qsettings_store.hpp"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>

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

// Qt reads the file as UTF-8 and turns every byte that is not into U+FFFD,
// so a path written in another encoding (by hand, or by another program)
// would name no file. Such a value is taken again from the file's own
// bytes, where it is a plain one: no quotes, no escapes.
std::optional<std::string> PlainValueBytes(const QString& fileName, const QString& name) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray wanted = (KeyGroup() + QLatin1Char('/') + name).toUtf8().toLower();
    QByteArray section;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals < 0) continue;
        QByteArray key = line.left(equals).trimmed();
        key.replace('\\', '/');
        const QByteArray path = (section.isEmpty() || section == "General" ? key : section + '/' + key).toLower();
        if (path != wanted) continue;
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (value.contains('\\') || value.contains('"')) return std::nullopt;
        return value.toStdString();
    }
    return std::nullopt;
}

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

namespace {

// Settings files are a few hundred bytes; this is far beyond any of ours.
constexpr off_t kLargestSettingsFile = 1 << 20;

std::string SettingsFileRefusal(const QString& fileName) {
    const QByteArray path = QFile::encodeName(fileName);
    struct stat info {};
    // A file that is not there yet is made by the first save.
    if (::stat(path.constData(), &info) != 0) return {};
    const std::string name = fileName.toStdString();
    if (!S_ISREG(info.st_mode)) return "The settings file " + name + " is not a regular file";
    if (info.st_size > kLargestSettingsFile)
        return "The settings file " + name + " is too large (" + std::to_string(info.st_size) + " bytes)";
    return {};
}

}  // namespace

QSettingsStore::QSettingsStore(const QString& fileName) : refusal_(SettingsFileRefusal(fileName)) {
    if (refusal_.empty()) settings_ = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
}

bool QSettingsStore::keyExists() {
    if (!settings_) return false;
    // A group of an INI file exists only while it holds a value.
    KeyScope key(*settings_);
    return created_ || !settings_->childKeys().isEmpty();
}

void QSettingsStore::createKey() {
    if (!settings_) throw std::runtime_error(refusal_ + "; the program starts with default settings");
    created_ = true;
}

QString QSettingsStore::storedName(const QString& name) {
    const QStringList names = settings_->childKeys();
    if (names.contains(name)) return name;
    for (const QString& stored : names)
        if (stored.compare(name, Qt::CaseInsensitive) == 0) return stored;
    return {};
}

std::optional<std::string> QSettingsStore::readString(const std::string& name) {
    if (!settings_) return std::nullopt;
    KeyScope key(*settings_);
    const QString stored = storedName(QString::fromStdString(name));
    if (stored.isEmpty()) return std::nullopt;
    const QVariant value = settings_->value(stored);
    // A list, a byte array or any other typed value is not a string.
    if (value.typeId() != QMetaType::QString) throw std::runtime_error(InvalidDataTypeText(name));
    const QString text = value.toString();
    if (text.contains(QChar::ReplacementCharacter))
        if (std::optional<std::string> bytes = PlainValueBytes(settings_->fileName(), stored)) return bytes;
    return text.toStdString();
}

void QSettingsStore::writeString(const std::string& name, const std::string& value) {
    if (!settings_) throw std::runtime_error(refusal_);
    {
        KeyScope key(*settings_);
        const QString wanted = QString::fromStdString(name);
        const QString stored = storedName(wanted);
        // One value per name whatever its spelling: the one the file holds
        // takes the new text.
        settings_->setValue(stored.isEmpty() ? wanted : stored, QString::fromStdString(value));
    }
    settings_->sync();
    if (settings_->status() != QSettings::NoError)
        throw std::runtime_error("Failed to set data for '" + name + "' in " + settings_->fileName().toStdString());
}

}  // namespace velmora
