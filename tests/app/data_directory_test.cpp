// The program finds its shipped files through its install prefix, and beside
// its executable when it runs from the build folder.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "data_directory.hpp"

using namespace velmora;

TEST(DataDirectory, InstalledTreeFirstThenBesideTheExecutable) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString prefix = root.path() + "/usr";
    const QString build = root.path() + "/build/src/app";
    ASSERT_TRUE(QDir().mkpath(prefix + "/bin"));
    ASSERT_TRUE(QDir().mkpath(prefix + "/share/velmora32"));
    ASSERT_TRUE(QDir().mkpath(build));

    EXPECT_EQ(DataDirectoryOf(prefix + "/bin"), prefix + "/share/velmora32");
    EXPECT_EQ(DataDirectoryOf(build), build);
}
