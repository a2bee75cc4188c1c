// Searches over the fake clock and browser, recorded into a real number
// store wired as the main window wires it: what each sighting says of where
// its number was read, that a page is in the store before the next request,
// and the 历史去重 rule beside the 去重 rule across two searches.
#include <gtest/gtest.h>

#include <QDateTime>
#include <memory>

#include "files/store/number_store.h"
#include "run_harness.h"
#include "test_support.h"

using namespace valo;
using valo::testing::page;
using valo::testing::SearchHarness;

namespace {

struct StoredRun {
  files::testing::TempDir dir;
  std::string path = dir.file("valofaxnumbers.db");
  SearchHarness r;
  std::unique_ptr<files::store::NumberStore> store;
  bool historyDedup = false;
  std::vector<std::string> autosaved;

  StoredRun() {
    store = std::make_unique<files::store::NumberStore>(QString::fromStdString(path), [this] {
      return QDateTime(QDate(2026, 12, 8), QTime(10, 0)).addMSecs(r.clock.now);
    });
    store->waitUntilIdle();
    valo::testing::FakeServiceHooks& sv = r.hooks;
    sv.startAutosave = [this] {
      store->beginSearch({r.window.engine, r.window.interval, r.s().KeywordIndex - 1});
    };
    sv.autosaveNumber = [this](const GbkString& n) { autosaved.push_back(n); };
    sv.pageRead = [this](const harvest::PageSource& p) { store->beginPage(p); };
    sv.commitStore = [this] { return store->commit(); };
    r.window.results.known = [this](std::string_view n) { return historyDedup && store->knownBefore(n); };
    r.window.results.seen = [this](const GbkString& n, std::string_view line, harvest::Sighting what) {
      store->sighted(n, line, what);
    };
  }
  // Runs a search over `pages`, one per request in order, to its end.
  void run(std::vector<env::PageText> pages) {
    r.browser.pageFor = [pages, n = std::size_t{0}](const std::string&) mutable {
      return n < pages.size() ? pages[n++] : env::PageText{};
    };
    const std::size_t ended = r.window.endTexts.size();
    r.search();
    // The window tells the store of the end as the search ends.
    for (int i = 0; i < 100 && r.window.endTexts.size() == ended; ++i) r.clock.advance(1000);
    ASSERT_EQ(r.window.endTexts.size(), ended + 1);
    store->endSearch({r.driver.refusedInSearch(), r.s().FoundCount, r.window.endTexts.back()});
    store->waitUntilIdle();
  }
  // The rows of a query, their columns joined by "|".
  std::vector<std::string> rows(const char* sql) const {
    files::store::Connection db(path, SQLITE_OPEN_READONLY);
    files::store::Statement q(db.get(), sql);
    std::vector<std::string> out;
    while (q.step()) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(q.get()); ++i) {
        row += (i ? "|" : "") + std::string(q.columnIsNull(i) ? "NULL" : q.columnText(i));
      }
      out.push_back(row);
    }
    return out;
  }
};

const char* kPager = "<上一页 1 2 下一页>";

TEST(StoreRun, RecordsWhereEveryNumberWasReadBeforeTheNextRequest) {
  StoredRun t;
  std::vector<std::size_t> storedAtRequest;
  t.r.browser.onNavigate = [&] { storedAtRequest.push_back(t.rows("SELECT id FROM sightings").size()); };
  std::string longLine = "FAX:010-62345678 ";
  for (int i = 0; i < 3000; ++i) longLine += "公";
  t.run({page({"深圳市某某机械有限公司 传真：0755-12345678", "电话 传真:021-53853022", kPager}),
         page({"传真：0755-12345678"}), page({longLine.c_str()})});

  EXPECT_EQ(storedAtRequest, (std::vector<std::size_t>{0, 2, 3}));
  EXPECT_EQ(t.rows("SELECT number, seen_at, search_id, keyword, keyword_line, engine, page_number, skipped, "
                   "length(CAST(line AS BLOB)) FROM sightings ORDER BY id"),
            (std::vector<std::string>{
                "0755-12345678|2026-12-08T10:00:08|1|深圳 机械 传真:|1|http://www.baidu.com|1|0|56",
                "021-53853022|2026-12-08T10:00:08|1|深圳 机械 传真:|1|http://www.baidu.com|1|0|26",
                "0755-12345678|2026-12-08T10:00:16|1|深圳 机械 传真:|1|http://www.baidu.com|2|0|22",
                "010-62345678|2026-12-08T10:00:24|1|上海 食品 FAX:|2|http://www.baidu.com|1|0|4094"}));
  std::vector<std::string> addresses = t.rows("SELECT page_url FROM sightings ORDER BY id");
  ASSERT_EQ(t.r.browser.requests.size(), 3u);
  EXPECT_EQ(addresses, (std::vector<std::string>{t.r.browser.requests[0], t.r.browser.requests[0],
                                                 t.r.browser.requests[1], t.r.browser.requests[2]}));
  EXPECT_EQ(t.rows("SELECT line FROM sightings WHERE id = 1")[0],
            "深圳市某某机械有限公司 传真：0755-12345678");
  EXPECT_EQ(
      t.rows("SELECT *, length(run_key) FROM searches"),
      (std::vector<std::string>{"1|2026-12-08T10:00:00|2026-12-08T10:00:24|http://www.baidu.com|8|0|3|0|4|"
                                "搜索已经结束！|" +
                                t.rows("SELECT run_key FROM searches")[0] + "|NULL|32"}));
  EXPECT_EQ(
      t.rows("SELECT number, valid, kind, region, first_seen, last_seen, times_seen, first_search_id, "
             "first_keyword, source FROM numbers ORDER BY number"),
      (std::vector<std::string>{
          "010-62345678|1|fixed|北京市|2026-12-08T10:00:24|2026-12-08T10:00:24|1|1|上海 食品 FAX:|NULL",
          "021-53853022|1|fixed|上海市|2026-12-08T10:00:08|2026-12-08T10:00:08|1|1|深圳 机械 传真:|NULL",
          "0755-12345678|1|fixed|广东省深圳市|2026-12-08T10:00:08|2026-12-08T10:00:16|2|1|深圳 机械 传真:|"
          "NULL"}));
}

// The second search meets a number of the first (A), one imported from a
// list (D), and a new one twice (C).
struct HistoryCase {
  bool dedup, historyDedup;
  std::vector<std::string> listed;   // the window's list, the autosave and panel 5
  std::vector<std::string> skipped;  // sightings marked skipped
};

TEST(StoreRun, HistoryDedupLeavesOutWhatTheStoreHoldsBesideTheDuplicatesBox) {
  const std::string A = "0755-12345678", C = "021-53853022", D = "010-62345678";
  const HistoryCase cases[] = {
      {false, false, {A, D, C, C}, {}},
      {true, false, {A, D, C}, {}},
      {false, true, {C}, {A, D, C}},
      {true, true, {C}, {A, D}},
  };
  for (const HistoryCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.dedup) + std::to_string(c.historyDedup));
    StoredRun t;
    t.r.window.Memo2.setText(gbk("深圳 机械 传真:\r\n"));
    t.run({page({("传真：" + A).c_str()})});
    {
      files::store::Connection db(t.path, SQLITE_OPEN_READWRITE);
      db.exec("INSERT INTO numbers(number, valid, kind, first_seen, last_seen, source) VALUES('" + D +
                  "', 1, 'fixed', '2026-12-01T09:00:00', '2026-12-01T09:00:00', '旧客户.txt')",
              "import");
    }
    t.autosaved.clear();
    t.r.window.results.dedup = c.dedup;
    t.historyDedup = c.historyDedup;
    t.run({page(
        {("传真：" + A).c_str(), ("传真：" + D).c_str(), ("传真：" + C).c_str(), ("FAX:" + C).c_str()})});

    EXPECT_EQ(t.r.window.results.list.items(), c.listed);
    EXPECT_EQ(t.autosaved, c.listed);
    EXPECT_EQ(t.r.window.results.panel5, std::to_string(c.listed.size()));
    EXPECT_EQ(t.rows("SELECT number FROM sightings WHERE search_id = 2 AND skipped = 1 ORDER BY id"),
              c.skipped);
    EXPECT_EQ(t.rows("SELECT numbers_listed FROM searches WHERE id = 2"),
              std::vector<std::string>{std::to_string(c.listed.size())});
    // An imported number keeps its source and takes its first page from the search.
    EXPECT_EQ(
        t.rows(
            ("SELECT source, first_search_id, times_seen FROM numbers WHERE number = '" + D + "'").c_str()),
        std::vector<std::string>{"旧客户.txt|2|1"});
  }
}

// A number the wider reading rejects is recorded as such but never becomes
// a known number: a later search by the exact rules lists it.
TEST(StoreRun, RejectedNumbersAreRecordedButNeverKnown) {
  StoredRun t;
  t.r.window.Memo2.setText(gbk("北京 机械 传真:\r\n"));
  t.r.window.results.wide = true;
  t.run({page({"传真：010-6234567", "传真：021-53853022"})});
  EXPECT_EQ(t.r.window.results.list.items(), std::vector<std::string>{"021-53853022"});
  EXPECT_EQ(t.rows("SELECT number, skipped, rejected FROM sightings ORDER BY id"),
            (std::vector<std::string>{"010-6234567|1|1", "021-53853022|0|0"}));
  EXPECT_EQ(t.rows("SELECT number FROM numbers"), std::vector<std::string>{"021-53853022"});

  t.r.window.results.wide = false;
  t.historyDedup = true;
  t.run({page({"传真：010-6234567", "传真：021-53853022"})});
  EXPECT_EQ(t.r.window.results.list.items(), std::vector<std::string>{"010-6234567"});
}

// Another writer holds the store through the first page: the search goes on
// at its pace, the status bar says it waits for the store and how many
// records wait, and the waiting records reach the store at the next page.
TEST(StoreRun, AStoreHeldByAnotherWriterGetsThePageLaterAndNeverStopsTheSearch) {
  StoredRun t;
  files::store::Connection other(t.path, SQLITE_OPEN_READWRITE);
  other.exec("BEGIN IMMEDIATE", "hold");
  std::vector<std::string> shown;
  t.r.browser.onNavigate = [&] {
    shown.push_back(t.r.window.status(6) + "|" + std::to_string(t.rows("SELECT id FROM sightings").size()));
    if (shown.size() == 2) other.exec("COMMIT", "let go");
  };
  t.run({page({"传真：0755-12345678", kPager}), page({"传真：021-53853022"})});
  EXPECT_EQ(shown,
            (std::vector<std::string>{
                "正在搜索...|0", "正在搜索...　正在等待号码库：" + t.path + "；1 条号码记录等待写入号码库|0",
                "正在搜索...|2"}));
  EXPECT_EQ(t.r.window.status(6), "搜索已经结束！");
  EXPECT_EQ(t.autosaved, (std::vector<std::string>{"0755-12345678", "021-53853022"}));
  EXPECT_EQ(t.rows("SELECT number, page_number FROM sightings ORDER BY id"),
            (std::vector<std::string>{"0755-12345678|1", "021-53853022|2"}));
}

}  // namespace
