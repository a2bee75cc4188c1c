// Times the number store's import of a number list against the sqlite3
// shell's `.import` of the same file into a table with a unique index on the
// number (both in WAL mode with synchronous=FULL), in one run, and prints
// each side's time and peak memory with the ratio of the times:
//
//   ours    this process: the memory it gains during the import (VmHWM after
//           resetting it through /proc/self/clear_refs), and the time of
//           each stage (reading and sorting, writing)
//   peer    a process of its own: its whole peak (ru_maxrss)
//
// The list holds distinct numbers in a scrambled order, one a line with
// CR LF; with `--distinct D` its lines draw on D numbers only, so that a
// list of a gigabyte imports in minutes.
//
// Beside ours, a thread writes a search's page every 50 ms on a connection of
// its own that waits kWriteWaitMs for the lock, as the recorder does; the
// longest wait and any page refused are printed.
//
//   bench_store_import [--lines N] [--distinct D] [--folder DIR] [--no-peer] [--pages]
//                      [--pause-ms MS] [--batch-ms MS]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "files/store/store_import.h"
#include "files/store/store_open.h"
#include "files/store/store_schema.h"

#include "bench_numbers.h"

extern char** environ;

namespace {

using namespace valo::files::store;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct PeerRun {
  double seconds = 0;
  double peakMb = 0;
};

PeerRun runPeer(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", args[0].c_str());
    std::exit(1);
  }
  posix_spawn_file_actions_destroy(&actions);
  int status = -1;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  PeerRun run{since(start), static_cast<double>(usage.ru_maxrss) / 1024};
  if (status != 0) {
    std::fprintf(stderr, "%s failed (status %d)\n", args[0].c_str(), status);
    std::exit(1);
  }
  return run;
}

double peakMb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024;
  }
  return 0;
}

using valo::bench::kAreaCodes;

using valo::bench::numberAt;

// Scrambles 0..n-1 without a table: a step coprime to n walks every index.
std::int64_t scrambled(std::int64_t i, std::int64_t n) {
  std::int64_t step = 2654435761 % n;
  while (std::gcd(step, n) != 1) ++step;
  return static_cast<std::int64_t>((static_cast<__int128>(i) * step + 12345) % n);
}

}  // namespace

int main(int argc, char** argv) {
  std::int64_t lines = 1000000;
  std::int64_t distinct = 0;
  QString folder = QDir::tempPath();
  bool peer = true;
  bool pagesBeside = false;
  ImportLimits limits;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--lines") == 0 && i + 1 < argc) lines = std::atoll(argv[++i]);
    else if (std::strcmp(argv[i], "--distinct") == 0 && i + 1 < argc) distinct = std::atoll(argv[++i]);
    else if (std::strcmp(argv[i], "--folder") == 0 && i + 1 < argc) folder = QString::fromLocal8Bit(argv[++i]);
    else if (std::strcmp(argv[i], "--no-peer") == 0) peer = false;
    else if (std::strcmp(argv[i], "--pages") == 0) pagesBeside = true;
    else if (std::strcmp(argv[i], "--pause-ms") == 0 && i + 1 < argc) limits.pause = std::chrono::milliseconds(std::atoi(argv[++i]));
    else if (std::strcmp(argv[i], "--batch-ms") == 0 && i + 1 < argc) limits.batchTime = std::chrono::milliseconds(std::atoi(argv[++i]));
  }
  QTemporaryDir dir(QDir(folder).filePath(QStringLiteral("bench-import-XXXXXX")));
  const std::string work = dir.path().toStdString() + "/";
  const std::string list = work + "list.txt";
  {
    std::ofstream out(list, std::ios::binary);
    for (std::int64_t i = 0; i < lines; ++i) {
      const std::int64_t at = scrambled(i, lines);
      out << numberAt(distinct > 0 ? at % distinct : at) << "\r\n";
    }
    if (!out) return 1;
  }
  std::printf("%lld lines (%.0f MB) in %s\n", static_cast<long long>(lines),
              static_cast<double>(QFileInfo(QString::fromStdString(list)).size()) / 1e6, work.c_str());
  std::fflush(stdout);

  Connection store(work + "valofaxnumbers.db", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  store.exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL", "journal");
  createOrMigrate(store);
  sqlite3_busy_timeout(store.get(), 5000);  // as the 号码库 window's connection waits for a page
  double longestWait = 0;
  int pages = 0;
  int refused = 0;
  std::jthread search([&](std::stop_token importing) {
    if (!pagesBeside) return;
    Connection page = openStoreConnection(QString::fromStdString(work + "valofaxnumbers.db"));
    while (!importing.stop_requested()) {
      const auto asked = Clock::now();
      try {
        // Only the wait for the lock is timed; the page's own commit is not the import's doing.
        page.exec("BEGIN IMMEDIATE", "a page");
        longestWait = std::max(longestWait, since(asked));
        page.exec("INSERT INTO searches (started_at, engine, pause_seconds, start_line) VALUES ('t', 'e', 0, 0); "
                  "COMMIT",
                  "a page");
        ++pages;
      } catch (const SqliteError& e) {
        ++refused;
        std::printf("page refused after %.0f ms: %s\n", since(asked) * 1000, e.what());
        sqlite3_exec(page.get(), "ROLLBACK", nullptr, nullptr, nullptr);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  std::ofstream("/proc/self/clear_refs") << "5";
  const double before = peakMb();
  const auto start = Clock::now();
  double readingDone = 0;
  const auto progress = [&](ImportStage stage, std::uint64_t, std::uint64_t) {
    if (stage == ImportStage::Writing && readingDone == 0) readingDone = since(start);
  };
  const ImportOutcome outcome =
      runNumberImport(store, QString::fromStdString(list), dir.path(), progress, std::stop_token{}, limits);
  const double ours = since(start);
  const double grown = peakMb() - before;
  search.request_stop();
  search.join();
  std::printf("import: %lld added, %lld repeated, %lld without number; reading and sorting %.2f s, writing %.2f s\n",
              static_cast<long long>(outcome.added), static_cast<long long>(outcome.repeated),
              static_cast<long long>(outcome.withoutNumber), readingDone, ours - readingDone);
  if (pagesBeside) {
    std::printf("        a page every 50 ms beside it: %d written, %d refused, longest wait %.0f ms\n", pages, refused,
                longestWait * 1000);
  }
  if (!peer) {
    std::printf("import  valofax %7.2f s  peak +%.0f MB\n", ours, grown);
    return 0;
  }
  // The same file, journal and unique key; the shell's .import writes in one
  // transaction and keeps the first of repeated lines.
  const PeerRun theirs =
      runPeer({"sqlite3", "-cmd", "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;", "-cmd",
               "CREATE TABLE numbers (number TEXT NOT NULL); CREATE UNIQUE INDEX numbers_number ON numbers (number);",
               "-cmd", ".import " + list + " numbers", work + "sqlite3-import.db", "SELECT count(*) FROM numbers"});
  const double ratio = ours / theirs.seconds;
  std::printf("import  valofax %7.2f s  peak +%.0f MB   sqlite3 .import %7.2f s  peak %.0f MB   ratio %.2f "
              "(target <= 1.0) %s\n",
              ours, grown, theirs.seconds, theirs.peakMb, ratio, ratio <= 1.0 ? "ok" : "MISSED");
  return 0;
}
