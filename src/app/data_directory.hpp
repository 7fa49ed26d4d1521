#pragma once
// Where the program finds the files it ships, such as the start-up picture.
// An installed program keeps them in <prefix>/share/velmora32 and finds that
// folder from its own (bin/../share/velmora32), so the prefix can be chosen
// when installing and the installed tree can be moved; a program run from
// its build folder finds them beside its executable, where the build puts
// them.

#include <QString>

namespace velmora {

QString DataDirectory();

// The same, for a program whose executable is in `executableDir`.
QString DataDirectoryOf(const QString& executableDir);

}  // namespace velmora
