#include <gtest/gtest.h>

#include "base/InstalledData.h"

namespace {

// The data folder follows the program wherever its prefix put it.
TEST(InstalledData, FolderIsFoundBesideTheProgramsPrefix) {
    EXPECT_EQ(installedDataFolderOf(QStringLiteral("/usr/bin")), "/usr/share/quenzel");
    EXPECT_EQ(installedDataFolderOf(QStringLiteral("/home/ann/My Programs/bin")),
              "/home/ann/My Programs/share/quenzel");
}

}  // namespace
