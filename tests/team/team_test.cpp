// The team store and keyword queue against a private PostgreSQL server
// (ctest runs this under pg_virtualenv, which sets PGHOST, PGPORT and the
// rest); every test gets a database of its own.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QRandomGenerator>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <future>
#include <set>
#include <thread>

#include "files/store/store_batch.h"
#include "team/keyword_queue.h"
#include "team/pg_link.h"
#include "team/team_batch_writer.h"
#include "team/team_schema.h"
#include "team/team_import.h"
#include "team/team_store.h"
#include "team_fixture.h"

namespace valo::team {
namespace {

using files::store::RecordBatch;

RecordBatch pageBatch(const std::string& runKey, const std::vector<std::pair<std::string, harvest::Sighting>>& rows,
                      std::string_view line = "传真：0755-26543210") {
  RecordBatch b;
  b.search.runKey = runKey;
  b.search.startedAt = "2026-12-09T10:00:00";
  b.search.engine = "http://www.baidu.com";
  b.hasPage = true;
  b.page = {"深圳 传真", "http://www.baidu.com", "http://www.baidu.com/s?wd=x", "2026-12-09T10:00:05", 1, 1};
  const GbkString gbkLine = gbkFromUtf8(std::string(line));
  for (const auto& [number, what] : rows) b.add(number, gbkLine, what);
  return b;
}

TEST_F(TeamTest, LeasesDecideWhoHoldsAKeyword) {
  KeywordQueue a(*link, "a"), b(*link, "b"), c(*link, "c");
  ASSERT_EQ(a.upload({"k1", " ", "k2", "k3"}, "http://www.baidu.com"), 3);
  const std::optional<TakenKeyword> a1 = a.take(60), b2 = b.take(60);
  ASSERT_TRUE(a1 && b2);
  EXPECT_EQ(a1->keyword, "k1");
  EXPECT_EQ(b2->keyword, "k2");
  EXPECT_EQ(b2->listLine, 3);
  EXPECT_TRUE(a.renew(*a1, 60));
  // a's lease runs out: c takes k1 before the untouched k3, from its start.
  link->exec("UPDATE keywords SET lease_until = now() - interval '1 second' WHERE id = " + std::to_string(a1->id),
             "let the lease run out");
  const std::optional<TakenKeyword> c1 = c.take(60);
  ASSERT_TRUE(c1);
  EXPECT_EQ(c1->id, a1->id);
  EXPECT_EQ(c1->takes, 2);
  struct Step {
    const char* what;
    bool got, expected;
  };
  a.release(*a1);  // no longer a's to give back
  const Step steps[] = {
      {"a renews a lease c took over", a.renew(*a1, 60), false},
      {"c still holds k1 after a's release", c.renew(*c1, 60), true},
      {"a, who read k1 to its end, marks it done", a.finish(*a1, {5, 2, 0}), true},
      {"c's later finish finds it done", c.finish(*c1, {5, 2, 0}), false},
      {"c cannot renew a done keyword", c.renew(*c1, 60), false},
  };
  for (const Step& s : steps) EXPECT_EQ(s.got, s.expected) << s.what;
  b.release(*b2);
  const QueueCounts n = a.counts();
  EXPECT_EQ(n.waiting, 2);
  EXPECT_EQ(n.taken, 0);
  EXPECT_EQ(n.done, 1);
  EXPECT_EQ(n.numbersFound, 5);
  EXPECT_EQ(a.rows(0, 10).front().taker, "a");
}

TEST_F(TeamTest, MachinesTakingAtOnceNeverTakeTheSameKeyword) {
  std::vector<std::string> words;
  for (int i = 0; i < 60; ++i) words.push_back("k" + std::to_string(i));
  KeywordQueue(*link, "up").upload(words, "http://www.baidu.com");
  std::vector<std::vector<std::int64_t>> taken(4);
  std::vector<std::thread> machines;
  for (int m = 0; m < 4; ++m) {
    machines.emplace_back([&, m] {
      PgLink own(conninfo);
      KeywordQueue q(own, "m" + std::to_string(m));
      while (std::optional<TakenKeyword> t = q.take(60)) taken[m].push_back(t->id);
    });
  }
  for (std::thread& t : machines) t.join();
  std::set<std::int64_t> all;
  std::size_t total = 0;
  for (const auto& ids : taken) {
    all.insert(ids.begin(), ids.end());
    total += ids.size();
  }
  EXPECT_EQ(total, 60u);
  EXPECT_EQ(all.size(), 60u);
}

TEST_F(TeamTest, ANumberFoundByTwoMachinesIsOneRowSeenTwice) {
  using S = harvest::Sighting;
  TeamBatchWriter a(*link, "a"), b(*link, "b");
  EXPECT_TRUE(a.write(pageBatch("run-a", {{"0755-26543210", S::Listed}, {"0755-1", S::Rejected}})));
  EXPECT_TRUE(b.write(pageBatch("run-b", {{"0755-26543210", S::Known}, {"020-88000001", S::Listed}},
                                std::string("传真\0有个零字节", 22))));
  RecordBatch again = pageBatch("run-b", {{"020-88000001", S::Listed}});
  again.journalKey = "k1";
  EXPECT_TRUE(b.write(again));
  EXPECT_FALSE(b.write(again)) << "a waiting batch written twice";
  // A page waits for no check; the checks come after, a share at a time.
  EXPECT_EQ(count("SELECT count(*) FROM numbers WHERE valid IS NULL"), 2);
  EXPECT_EQ(checkUncheckedNumbers(*link, 1), 1);
  EXPECT_EQ(checkUncheckedNumbers(*link, 500), 1);
  EXPECT_EQ(checkUncheckedNumbers(*link, 500), 0);
  struct Row {
    const char* sql;
    std::int64_t expected;
  };
  const Row rows[] = {
      {"SELECT count(*) FROM numbers", 2},
      {"SELECT times_seen FROM numbers WHERE number = '0755-26543210'", 2},
      {"SELECT times_seen FROM numbers WHERE number = '020-88000001'", 2},
      {"SELECT valid FROM numbers WHERE number = '0755-26543210'", 1},
      {"SELECT count(*) FROM numbers WHERE kind = 'fixed' AND region <> ''", 2},
      {"SELECT count(*) FROM numbers WHERE number = '0755-1'", 0},
      {"SELECT count(*) FROM sightings", 5},
      {"SELECT count(*) FROM sightings WHERE machine = 'b'", 3},
      {"SELECT count(*) FROM searches", 2},
      {"SELECT count(*) FROM sightings WHERE line LIKE '传真 有个零字节%'", 2},
  };
  for (const Row& r : rows) EXPECT_EQ(count(r.sql), r.expected) << r.sql;
}

TEST_F(TeamTest, AStoreNewerThanTheProgramIsNotTouched) {
  link->exec("UPDATE team_schema SET version = 99", "pretend a newer program");
  try {
    createOrMigrateTeam(*link);
    FAIL() << "a newer store was taken";
  } catch (const TeamError& e) {
    EXPECT_EQ(e.sqlState(), "VALO1");
  }
}

// Records made while the server is stopped wait in the journal, are known to
// 历史去重 meanwhile, and reach the server once it is back; a journal left by
// a program that ended is taken over by the next.
TEST_F(TeamTest, RecordsWaitOnThisMachineWhileTheServerIsAway) {
  const char* version = std::getenv("PGVERSION");
  ASSERT_NE(version, nullptr);
  const std::string cluster = std::string("pg_ctlcluster ") + version + " regress ";
  QTemporaryDir folder;
  auto setup = [&](const char* pid) {
    TeamStoreSetup s;
    s.conninfo = conninfo;
    s.machine = "m";
    s.journalPath = folder.filePath(QStringLiteral("valofaxteam-waiting-")).toStdString() + pid;
    s.retryMs = 200;
    s.connectTimeoutSeconds = 1;
    return s;
  };
  auto page = [](TeamStore& store, const char* number) {
    harvest::PageSource source;
    source.keyword = gbk("深圳 传真");
    source.engine = GbkString("http://www.baidu.com");
    source.address = "http://www.baidu.com/s";
    source.keywordLine = 1;
    store.beginPage(source);
    store.sighted(number, gbk("传真：") + number, harvest::Sighting::Listed);
    std::promise<std::optional<GbkString>> told;
    store.commitPage([&](std::optional<GbkString> status) { told.set_value(status); });
    return told.get_future().get();
  };
  link.reset();
  ASSERT_EQ(std::system((cluster + "stop >/dev/null").c_str()), 0);
  {
    TeamStore store(setup("1"));
    store.beginSearch({GbkString("http://www.baidu.com"), 1, 0});
    const std::optional<GbkString> status = page(store, "0755-26543210");
    ASSERT_TRUE(status);
    EXPECT_NE(utf8FromGbk(*status).find("团队服务器连接失败"), std::string::npos) << utf8FromGbk(*status);
    EXPECT_TRUE(store.knownBefore("0755-26543210"));
    EXPECT_GT(store.waitingRecords(), 0);
  }  // ended with its records in the journal
  ASSERT_EQ(std::system((cluster + "start >/dev/null").c_str()), 0);
  {
    TeamStore next(setup("2"));
    ASSERT_TRUE(next.waitUntilIdle(30000));
    next.beginSearch({GbkString("http://www.baidu.com"), 1, 0});
    EXPECT_FALSE(page(next, "020-88000001"));
    ASSERT_TRUE(next.waitUntilIdle(30000));
    EXPECT_TRUE(next.knownBefore("0755-26543210"));
    // A page's numbers asked ahead, in one question off this thread, are
    // answered from memory for that page, even with the server gone since.
    std::promise<void> looked;
    next.lookAhead([] { return std::vector<std::string>{"020-88000001", "010-99999999", "0755-26543210"}; },
                   [&] { looked.set_value(); });
    looked.get_future().wait();
    ASSERT_EQ(std::system((cluster + "stop >/dev/null").c_str()), 0);
    EXPECT_TRUE(next.knownBefore("0755-26543210"));
    EXPECT_TRUE(next.knownBefore("020-88000001"));
    EXPECT_FALSE(next.knownBefore("010-99999999"));
    ASSERT_EQ(std::system((cluster + "start >/dev/null").c_str()), 0);
  }
  link = std::make_unique<PgLink>(conninfo);
  EXPECT_EQ(count("SELECT count(*) FROM numbers"), 2);
  EXPECT_EQ(count("SELECT count(*) FROM searches"), 2);
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 0) << "a journal stayed behind";
}

// An import adds what the team lacks and names its file on what had no
// source; a cancel takes back exactly what it wrote, through the store's
// owner.
TEST_F(TeamTest, AnImportAddsWhatIsNewAndACancelTakesItBack) {
  ASSERT_TRUE(TeamBatchWriter(*link, "a").write(pageBatch("run-a", {{"0755-26543210", harvest::Sighting::Listed}})));
  QTemporaryDir folder;
  auto writeList = [&](const char* name, const char* text) {
    QFile f(folder.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return f.fileName();
  };
  TeamStoreSetup setup;
  setup.conninfo = conninfo;
  setup.machine = "m";
  setup.journalPath = folder.filePath(QStringLiteral("journal")).toStdString();
  TeamStore store(setup);
  files::store::ImportLimits small;
  small.batchRows = 2;
  small.pause = std::chrono::milliseconds(0);

  const files::store::ImportOutcome whole = importIntoTeam(
      store, writeList("list.txt", "0755-26543210\r\n020-88000001\r\n021-66000002\r\n020-88000001\r\nnone\r\n"),
      folder.path(), {}, std::stop_token{}, small);
  EXPECT_EQ(whole.added, 2);
  EXPECT_EQ(whole.known, 1);
  EXPECT_EQ(whole.repeated, 1);
  EXPECT_EQ(whole.withoutNumber, 1);
  EXPECT_EQ(count("SELECT count(*) FROM numbers WHERE source = 'list.txt'"), 3);

  std::stop_source stop;
  const files::store::ImportOutcome cancelled = importIntoTeam(
      store, writeList("more.txt", "010-1\r\n010-62000003\r\n010-62000004\r\n010-62000005\r\n010-62000006\r\n"),
      folder.path(),
      [&](files::store::ImportStage stage, std::uint64_t done, std::uint64_t) {
        if (stage == files::store::ImportStage::Writing && done >= 2) stop.request_stop();
      },
      stop.get_token(), small);
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(count("SELECT count(*) FROM numbers WHERE number LIKE '010-%' OR source = 'more.txt'"), 0);
  EXPECT_EQ(count("SELECT count(*) FROM numbers"), 3);
  // The writer checks what came in unchecked.
  ASSERT_TRUE(store.waitUntilIdle(10000));
  for (int i = 0; i < 100 && count("SELECT count(*) FROM numbers WHERE valid IS NULL") > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(count("SELECT count(*) FROM numbers WHERE valid IS NULL"), 0);
}

}  // namespace
}  // namespace valo::team
