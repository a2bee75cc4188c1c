// The number store's owner beside other programs: two copies recording into
// one store, a store another program holds in a transaction, a store damaged
// deep inside, and records that wait in the journal across a kill.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <chrono>
#include <thread>

#include "files/store/number_store.h"
#include "test_support.h"

namespace valo::files::store {
namespace {

using files::testing::TempDir;

QDateTime now() {
  return QDateTime::currentDateTime();
}

// Records `pages` pages of `perPage` numbers "0<prefix>-<n>", each committed
// before the next, telling `acknowledged` after every page.
void recordPages(NumberStore& store, int prefix, int pages, int perPage,
                 const std::function<void(int)>& acknowledged = {}) {
  store.beginSearch({gbk("http://www.baidu.com"), 8, 0});
  for (int p = 0; p < pages; ++p) {
    store.beginPage(
        {gbk("深圳 机械 传真:"), p + 1, gbk("http://www.baidu.com"), "http://x/?p=" + std::to_string(p), {}});
    const std::string line = gbk("传真：") + std::string(200, 'x');
    for (int k = 0; k < perPage; ++k) {
      const std::string number =
          "0" + std::to_string(prefix) + "-" + std::to_string(10000000 + p * perPage + k);
      store.sighted(number, line, harvest::Sighting::Listed);
    }
    store.commit();
    if (acknowledged) acknowledged(p + 1);
  }
  store.endSearch({0, pages * perPage, gbk("搜索已经结束！")});
}

std::int64_t scalar(const std::string& path, const char* sql) {
  return Connection(path, SQLITE_OPEN_READONLY).scalar(sql);
}

bool setAsideIn(const TempDir& dir) {
  for (const std::string& n : dir.names()) {
    if (n.starts_with("valofaxnumbers-")) return true;
  }
  return false;
}

std::string integrity(const std::string& path) {
  Connection db(path, SQLITE_OPEN_READONLY);
  Statement q(db.get(), "PRAGMA integrity_check");
  return q.step() ? std::string(q.columnText(0)) : "";
}

pid_t child(const std::function<void()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  return pid;
}

TEST(StoreOwner, TwoProgramsRecordingIntoOneStoreKeepEverySighting) {
  TempDir dir;
  const QString path = dir.qfile("valofaxnumbers.db");
  { NumberStore(path, now).waitUntilIdle(); }
  const pid_t a = child([&] {
    NumberStore store(path, now);
    recordPages(store, 755, 40, 50);
  });
  const pid_t b = child([&] {
    NumberStore store(path, now);
    recordPages(store, 21, 40, 50);
  });
  int status = 0;
  ::waitpid(a, &status, 0);
  ::waitpid(b, &status, 0);
  {
    NumberStore store(path, now);  // takes over what either left waiting
    ASSERT_TRUE(store.waitUntilIdle());
  }
  const std::string file = dir.file("valofaxnumbers.db");
  EXPECT_EQ(scalar(file, "SELECT count(*) FROM sightings"), 2 * 40 * 50);
  EXPECT_EQ(scalar(file, "SELECT count(*) FROM numbers"), 2 * 40 * 50);
  EXPECT_EQ(scalar(file, "SELECT count(*) FROM searches"), 2);
  EXPECT_EQ(integrity(file), "ok");
  EXPECT_FALSE(setAsideIn(dir));
}

TEST(StoreOwner, AStoreHeldByAnotherProgramIsWaitedForAndGetsEverythingLater) {
  TempDir dir;
  const std::string file = dir.file("valofaxnumbers.db");
  { NumberStore(dir.qfile("valofaxnumbers.db"), now).waitUntilIdle(); }
  // A database editor with unsaved edits: held from before the start,
  // through the search, ten seconds in all.
  Connection editor(file, SQLITE_OPEN_READWRITE);
  editor.exec("BEGIN IMMEDIATE; INSERT INTO numbers(number, first_seen, last_seen) VALUES('x', 'a', 'a')",
              "hold");
  const auto heldSince = std::chrono::steady_clock::now();
  NumberStore store(dir.qfile("valofaxnumbers.db"), now);
  recordPages(store, 755, 30, 50);
  EXPECT_TRUE(store.knownBefore("0755-10000042"));  // waiting, yet known to 历史去重
  const std::string status = utf8FromGbk(store.statusText().value_or(""));
  EXPECT_NE(status.find("1500 条号码记录等待写入号码库"), std::string::npos) << status;
  EXPECT_EQ(store.waitingRecords(), 1500);
  std::this_thread::sleep_until(heldSince + std::chrono::seconds(10));
  EXPECT_EQ(scalar(file, "SELECT count(*) FROM sightings"), 0);
  editor.exec("ROLLBACK", "let go");
  ASSERT_TRUE(store.waitUntilIdle());
  EXPECT_EQ(store.statusText(), std::nullopt) << utf8FromGbk(store.statusText().value_or(""));
  EXPECT_EQ(store.waitingRecords(), 0);
  EXPECT_EQ(scalar(file, "SELECT count(*) FROM sightings"), 1500);
  EXPECT_EQ(scalar(file, "SELECT count(*) FROM searches WHERE ended_at IS NOT NULL"), 1);
  EXPECT_FALSE(setAsideIn(dir));
}

TEST(StoreOwner, DamageInALeafOfSightingsFoundByAWriteSetsTheStoreAside) {
  TempDir dir;
  const std::string file = dir.file("valofaxnumbers.db");
  {
    NumberStore store(dir.qfile("valofaxnumbers.db"), now);
    recordPages(store, 755, 20, 50);
    ASSERT_TRUE(store.waitUntilIdle());
  }
  std::int64_t leaf = 0, pageSize = 0;
  {
    Connection db(file, SQLITE_OPEN_READWRITE);
    db.exec("PRAGMA wal_checkpoint(TRUNCATE)", "checkpoint");
    // The rightmost leaf: the next sighting goes there.
    leaf = db.scalar(
        "SELECT pageno FROM dbstat WHERE name = 'sightings' AND pagetype = 'leaf' ORDER BY path DESC LIMIT "
        "1");
    pageSize = db.scalar("PRAGMA page_size");
  }
  ASSERT_GT(leaf, 0);
  std::string bytes = files::testing::readBytes(file);
  // The page keeps its type; its cell count and everything after are garbage.
  std::fill(bytes.begin() + (leaf - 1) * pageSize + 1, bytes.begin() + leaf * pageSize, '\xA5');
  files::testing::writeBytes(file, bytes);

  NumberStore store(dir.qfile("valofaxnumbers.db"), now);
  recordPages(store, 21, 3, 50);
  ASSERT_TRUE(store.waitUntilIdle());
  const std::string notice = utf8FromGbk(store.takeNotice());
  EXPECT_NE(notice.find("文件已损坏"), std::string::npos) << notice;
  EXPECT_TRUE(setAsideIn(dir));
  EXPECT_EQ(scalar(file, "SELECT count(*) FROM sightings"), 150);
  EXPECT_EQ(integrity(file), "ok");
}

TEST(StoreOwner, RecordsWaitingForAHeldStoreReachItAcrossAKill) {
  TempDir dir;
  const std::string file = dir.file("valofaxnumbers.db");
  const QString path = dir.qfile("valofaxnumbers.db");
  { NumberStore(path, now).waitUntilIdle(); }
  Connection editor(file, SQLITE_OPEN_READWRITE);
  editor.exec("BEGIN IMMEDIATE", "hold");
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  constexpr int kPages = 500, kPerPage = 500;  // 250,000 records
  const pid_t writer = child([&] {
    NumberStore store(path, now, NumberStore::Timing{50, 200, {}});
    recordPages(store, 755, kPages, kPerPage,
                [&](int pages) { (void)::write(pipeFds[1], &pages, sizeof pages); });
  });
  ::close(pipeFds[1]);
  int acknowledged = 0;
  for (int n; acknowledged < kPages / 2 && ::read(pipeFds[0], &n, sizeof n) == sizeof n;) acknowledged = n;
  ::kill(writer, SIGKILL);
  ::waitpid(writer, nullptr, 0);
  ::close(pipeFds[0]);
  ASSERT_EQ(acknowledged, kPages / 2);
  editor.exec("ROLLBACK", "let go");
  {
    NumberStore store(path, now);
    ASSERT_TRUE(store.waitUntilIdle(120000));
    EXPECT_EQ(store.waitingRecords(), 0);
  }
  const std::int64_t stored = scalar(file, "SELECT count(*) FROM sightings");
  // Every acknowledged page is there, and the one in hand at the kill at most.
  EXPECT_GE(stored, std::int64_t{acknowledged} * kPerPage);
  EXPECT_LE(stored, std::int64_t{acknowledged + 1} * kPerPage);
  EXPECT_EQ(scalar(file, "SELECT count(DISTINCT number) FROM sightings"), stored);
  EXPECT_EQ(integrity(file), "ok");
  for (const std::string& n : dir.names())
    EXPECT_FALSE(n.find("-waiting-") != std::string::npos &&
                 files::testing::readBytes(dir.file(n)).size() > 0)
        << n;
}

}  // namespace
}  // namespace valo::files::store
