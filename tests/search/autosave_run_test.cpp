// A search whose result file the disk refuses, with the real autosave: the
// search runs to its end with every number in the window, the status texts
// say what went wrong until it is mended, and no number is lost, not even to
// a new Search.
#include <gtest/gtest.h>

#include <QDateTime>
#include <cstdio>

#include "files/result_autosave.h"
#include "run_harness.h"
#include "test_support.h"

using namespace valo;
using valo::testing::page;
using valo::testing::SearchHarness;

namespace {

// Runs a two-keyword, two-page search into `folder` in a child with `faults`;
// returns "<numbers listed>|<failure texts shown>|<last status>".
std::string searchInChild(const files::testing::ChildFaults& faults, const QString& folder) {
  return files::testing::runInChild(faults, [&] {
    SearchHarness r;
    files::ResultAutosave autosave([&] { return folder; },
                                   [] { return QDateTime(QDate(2026, 12, 8), QTime(10, 0)); });
    r.hooks.startAutosave = [&] { autosave.begin(); };
    r.hooks.autosaveNumber = [&](const GbkString& n) { autosave.add(n); };
    r.hooks.flushAutosave = [&] { return autosave.flush(); };
    r.browser.pageFor = [n = 0](const std::string& a) mutable {
      const std::string fax = "传真：020-8800000" + std::to_string(n++);
      return a.find("&pn=0&") != std::string::npos ? page({fax.c_str(), "<上一页 1 2 下一页>"})
                                                   : page({fax.c_str()});
    };
    r.search();
    r.clock.advance(8000 * 4);
    int failures = 0;
    for (const GbkString& text : r.window.statusLog)
      failures += utf8FromGbk(text).find("搜索结果自动保存失败") != std::string::npos;
    return std::to_string(r.window.results.list.size()) + "|" + std::to_string(failures) + "|" +
           r.window.status(6);
  });
}

std::string endText(const std::string& reason, const std::string& file) {
  return "搜索已经结束！（自动保存失败）　搜索结果自动保存失败（" + reason + "）：" + file;
}

TEST(AutosaveRun, ReadOnlyFolderNeverStopsTheSearch) {
  files::testing::TempDir dir;
  const std::string result =
      searchInChild(files::testing::readOnlyFolder(dir.path()), dir.qpath() + QLatin1Char('/'));
  VALO_SKIP_IF_FAULT_NOT_MADE(result);
  EXPECT_EQ(result, "4|2|" + endText("没有写入权限", dir.path() + "/搜索结果/搜索结果-20261208-100000.txt"));
}

TEST(AutosaveRun, FullDiskNeverStopsTheSearch) {
  files::testing::TempDir dir;
  const std::string result = searchInChild(files::testing::fileSizeLimit(20), dir.qpath() + QLatin1Char('/'));
  const std::string file = dir.path() + "/搜索结果/搜索结果-20261208-100000.txt";
  EXPECT_EQ(result, "4|2|" + endText("磁盘空间不足", file));
  // What the disk took is the start of the list, whole lines first.
  EXPECT_EQ(files::testing::readBytes(file), std::string("020-88000000\r\n020-88").substr(0, 20));
}

// A file where the folder should be refuses every write, for any user; once
// it is gone the numbers of both searches reach their own files.
TEST(AutosaveRun, NumbersHeldBackReachTheirFilesOnceTheFolderCanBeMadeEvenAfterANewSearch) {
  files::testing::TempDir dir;
  const std::string blocker = dir.file("搜索结果");
  files::testing::writeBytes(blocker, "");
  SearchHarness r;
  int minute = 0;
  files::ResultAutosave autosave([&] { return dir.qpath() + QLatin1Char('/'); },
                                 [&] { return QDateTime(QDate(2026, 12, 8), QTime(10, minute++)); });
  r.hooks.startAutosave = [&] { autosave.begin(); };
  r.hooks.autosaveNumber = [&](const GbkString& n) { autosave.add(n); };
  r.hooks.flushAutosave = [&] { return autosave.flush(); };
  r.browser.pageFor = [n = 0](const std::string&) mutable {
    const std::string fax = "传真：020-8800000" + std::to_string(n++);
    return page({fax.c_str()});
  };
  r.search();
  r.clock.advance(8000 * 2);
  EXPECT_TRUE(r.window.status(6).starts_with("搜索已经结束！（自动保存失败）　搜索结果自动保存失败"));
  r.search();
  r.clock.advance(8000);
  EXPECT_TRUE(r.window.status(6).starts_with("正在搜索...　搜索结果自动保存失败"));
  ASSERT_EQ(std::remove(blocker.c_str()), 0);
  r.clock.advance(8000);
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");
  const std::string folder = dir.path() + "/搜索结果/搜索结果-20261208-";
  EXPECT_EQ(files::testing::readBytes(folder + "100000.txt"), "020-88000000\r\n020-88000001\r\n");
  EXPECT_EQ(files::testing::readBytes(folder + "100100.txt"), "020-88000002\r\n020-88000003\r\n");
}

}  // namespace
