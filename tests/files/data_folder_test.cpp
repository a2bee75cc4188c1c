// Where the two files live: the program folder when writable, otherwise the
// user's data folder for this program.
#include "files/data_folder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include "files/keyword_store.h"
#include "test_support.h"

namespace valo::files {
namespace {

using testing::TempDir;

class DataFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    QCoreApplication::setApplicationName(QStringLiteral("valo-files-test"));
    QStandardPaths::setTestModeEnabled(true);
  }
  void TearDown() override {
    setDataFolderOverride(QString());
    QStandardPaths::setTestModeEnabled(false);
  }
};

TEST_F(DataFolder, ProgramFolderHoldsTheExecutable) {
  const QString folder = programFolder();
  EXPECT_TRUE(folder.endsWith(QLatin1Char('/')));
  EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("files_tests")));
}

TEST_F(DataFolder, WritableProgramFolderIsUsed) {
  TempDir dir;
  EXPECT_EQ(chooseDataFolder(dir.qpath()), dir.qpath() + QLatin1Char('/'));
  EXPECT_EQ(dir.names().size(), 0u);  // the write probe is gone again
}

// Mend 5: the program's folder is often read-only on Linux; saving there
// would lose the user's lists at every exit.
TEST_F(DataFolder, UnwritableProgramFolderFallsBackToAppData) {
  const QString appData =
      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/');
  ASSERT_TRUE(appData.contains(QStringLiteral("valo-files-test")));
  for (const QString& folder : {QStringLiteral("/proc/"), QStringLiteral("/nonexistent-valo-folder")}) {
    EXPECT_EQ(chooseDataFolder(folder), appData) << folder.toStdString();
  }
  EXPECT_TRUE(QFileInfo(appData).isDir());
  // And a folder the user running the program cannot write.
  TempDir dir;
  const QString path = dir.qpath();
  const std::string chosen = testing::runInChild(testing::readOnlyFolder(dir.path()),
                                                 [&] { return chooseDataFolder(path).toStdString(); });
  VALO_SKIP_IF_FAULT_NOT_MADE(chosen);
  EXPECT_EQ(QString::fromStdString(chosen), appData);
}

TEST_F(DataFolder, OverrideNamesBothFiles) {
  TempDir dir;
  setDataFolderOverride(dir.qpath());
  EXPECT_EQ(progressFilePath(), dir.qpath() + QStringLiteral("/valofaxscan.ini"));
  EXPECT_EQ(keywordFilePath(), dir.qpath() + QStringLiteral("/valofaxbody.ini"));
  // What one run saves, the next run's load finds under the same rule.
  ASSERT_TRUE(SaveKeywords(keywordFilePath(), "k\r\n"));
  EXPECT_EQ(LoadKeywords(keywordFilePath()), std::optional<GbkString>("k\r\n"));
  setDataFolderOverride(QString());
  EXPECT_EQ(dataFolder(), chooseDataFolder(programFolder()));
}

}  // namespace
}  // namespace valo::files
