// Times the number store with many numbers stored, each figure beside a peer
// measured in the same run on the same file:
//
//   page step   recording a page of 50 sightings with their 历史去重 look-ups
//               (half of them numbers the store holds, half new ones that get
//               the libphonenumber check): the calling thread's share (look-
//               ups, sightings, the hand-over to the writer) while the writer
//               is busy with other jobs, and the writer's commit of the page
//               in one transaction; peer: the same 50 sightings as plain
//               INSERTs in one transaction, without look-ups, upserts or
//               checks. The page's 历史去重 look-ups go ahead on the
//               store's own thread first, as a search asks for them when the
//               page's text arrives; their time is printed apart. Timed
//               with the disk's sync (synchronous=FULL) and with it aside (a
//               VFS whose xSync does nothing).
//   start-up    opening the store as the program does at start, with the
//               numbers stored; peer: the same on an empty store.
//
// The big store is generated once (several minutes for 10,000,000 numbers)
// and kept for later runs; the page steps add a few thousand rows to it.
//
//   bench_store [--numbers N] [--pages P] [--db PATH]
//               default 10,000,000 numbers in /tmp/valo-bench-store-N.db, 200 pages
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <future>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "files/store/number_store.h"
#include "files/store/store_open.h"
#include "files/store/store_schema.h"
#include "files/store/store_transaction.h"
#include "harvest/number_check.h"

using namespace valo;
using namespace valo::files::store;

namespace {

using Clock = std::chrono::steady_clock;

// This thread's processor time: on a machine shared with other work the
// page step's own cost, beside its wall time.
double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000 + static_cast<double>(t.tv_nsec) / 1e6;
}

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string storedNumber(long long i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0755-%08lld", 10000000 + i);
  return buf;
}

// The big store: numbers in key order, so every table and index grows at its
// end and generation stays linear. One sighting per number.
void generate(const std::string& path, long long numbers) {
  std::printf("generating %lld numbers into %s ...\n", numbers, path.c_str());
  std::fflush(stdout);
  const auto start = Clock::now();
  std::filesystem::remove(path);
  {
    Connection db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-1000000", "fast");
    createOrMigrate(db);
    db.exec("BEGIN", "begin");
    db.exec(
        "INSERT INTO searches(started_at, ended_at, engine, pause_seconds, start_line, pages_read, "
        "numbers_listed, end_text) VALUES('2026-11-01T09:00:00', '2026-11-30T18:00:00', "
        "'http://www.baidu.com', 8, 0, 1000000, " +
            std::to_string(numbers) + ", '搜索已经结束！')",
        "search");
    Statement sight(
        db.get(),
        "INSERT INTO sightings(number, seen_at, search_id, keyword, keyword_line, engine, page_url, "
        "page_number, line, skipped) VALUES(?1, ?2, 1, '深圳 机械 传真:', 1, 'http://www.baidu.com', "
        "'http://www.baidu.com/s?wd=%C9%EE%DB%DA&pn=10&cl=3', 2, ?3, 0)");
    Statement number(
        db.get(),
        "INSERT INTO numbers(number, valid, kind, region, first_seen, last_seen, times_seen, "
        "first_search_id, first_keyword, first_engine, first_page_url, source_line) VALUES(?1, 1, "
        "'fixed', '广东省深圳市', ?2, ?2, 1, 1, '深圳 机械 传真:', 'http://www.baidu.com', "
        "'http://www.baidu.com/s?wd=%C9%EE%DB%DA&pn=10&cl=3', ?3)");
    for (long long i = 0; i < numbers; ++i) {
      const std::string n = storedNumber(i);
      char seen[64];
      std::snprintf(seen, sizeof seen, "2026-11-%02lldT%02lld:%02lld:%02lld", 1 + i * 29 / numbers,
                    (i / 3600) % 24, (i / 60) % 60, i % 60);
      const std::string line = "深圳某某机械有限公司 电话：0755-88888888 传真：" + n;
      sight.bind(1, n).bind(2, std::string_view(seen)).bind(3, line);
      sight.step();
      sight.reset();
      number.bind(1, n).bind(2, std::string_view(seen)).bind(3, line);
      number.step();
      number.reset();
      if (i % 1000000 == 999999) {
        std::printf("  %lld\n", i + 1);
        std::fflush(stdout);
      }
    }
    db.exec("COMMIT", "commit");
  }
  std::printf("generated in %.0f s, %.2f GB\n", msSince(start) / 1000,
              static_cast<double>(std::filesystem::file_size(path)) / 1e9);
}

// A VFS like the default one whose files never sync: the page step with the
// disk's sync aside.
sqlite3_vfs* g_real = nullptr;
std::map<const sqlite3_io_methods*, sqlite3_io_methods> g_methods;
int noSync(sqlite3_file*, int) {
  return SQLITE_OK;
}
int openNoSync(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
  const int rc = g_real->xOpen(g_real, name, file, flags, outFlags);
  if (rc == SQLITE_OK && file->pMethods != nullptr) {
    auto [it, made] = g_methods.try_emplace(file->pMethods, *file->pMethods);
    it->second.xSync = noSync;
    file->pMethods = &it->second;
  }
  return rc;
}
sqlite3_vfs g_noSync;
void useSync(bool sync) {
  if (g_real == nullptr) {
    g_real = sqlite3_vfs_find(nullptr);
    g_noSync = *g_real;
    g_noSync.zName = "valo-bench-nosync";
    g_noSync.xOpen = openNoSync;
  }
  sqlite3_vfs_register(sync ? g_real : &g_noSync, 1);
}

struct Figures {
  double meanMs = 0, p95Ms = 0, lookupMs = 0, cpuMs = 0;
};

Figures summarise(std::vector<double> times, double lookups, double cpu) {
  Figures f;
  f.cpuMs = cpu / static_cast<double>(times.size());
  for (double t : times) f.meanMs += t;
  f.meanMs /= static_cast<double>(times.size());
  std::sort(times.begin(), times.end());
  f.p95Ms = times[times.size() * 95 / 100];
  f.lookupMs = lookups / static_cast<double>(times.size());
  return f;
}

// A page of 50: every other one a stored number, the rest new.
std::vector<std::string> pageNumbers(std::mt19937_64& rng, long long stored) {
  std::vector<std::string> page;
  for (int k = 0; k < 50; ++k) {
    if (k % 2 == 0) {
      page.push_back(storedNumber(static_cast<long long>(rng() % static_cast<std::uint64_t>(stored))));
    } else {
      char buf[32];
      std::snprintf(buf, sizeof buf, "021-5%07llu", static_cast<unsigned long long>(rng() % 10000000));
      page.push_back(buf);
    }
  }
  return page;
}

std::string gbkLine(const std::string& number) {
  return gbk("上海某某食品有限公司 地址：上海市浦东新区 传真：") + number;
}

// One page as the search records it: the look-ups and sightings on the
// calling thread (the window's), the page handed to the writer, and the
// writer's answer awaited before the next page, as the run awaits it
// before its next request. With `busyWriter` the writer has a job of a few
// thousand rows waiting before every page, as during an import.
struct StepFigures {
  Figures step;    // the calling thread's share of a page
  Figures commit;  // from the hand-over to the writer's answer
  Figures ahead;   // the look-ahead of the page's numbers, on the store's thread
};

StepFigures contender(const std::string& path, long long stored, int pages, std::uint64_t seed,
                      bool busyWriter) {
  NumberStore store(QString::fromStdString(path), [] { return QDateTime::currentDateTime(); });
  store.waitUntilIdle();
  if (const GbkString notice = store.takeNotice(); !notice.empty()) {
    std::fprintf(stderr, "no store: %s\n", utf8FromGbk(notice).c_str());
    std::exit(1);
  }
  std::mt19937_64 rng(seed);
  store.beginSearch({gbk("http://www.baidu.com"), 8, 0});
  std::vector<double> steps, commits, ahead;
  double lookups = 0, cpu = 0;
  long long filler = 0;
  for (int p = 0; p < pages; ++p) {
    const std::vector<std::string> numbers = pageNumbers(rng, stored);
    std::vector<std::string> lines;
    for (const std::string& n : numbers) lines.push_back(gbkLine(n));
    // Idle means idle: what the last page left (the checks of its new
    // numbers, done after its answer) is over, as in the seconds between
    // two of a search's requests.
    if (!busyWriter) store.waitUntilIdle();
    if (busyWriter) {
      store.post([&filler](Connection& db) {
        Transaction batch(db, "filler");
        Statement insert(db.get(),
                         "INSERT OR IGNORE INTO numbers(number, first_seen, last_seen) VALUES(?1, 'x', 'x')");
        for (int i = 0; i < 3000; ++i) {
          insert.bind(1, "099-" + std::to_string(filler++)).step();
          insert.reset();
        }
        batch.commit();
      });
    }
    // The page's look-ups go ahead on the store's own thread, as the session
    // asks for them when a page's text arrives; the window's thread waits
    // in its event loop meanwhile, which is not part of its step.
    std::promise<void> lookedUp;
    const auto aheadStart = Clock::now();
    store.lookAhead([numbers] { return numbers; }, [&lookedUp] { lookedUp.set_value(); });
    lookedUp.get_future().wait();
    ahead.push_back(msSince(aheadStart));
    std::promise<double> answered;
    std::future<double> answer = answered.get_future();
    const double cpuStart = cpuMs();
    const auto start = Clock::now();
    store.beginPage({gbk("上海 食品 传真:"), 2, gbk("http://www.baidu.com"),
                     "http://www.baidu.com/s?wd=%C9%CF%BA%A3&pn=" + std::to_string(p * 10) + "&cl=3", {}});
    for (std::size_t k = 0; k < numbers.size(); ++k) {
      const auto ask = Clock::now();
      const bool known = store.knownBefore(numbers[k]);
      lookups += msSince(ask);
      store.sighted(numbers[k], lines[k], known ? harvest::Sighting::Known : harvest::Sighting::Listed);
    }
    const auto handed = Clock::now();
    store.commitPage([&answered, handed](std::optional<GbkString>) { answered.set_value(msSince(handed)); });
    steps.push_back(msSince(start));
    cpu += cpuMs() - cpuStart;
    commits.push_back(answer.get());
  }
  store.endSearch({0, 0, gbk("搜索已经结束！")});
  store.waitUntilIdle();
  if (store.waitingRecords() != 0)
    std::fprintf(stderr, "records left waiting: %lld\n", (long long)store.waitingRecords());
  return {summarise(steps, lookups, cpu), summarise(commits, 0, 0), summarise(ahead, 0, 0)};
}

Figures peer(const std::string& path, long long stored, int pages, std::uint64_t seed) {
  Connection db(path, SQLITE_OPEN_READWRITE);
  db.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", "pragmas");
  Statement insert(
      db.get(),
      "INSERT INTO sightings(number, seen_at, search_id, keyword, keyword_line, engine, page_url, "
      "page_number, line, skipped) VALUES(?1, ?2, 1, ?3, 2, ?4, ?5, ?6, ?7, 0)");
  std::mt19937_64 rng(seed);
  std::vector<double> times;
  double cpu = 0;
  for (int p = 0; p < pages; ++p) {
    const std::vector<std::string> numbers = pageNumbers(rng, stored);
    std::vector<std::string> lines;
    for (const std::string& n : numbers) lines.push_back(gbkLine(n));
    const double cpuStart = cpuMs();
    const auto start = Clock::now();
    const std::string seen =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toStdString();
    const std::string url = "http://www.baidu.com/s?wd=%C9%CF%BA%A3&pn=" + std::to_string(p * 10) + "&cl=3";
    db.exec("BEGIN", "begin");
    for (std::size_t k = 0; k < numbers.size(); ++k) {
      insert.bind(1, numbers[k]).bind(2, seen).bind(3, std::string_view("上海 食品 传真:"));
      insert.bind(4, std::string_view("http://www.baidu.com")).bind(5, url).bind(6, p + 1);
      insert.bind(7, utf8FromGbk(lines[k]));
      insert.step();
      insert.reset();
    }
    db.exec("COMMIT", "commit");
    times.push_back(msSince(start));
    cpu += cpuMs() - cpuStart;
  }
  return summarise(times, 0, cpu);
}

double openMs(const std::string& path) {
  std::vector<double> times;
  for (int i = 0; i < 7; ++i) {
    const auto start = Clock::now();
    NumberStore store(QString::fromStdString(path), [] { return QDateTime::currentDateTime(); });
    times.push_back(msSince(start));
    store.waitUntilIdle();
    if (!store.takeNotice().empty()) std::fprintf(stderr, "no store at %s\n", path.c_str());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  long long numbers = 10000000;
  int pages = 200;
  std::string path;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--numbers") == 0) numbers = std::atoll(argv[i + 1]);
    if (std::strcmp(argv[i], "--pages") == 0) pages = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--db") == 0) path = argv[i + 1];
  }
  if (path.empty()) path = "/tmp/valo-bench-store-" + std::to_string(numbers) + ".db";
  bool ready = std::filesystem::exists(path);
  if (ready) {
    Connection db(path, SQLITE_OPEN_READONLY);
    ready = db.scalar("SELECT count(*) FROM numbers") >= numbers;
  }
  if (!ready) generate(path, numbers);

  {
    std::mt19937_64 rng(3);
    const auto start = Clock::now();
    for (int i = 0; i < 2000; ++i) harvest::checkMainlandNumber(pageNumbers(rng, numbers)[1]);
    std::printf("libphonenumber check of a new number: %.1f us\n", msSince(start) * 1000 / 2000);
  }
  {
    // The whole file into the system's cache first: otherwise whichever
    // side reads a page first pays the disk for both, and the ratio is of
    // the disk's moods rather than of the work.
    const auto start = Clock::now();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::vector<char> buf(1 << 20);
    while (f != nullptr && std::fread(buf.data(), 1, buf.size(), f) == buf.size()) {
    }
    if (f != nullptr) std::fclose(f);
    std::printf("store file read into the system's cache in %.1f s\n", msSince(start) / 1000);
  }
  std::printf("store: %s, %lld numbers, %.2f GB; %d pages of 50 sightings each\n", path.c_str(), numbers,
              static_cast<double>(std::filesystem::file_size(path)) / 1e9, pages);
  for (const bool sync : {false, true}) {
    useSync(sync);
    const StepFigures idle = contender(path, numbers, pages, sync ? 7 : 11, false);
    const StepFigures busy = contender(path, numbers, pages, sync ? 5 : 13, true);
    // Numbers of its own: neither finds the pages the other has just read.
    const Figures p = peer(path, numbers, pages, sync ? 17 : 19);
    std::printf("page of 50 sightings (%s):\n", sync ? "with the disk's sync" : "sync aside");
    std::printf(
        "  window's thread, writer busy (look-ups, sightings, hand-over)  mean %7.3f ms  p95 %7.3f ms"
        "  processor %7.3f ms  (look-ups %.3f ms)%s\n",
        busy.step.meanMs, busy.step.p95Ms, busy.step.cpuMs, busy.step.lookupMs,
        busy.step.p95Ms <= 1.0 ? "   (p95 <= 1 ms: yes)" : "   (p95 <= 1 ms: NO)");
    std::printf(
        "  window's thread, writer idle                                  mean %7.3f ms  p95 %7.3f ms\n",
        idle.step.meanMs, idle.step.p95Ms);
    std::printf(
        "  look-ahead on the store's thread (window free), writer busy   mean %7.3f ms  p95 %7.3f ms\n",
        busy.ahead.meanMs, busy.ahead.p95Ms);
    std::printf(
        "  writer's commit (sightings, upserts, checks), writer idle     mean %7.3f ms  p95 %7.3f ms\n",
        idle.commit.meanMs, idle.commit.p95Ms);
    std::printf(
        "  peer: plain INSERT loop in one transaction                    mean %7.3f ms  p95 %7.3f ms\n",
        p.meanMs, p.p95Ms);
    std::printf("  ratio writer's commit / peer %.2f x%s; window's step p95 / peer p95 %.2f x\n",
                idle.commit.meanMs / p.meanMs,
                idle.commit.meanMs <= 2 * p.meanMs ? "   (<= 2 x: yes)" : "   (<= 2 x: NO)",
                busy.step.p95Ms / p.p95Ms);
  }
  useSync(true);

  const std::string empty = "/tmp/valo-bench-store-empty-" + std::to_string(getpid()) + ".db";
  const double big = openMs(path);
  const double none = openMs(empty);
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(empty + suffix);
  std::printf(
      "start-up (store open, median of 7): %lld numbers %.2f ms, empty store %.2f ms, difference %.2f ms%s\n",
      numbers, big, none, big - none, big - none <= 200 ? "   (<= 0.2 s: yes)" : "   (<= 0.2 s: NO)");
  return 0;
}
