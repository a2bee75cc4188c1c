// The per-search result files: their names and folder, their bytes, a file
// per search, and what happens when the disk refuses them.
#include "files/result_autosave.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "test_support.h"
#include "text/gbk.h"

namespace valo::files {
namespace {

using testing::readBytes;
using testing::TempDir;

const QDateTime kSearchTime(QDate(2026, 12, 8), QTime(9, 30, 15));

struct Autosave {
  explicit Autosave(const TempDir& dir) : folder(dir.qpath() + QLatin1Char('/')) {}
  QString folder;
  QDateTime time = kSearchTime;
  ResultAutosave save{[this] { return folder; }, [this] { return time; }};
};

std::string resultFolder(const TempDir& dir) {
  return dir.path() + "/" + kAutosaveFolderName;
}

TEST(ResultAutosave, WritesWhatSaveWritesIntoAFileNamedByTheSearch) {
  TempDir dir;
  Autosave a(dir);
  a.save.begin();
  EXPECT_EQ(a.save.flush(), std::nullopt);  // nothing listed: no file yet
  EXPECT_FALSE(testing::fileExists(resultFolder(dir)));
  a.save.add("021-12345678");
  a.save.add(gbk("0755-1234567"));
  EXPECT_EQ(a.save.flush(), std::nullopt);
  const std::string file = resultFolder(dir) + "/搜索结果-20261208-093015.txt";
  EXPECT_EQ(a.save.path(), QString::fromStdString(file));
  EXPECT_EQ(readBytes(file), "021-12345678\r\n0755-1234567\r\n");
  a.save.add("013912345678");
  EXPECT_EQ(a.save.flush(), std::nullopt);
  EXPECT_EQ(readBytes(file), "021-12345678\r\n0755-1234567\r\n013912345678\r\n");
}

TEST(ResultAutosave, EverySearchHasItsOwnFileEvenWithinOneSecond) {
  TempDir dir;
  Autosave a(dir);
  a.save.begin();
  a.save.add("1");
  a.save.flush();
  a.save.begin();  // same second
  a.save.add("2");
  a.save.flush();
  a.time = kSearchTime.addSecs(60);
  a.save.begin();
  a.save.add("3");
  a.save.flush();
  const std::string folder = resultFolder(dir);
  EXPECT_EQ(readBytes(folder + "/搜索结果-20261208-093015.txt"), "1\r\n");
  EXPECT_EQ(readBytes(folder + "/搜索结果-20261208-093015-2.txt"), "2\r\n");
  EXPECT_EQ(readBytes(folder + "/搜索结果-20261208-093115.txt"), "3\r\n");
}

TEST(ResultAutosave, NothingIsKeptBeforeTheFirstSearch) {
  TempDir dir;
  Autosave a(dir);
  a.save.add("1");
  EXPECT_EQ(a.save.flush(), std::nullopt);
  EXPECT_FALSE(testing::fileExists(resultFolder(dir)));
}

TEST(ResultAutosave, UnwritableFolderIsReportedAtEveryFlushNamingTheFile) {
  TempDir dir;
  const QString folder = dir.qpath() + QLatin1Char('/');
  const std::string result = testing::runInChild(testing::readOnlyFolder(dir.path()), [&] {
    ResultAutosave save([&] { return folder; }, [] { return kSearchTime; });
    save.begin();
    std::string out;
    for (int page = 0; page < 3; ++page) {
      save.add("021-12345678");
      const std::optional<GbkString> report = save.flush();
      out += report ? utf8FromGbk(*report) : std::string("-");
      out += "|";
    }
    return out;
  });
  VALO_SKIP_IF_FAULT_NOT_MADE(result);
  const std::string report =
      "搜索结果自动保存失败（没有写入权限）：" + resultFolder(dir) + "/搜索结果-20261208-093015.txt|";
  EXPECT_EQ(result, report + report + report);
}

// A full disk keeps the numbers it could not take; once there is room again
// the file catches up and holds every number in order.
TEST(ResultAutosave, NumbersRefusedByAFullDiskAreWrittenLater) {
  TempDir dir;
  const QString folder = dir.qpath() + QLatin1Char('/');
  const std::string file = resultFolder(dir) + "/搜索结果-20261208-093015.txt";
  const std::string result = testing::runInChild({}, [&] {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{20, RLIM_INFINITY};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ResultAutosave save([&] { return folder; }, [] { return kSearchTime; });
    save.begin();
    save.add("021-12345678");
    save.add("021-87654321");
    const std::optional<GbkString> first = save.flush();
    save.add("0755-1234567");
    const std::optional<GbkString> second = save.flush();  // still full: said again
    limit.rlim_cur = RLIM_INFINITY;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::optional<GbkString> third = save.flush();
    return (first ? utf8FromGbk(*first) : std::string("-")) + "|" + (second ? "again" : "-") + "|" +
           (third ? "again" : "-");
  });
  EXPECT_EQ(result, "搜索结果自动保存失败（磁盘空间不足）：" + file + "|again|-");
  EXPECT_EQ(readBytes(file), "021-12345678\r\n021-87654321\r\n0755-1234567\r\n");
}

}  // namespace
}  // namespace valo::files
