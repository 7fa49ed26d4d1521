#include "data_directory.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace velmora {

QString DataDirectory() { return DataDirectoryOf(QCoreApplication::applicationDirPath()); }

QString DataDirectoryOf(const QString& executableDir) {
    // VELMORA_DATA_FROM_BIN is the installed data folder relative to the
    // installed bin folder, set by the build from the install directories.
    const QString installed = QDir::cleanPath(executableDir + QLatin1Char('/') + QStringLiteral(VELMORA_DATA_FROM_BIN));
    return QFileInfo(installed).isDir() ? installed : executableDir;
}

}  // namespace velmora
