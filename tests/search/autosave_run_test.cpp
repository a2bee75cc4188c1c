// A search whose result file the disk refuses, with the real autosave: the
// search runs to its end with every number in the window, and the status
// text says once what went wrong.
#include <gtest/gtest.h>

#include <QDateTime>

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
    r.driver.services().startAutosave = [&] { autosave.begin(); };
    r.driver.services().autosaveNumber = [&](const GbkString& n) { autosave.add(n); };
    r.driver.services().flushAutosave = [&] { return autosave.flush(); };
    r.browser.pageFor = [n = 0](const std::string& a) mutable {
      const std::string fax = "传真：020-8800000" + std::to_string(n++);
      return a.find("&pn=0&") != std::string::npos ? page({fax.c_str(), "<上一页 1 2 下一页>"})
                                                   : page({fax.c_str()});
    };
    r.search();
    r.clock.advance(8000 * 4);
    int failures = 0;
    for (const GbkString& text : r.window.statusLog)
      failures += utf8FromGbk(text).starts_with("搜索结果自动保存失败");
    return std::to_string(r.window.results.list.size()) + "|" + std::to_string(failures) + "|" +
           r.window.status(6);
  });
}

TEST(AutosaveRun, ReadOnlyFolderNeverStopsTheSearch) {
  files::testing::TempDir dir;
  const std::string result =
      searchInChild(files::testing::readOnlyFolder(dir.path()), dir.qpath() + QLatin1Char('/'));
  VALO_SKIP_IF_FAULT_NOT_MADE(result);
  EXPECT_EQ(result, "4|1|搜索已经结束！");
}

TEST(AutosaveRun, FullDiskNeverStopsTheSearch) {
  files::testing::TempDir dir;
  const std::string result = searchInChild(files::testing::fileSizeLimit(20), dir.qpath() + QLatin1Char('/'));
  EXPECT_EQ(result, "4|1|搜索已经结束！");
  // What the disk took is the start of the list, whole lines first.
  const std::string file = dir.path() + "/搜索结果/搜索结果-20261208-100000.txt";
  EXPECT_EQ(files::testing::readBytes(file), std::string("020-88000000\r\n020-88").substr(0, 20));
}

}  // namespace
