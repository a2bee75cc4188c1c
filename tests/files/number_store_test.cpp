// The number store when its file cannot be used: a file that is no store,
// a damaged one or a newer one is set aside under a name with the time,
// never deleted, a new store takes its place and the user is told once; a
// store that is only busy is waited for, its records kept in the journal; a
// folder that cannot hold a store says so, and the history rule still knows
// what the run listed. And the page line as the store keeps it.
#include <gtest/gtest.h>

#include <QDateTime>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "files/store/number_store.h"
#include "files/store/store_look_ahead.h"
#include "files/store/store_schema.h"
#include "test_support.h"

namespace valo::files::store {
namespace {

using files::testing::TempDir;

QDateTime at10() {
  return QDateTime(QDate(2026, 12, 8), QTime(10, 0));
}

// Records one number through a search of its own.
void recordOne(NumberStore& store, const char* number) {
  store.beginSearch({gbk("http://www.baidu.com"), 8, 0});
  store.beginPage({gbk("机械"), 1, gbk("http://www.baidu.com"), "http://www.baidu.com/s?wd=x", {}});
  store.sighted(number, gbk("传真：") + number, harvest::Sighting::Listed);
  store.commit();
  store.endSearch({0, 1, gbk("搜索已经结束！")});
}

void makeStore(const std::string& path) {
  NumberStore store(QString::fromStdString(path), at10);
  recordOne(store, "0755-12345678");
  ASSERT_TRUE(store.waitUntilIdle());
  ASSERT_EQ(store.waitingRecords(), 0);
}

std::int64_t sightingsIn(const std::string& path) {
  Connection db(path, SQLITE_OPEN_READONLY);
  return db.scalar("SELECT count(*) FROM sightings");
}

struct BadStore {
  const char* name;
  // Makes the bad store at the path; what it returns is held while the store is opened.
  std::function<std::shared_ptr<void>(const std::string& path)> make;
  const char* storeIn;  // the folder's name for the store, under the scratch folder
  bool readOnlyFolder;
  // "<has a store>|<names in the folder>|<the notice, D for the folder>|<sightings in the new store>"
  std::string expected;
};

// Runs a case; its summary comes from a child when the folder is read-only.
std::string summary(const BadStore& c, const TempDir& dir) {
  const std::string folder = dir.path() + (*c.storeIn ? "/" + std::string(c.storeIn) : "");
  const std::string path = folder + "/valofaxnumbers.db";
  const std::shared_ptr<void> held = c.make(path);
  const std::string before = files::testing::fileExists(path) ? files::testing::readBytes(path) : "";
  const auto body = [&] {
    NumberStore store(QString::fromStdString(path), at10);
    store.waitUntilIdle();
    std::string notice = utf8FromGbk(store.takeNotice());
    for (std::size_t at; (at = notice.find(dir.path())) != std::string::npos;)
      notice.replace(at, dir.path().size(), "D");
    // The user is told once; the history rule works with or without a store.
    const bool toldOnce = store.takeNotice().empty();
    recordOne(store, "021-53853022");
    store.waitUntilIdle();
    std::vector<std::string> listed = dir.names();
    std::sort(listed.begin(), listed.end());
    std::string names;
    for (const std::string& n : listed) {
      // Each program's journal carries its process id.
      const std::size_t pid = n.find("-waiting-");
      names += (names.empty() ? "" : " ") + (pid == std::string::npos ? n : n.substr(0, pid + 8));
    }
    const std::string aside = dir.path() + "/valofaxnumbers-20261208-100000.db";
    const bool keptWhole = !files::testing::fileExists(aside) || files::testing::readBytes(aside) == before;
    const bool hasStore = files::testing::fileExists(path);
    return std::to_string(hasStore) + "|" + names + "|" + notice + "|" +
           (hasStore ? std::to_string(sightingsIn(path)) : "-") +
           (toldOnce && keptWhole && store.knownBefore("021-53853022") ? "" : " FAULT");
  };
  return c.readOnlyFolder ? files::testing::runInChild(files::testing::readOnlyFolder(folder), body) : body();
}

std::shared_ptr<void> none(const std::string&) {
  return nullptr;
}

TEST(NumberStore, OnlyAStoreThatCannotBeUsedIsSetAsideAndTheRunGoesOn) {
  const std::string aside = "valofaxnumbers-20261208-100000.db";
  const std::string fresh = "valofaxnumbers.db valofaxnumbers.db-shm valofaxnumbers.db-wal";
  const std::string moved = "号码库无法使用（";
  const std::string renamed = "），已改名为 D/" + aside + "，并新建了号码库|1";
  const BadStore cases[] = {
      {"not a database",
       [](const std::string& p) {
         files::testing::writeBytes(p, std::string(5000, 'x'));
         return nullptr;
       },
       "", false, "1|" + aside + " " + fresh + "|" + moved + "不是数据库文件" + renamed},
      {"damaged",
       [](const std::string& p) {
         makeStore(p);
         std::string bytes = files::testing::readBytes(p);
         std::fill(bytes.begin() + 100, bytes.begin() + 400, '\xA5');
         files::testing::writeBytes(p, bytes);
         return nullptr;
       },
       "", false, "1|" + aside + " " + fresh + "|" + moved + "文件已损坏" + renamed},
      {"newer version",
       [](const std::string& p) {
         makeStore(p);
         Connection(p, SQLITE_OPEN_READWRITE)
             .exec("PRAGMA user_version = " + std::to_string(kSchemaVersion + 1), "set");
         return nullptr;
       },
       "", false, "1|" + aside + " " + fresh + "|" + moved + "版本比本程序新" + renamed},
      {"held by another copy",
       [](const std::string& p) -> std::shared_ptr<void> {
         makeStore(p);
         auto other = std::make_shared<Connection>(p, SQLITE_OPEN_READWRITE);
         other->exec("BEGIN IMMEDIATE", "hold");
         return other;
       },
       // Busy is not damaged: the records wait beside the store, nothing moves.
       "", false,
       "1|valofaxnumbers.db valofaxnumbers.db-shm valofaxnumbers.db-waiting valofaxnumbers.db-wal||1"},
      {"folder is a file",
       [](const std::string& p) {
         files::testing::writeBytes(p.substr(0, p.rfind('/')), "");
         return nullptr;
       },
       "blocker", false, "0|blocker|" + moved + "无法打开或创建文件）：D/blocker/valofaxnumbers.db|-"},
      {"read-only folder", none, "", true, "0||" + moved + "无法打开或创建文件）：D/valofaxnumbers.db|-"},
  };
  for (const BadStore& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string result = summary(c, dir);
    if (c.readOnlyFolder) VALO_SKIP_IF_FAULT_NOT_MADE(result);
    EXPECT_EQ(result, c.expected);
  }
}

// A store made by an earlier version gains the machine columns; rows
// written from then on name the machine, older rows stay without one.
TEST(NumberStore, SearchesAndSightingsNameTheirMachine) {
  TempDir dir;
  const std::string path = dir.path() + "/valofaxnumbers.db";
  makeStore(path);
  {
    Connection db(path, SQLITE_OPEN_READWRITE);
    db.exec("ALTER TABLE searches DROP COLUMN machine; ALTER TABLE sightings DROP COLUMN machine; "
            "PRAGMA user_version = 2",
            "make a store of version 2");
  }
  NumberStore::Timing timing;
  timing.machine = "shop2";
  {
    NumberStore store(QString::fromStdString(path), at10, timing);
    recordOne(store, "021-53853022");
    ASSERT_TRUE(store.waitUntilIdle());
  }
  Connection db(path, SQLITE_OPEN_READONLY);
  EXPECT_EQ(db.scalar("PRAGMA user_version"), kSchemaVersion);
  EXPECT_EQ(db.scalar("SELECT count(*) FROM searches WHERE machine = 'shop2'"), 1);
  EXPECT_EQ(db.scalar("SELECT count(*) FROM sightings WHERE machine = 'shop2' AND number = '021-53853022'"), 1);
  EXPECT_EQ(db.scalar("SELECT count(*) FROM sightings WHERE machine IS NULL"), 1);
}

// 历史去重 asked ahead of a page, off the asking thread: the page's answers
// are the store's, and once the page is committed a later page is never
// answered from them (its own number was unknown then and is held now).
TEST(NumberStore, LooksAPagesNumbersUpAheadOffItsThreadForThatPageOnly) {
  TempDir dir;
  const std::string held = "0755-11111111", fresh = "021-22222222";
  NumberStore store(QString::fromStdString(dir.path() + "/valofaxnumbers.db"), at10);
  recordOne(store, held.c_str());
  store.beginSearch({gbk("http://www.baidu.com"), 8, 0});
  struct Page {
    bool lookAhead;
    bool heldKnown, freshKnown;
  };
  const Page pages[] = {{true, true, false}, {false, true, true}, {true, true, true}};
  for (const Page& page : pages) {
    if (page.lookAhead) {
      std::promise<std::thread::id> asked;
      std::promise<void> answered;
      store.lookAhead(
          [&] {
            asked.set_value(std::this_thread::get_id());
            return std::vector<std::string>{fresh, held, fresh};
          },
          [&] { answered.set_value(); });
      EXPECT_NE(asked.get_future().get(), std::this_thread::get_id());
      answered.get_future().wait();
    }
    store.beginPage({gbk("机械"), 1, gbk("http://www.baidu.com"), "http://www.baidu.com/s?wd=x", {}});
    EXPECT_EQ(store.knownBefore(held), page.heldKnown);
    EXPECT_EQ(store.knownBefore(fresh), page.freshKnown);
    if (!page.freshKnown) store.sighted(fresh, gbk("传真：") + fresh, harvest::Sighting::Listed);
    store.commit();
  }
  store.endSearch({0, 1, gbk("搜索已经结束！")});
}

// A session that goes drains the look-ahead first: the look-up under way
// finishes and is told, the one waiting behind it is dropped untold, so no
// answer reaches a session that is gone.
TEST(StoreLookAhead, DrainingTellsTheLookUpUnderWayAndDropsTheOneWaiting) {
  StoreLookAhead ahead([](const std::vector<std::string>& n) { return std::vector<bool>(n.size(), true); },
                       [] { return 0; });
  std::promise<void> begun, release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> told{0};
  ahead.ask(
      [&] {
        begun.set_value();
        released.wait();
        return std::vector<std::string>{"021-1"};
      },
      [&] { told += 1; });
  begun.get_future().wait();
  ahead.ask([] { return std::vector<std::string>{"021-2"}; }, [&] { told += 10; });
  std::thread releasing([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    release.set_value();
  });
  ahead.drain();
  EXPECT_EQ(told, 1);
  releasing.join();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(told, 1);
}

TEST(NumberStore, KeepsAPageLineAsUtf8OfAtMost4096BytesCutAtACharacter) {
  struct Case {
    std::string gbkLine;
    std::size_t bytes;
  };
  std::string chinese, mixed = "a";
  for (int i = 0; i < 3000; ++i) chinese += "传";
  for (int i = 0; i < 1500; ++i) mixed += "真";
  const Case cases[] = {
      {gbk("传真：021-53853022"), 21},
      {std::string(5000, 'a'), 4096},
      {gbk(chinese), 4095},                 // 1365 characters of 3 bytes
      {gbk(mixed), 4096},                   // "a" and 1365 of them
      {std::string("FAX:\x81", 5), 4 + 3},  // a lead byte alone at the end becomes U+FFFD
  };
  for (const Case& c : cases) {
    const std::string line = storedLine(c.gbkLine);
    EXPECT_EQ(line.size(), c.bytes);
    EXPECT_EQ(QString::fromUtf8(line).toUtf8().toStdString(), line);  // whole UTF-8
  }
}

}  // namespace
}  // namespace valo::files::store
