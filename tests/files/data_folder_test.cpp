// Where the two files live: the program folder when writable, otherwise the
// user's data folder for this program.
#include "files/data_folder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>

#include "files/keyword_store.h"
#include "test_support.h"

namespace valo::files {
namespace {

using testing::TempDir;
using testing::writeBytes;

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
  EXPECT_EQ(dir.names().size(), 0u);  // asking leaves nothing behind
}

// Mend 5: the program's folder is often read-only on Linux; saving there
// would lose the user's lists at every exit.
TEST_F(DataFolder, UnwritableProgramFolderFallsBackToAppData) {
  const QString appData =
      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/');
  ASSERT_TRUE(appData.contains(QStringLiteral("valo-files-test")));
  EXPECT_EQ(chooseDataFolder(QStringLiteral("/nonexistent-valo-folder")), appData);
  EXPECT_TRUE(QFileInfo(appData).isDir());
  // And a folder the user running the program cannot write.
  TempDir dir;
  const QString path = dir.qpath();
  const std::string chosen = testing::runInChild(testing::readOnlyFolder(dir.path()),
                                                 [&] { return chooseDataFolder(path).toStdString(); });
  VALO_SKIP_IF_FAULT_NOT_MADE(chosen);
  EXPECT_EQ(QString::fromStdString(chosen), appData);
}

// Where the two files are read from, asked in a child whose home (and so its
// own data folder) is `home`: "keywords|progress" as paths.
std::string readPathsFor(const testing::ChildFaults& faults, const TempDir& program, const TempDir& home) {
  const QString programPath = program.qpath();
  const QByteArray homePath = QFile::encodeName(home.qpath());
  return testing::runInChild(faults, [&] {
    qputenv("HOME", homePath);
    return (chooseReadPath(programPath, QLatin1String(kKeywordFileName)) + QLatin1Char('|') +
            chooseReadPath(programPath, QLatin1String(kProgressFileName)))
        .toStdString();
  });
}

// The user's own data folder under a home folder, as the test mode names it.
std::string userCopyFolder(const TempDir& home) {
  return home.path() + "/.qttest/share/valo-files-test";
}

TEST_F(DataFolder, ReadOnlyProgramFolderIsReadWhenTheUserHasNoCopy) {
  TempDir program, home;
  writeBytes(program.file(kKeywordFileName), "shipped\r\n");
  writeBytes(program.file(kProgressFileName), "http://www.sogou.com\r\n3\r\nqcno\r\n8\r\n");
  const std::string paths = readPathsFor(testing::readOnlyFolder(program.path()), program, home);
  VALO_SKIP_IF_FAULT_NOT_MADE(paths);
  EXPECT_EQ(paths, program.file(kKeywordFileName) + "|" + program.file(kProgressFileName));
  EXPECT_EQ(program.names().size(), 2u);  // nothing was created beside them
}

TEST_F(DataFolder, UsersOwnCopyWinsOverAReadOnlyProgramFolder) {
  TempDir program, home;
  writeBytes(program.file(kKeywordFileName), "shipped\r\n");
  writeBytes(program.file(kProgressFileName), "http://www.sogou.com\r\n3\r\nqcno\r\n8\r\n");
  std::filesystem::create_directories(userCopyFolder(home));
  // Only the keyword list has a copy of the user's; the progress file still
  // comes from the program folder.
  writeBytes(userCopyFolder(home) + "/" + kKeywordFileName, "mine\r\n");
  const std::string paths = readPathsFor(testing::readOnlyFolder(program.path()), program, home);
  VALO_SKIP_IF_FAULT_NOT_MADE(paths);
  EXPECT_EQ(paths, userCopyFolder(home) + "/" + kKeywordFileName + "|" + program.file(kProgressFileName));
}

// Where the program folder takes the writes, its file is the one the last run
// saved; a stale copy in the data folder must not hide it.
TEST_F(DataFolder, WritableProgramFolderReadsWhatItWrote) {
  TempDir program, home;
  writeBytes(program.file(kKeywordFileName), "saved last run\r\n");
  std::filesystem::create_directories(userCopyFolder(home));
  writeBytes(userCopyFolder(home) + "/" + kKeywordFileName, "older\r\n");
  writeBytes(userCopyFolder(home) + "/" + kProgressFileName, "x\r\n0\r\nqcno\r\n8\r\n");
  const std::string paths = readPathsFor({}, program, home);
  EXPECT_EQ(paths, program.file(kKeywordFileName) + "|" + userCopyFolder(home) + "/" + kProgressFileName);
}

TEST_F(DataFolder, NoFileAnywhereReadsWhereTheWritesGo) {
  TempDir program, home;
  EXPECT_EQ(readPathsFor({}, program, home),
            program.file(kKeywordFileName) + "|" + program.file(kProgressFileName));
}

TEST_F(DataFolder, OverrideNamesBothFiles) {
  TempDir dir;
  setDataFolderOverride(dir.qpath());
  EXPECT_EQ(progressFilePath(), dir.qpath() + QStringLiteral("/valofaxscan.ini"));
  EXPECT_EQ(keywordFilePath(), dir.qpath() + QStringLiteral("/valofaxbody.ini"));
  EXPECT_EQ(progressReadPath(), progressFilePath());
  EXPECT_EQ(keywordReadPath(), keywordFilePath());
  // What one run saves, the next run's load finds under the same rule.
  ASSERT_TRUE(SaveKeywords(keywordFilePath(), "k\r\n"));
  EXPECT_EQ(LoadKeywords(keywordFilePath()), std::optional<GbkString>("k\r\n"));
  setDataFolderOverride(QString());
  EXPECT_EQ(dataFolder(), chooseDataFolder(programFolder()));
}

}  // namespace
}  // namespace valo::files
