// Times the number store's file work against peers on the same data, in one
// run, and prints each pair with its ratio:
//
//   xlsx    export of every row to .xlsx (libxlsxwriter, constant memory)
//           vs openpyxl in write-only mode writing the same rows from the
//           same store (Debian's python3 and python3-openpyxl)
//   csv     export of every row to CSV (UTF-8 with BOM) vs the sqlite3
//           shell's `.mode csv` output of the same table
//   import  import of a list of distinct numbers, one a line, into an empty
//           store vs the sqlite3 shell's `.import` of the same file into a
//           table with a unique index on the number, both in WAL mode with
//           synchronous=FULL; the checks that follow in the background are
//           timed on a line of their own
//
// Peers run as processes of their own; the program's side runs in this one.
//
//   query   (no peer) what the 号码库 window waits for on this store: the
//           first page with both counts, unfiltered and for a few filters
//
//   bench_store_io [--rows N] [--only xlsx|csv|import|query] [--keep]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "files/store/number_check_worker.h"
#include "files/store/number_store.h"
#include "files/store/store_export.h"
#include "files/store/store_import.h"
#include "files/store/store_schema.h"

#include "bench_numbers.h"

extern char** environ;

namespace {

using namespace valo::files::store;

double seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs a peer and returns its wall time; exits when it fails.
double runPeer(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int status = -1;
  const double t = seconds([&] {
    // The peers' own output (sqlite3 prints the count it is asked for) is not ours.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return;
    waitpid(pid, &status, 0);
  });
  if (status != 0) {
    std::fprintf(stderr, "%s failed (status %d)\n", args[0].c_str(), status);
    std::exit(1);
  }
  return t;
}

void report(const char* what, const char* peer, double ours, double theirs, double target) {
  const double ratio = ours / theirs;
  std::printf("%-7s valofax %7.2f s   %-16s %7.2f s   ratio %.2f (target <= %.1f) %s\n", what, ours, peer, theirs,
              ratio, target, ratio <= target ? "ok" : "MISSED");
  std::fflush(stdout);
}

using valo::bench::kAreaCodes;
const char* const kRegions[] = {"北京市", "广东省广州市", "上海市", "天津市", "重庆市",
                                "广东省深圳市", "浙江省杭州市", "江苏省苏州市", "广东省东莞市", "海南省海口市"};

using valo::bench::numberAt;

void fillStore(Connection& db, std::int64_t rows) {
  db.exec("BEGIN", "begin");
  Statement insert(db.get(),
                   "INSERT OR IGNORE INTO numbers (number, valid, kind, region, first_seen, last_seen, times_seen, "
                   "first_search_id, first_keyword, first_engine, first_page_url, source_line) "
                   "VALUES (?1, 1, ?2, ?3, ?4, ?4, ?5, NULL, ?6, '百度', ?7, ?8)");
  std::mt19937 rng(7);
  for (std::int64_t i = 0; i < rows; ++i) {
    const std::string number = numberAt(i);
    char when[32];
    std::snprintf(when, sizeof when, "2026-%02d-%02dT%02d:%02d:%02d", 1 + static_cast<int>(rng() % 12),
                  1 + static_cast<int>(rng() % 28), static_cast<int>(rng() % 24), static_cast<int>(rng() % 60),
                  static_cast<int>(rng() % 60));
    const bool mobile = i % 7 == 0;
    insert.bind(1, number)
        .bind(2, mobile ? kKindMobile : kKindFixed)
        .bind(3, kRegions[i % 10])
        .bind(4, when)
        .bind(5, std::int64_t{1 + static_cast<std::int64_t>(rng() % 5)})
        .bind(6, "深圳 机械 传真:")
        .bind(7, "https://www.baidu.com/s?wd=%E6%B7%B1%E5%9C%B3&pn=" + std::to_string(rng() % 70 * 10))
        .bind(8, "深圳市某某机械设备有限公司 电话：0755-2345678 传真：" + number + " 地址：宝安区");
    insert.step();
    insert.reset();
  }
  db.exec("COMMIT", "commit");
}

constexpr const char* kOpenpyxl = R"py(
import sqlite3, sys, openpyxl
kinds = {'fixed': '固定电话', 'mobile': '手机'}
book = openpyxl.Workbook(write_only=True)
sheet = book.create_sheet('号码')
sheet.append(['号码', '首次发现', '最近发现', '次数', '首个关键字', '首个引擎', '首个网页地址', '来源行',
              '有效', '类型', '地区', '导入来源'])
rows = sqlite3.connect(sys.argv[1]).execute(
    'SELECT number, first_seen, last_seen, times_seen, first_keyword, first_engine, first_page_url, '
    'source_line, valid, kind, region, source FROM numbers ORDER BY number')
for r in rows:
    sheet.append([r[0], r[1], r[2], str(r[3]), r[4], r[5], r[6], r[7], '是' if r[8] else '否',
                  kinds.get(r[9], '其他'), r[10], r[11]])
book.save(sys.argv[2])
)py";

}  // namespace

int main(int argc, char** argv) {
  std::int64_t rows = 1000000;
  std::string only;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) rows = std::atoll(argv[++i]);
    else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) only = argv[++i];
    else if (std::strcmp(argv[i], "--keep") == 0) keep = true;
  }
  QTemporaryDir dir;
  dir.setAutoRemove(!keep);
  const std::string folder = dir.path().toStdString() + "/";
  const std::string store = folder + "valofaxnumbers.db";
  std::printf("%lld rows in %s\n", static_cast<long long>(rows), folder.c_str());

  Connection db(store, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  db.exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL", "journal");
  createOrMigrate(db);
  std::printf("store filled in %.2f s\n", seconds([&] { fillStore(db, rows); }));
  const std::string columns =
      "SELECT number, first_seen, last_seen, times_seen, first_keyword, first_engine, first_page_url, "
      "source_line, valid, kind, region, source FROM numbers ORDER BY number";

  if (only.empty() || only == "query") {
    auto filterOf = [](auto set) {
      StoreFilter f;
      set(f);
      return f;
    };
    const std::pair<const char*, StoreFilter> cases[] = {
        {"none", {}},
        {"text 机械", filterOf([](StoreFilter& f) { f.text = "机械"; })},
        {"text 0755-2001", filterOf([](StoreFilter& f) { f.text = "0755-2001"; })},
        {"kind mobile", filterOf([](StoreFilter& f) { f.kind = kKindMobile; })},
        {"region 深圳", filterOf([](StoreFilter& f) { f.region = "深圳"; })},
        {"one day", filterOf([](StoreFilter& f) { f.fromDate = f.toDate = "2026-06-15"; })},
    };
    for (const auto& [name, filter] : cases) {
      std::int64_t matching = 0;
      const double t = seconds([&] {
        StoreQuery query(db, filter);
        query.page("", 256);
        matching = query.countMatching();
        query.countAll();
      });
      std::printf("query   %-16s first page and counts %.3f s (%lld rows)\n", name, t, static_cast<long long>(matching));
    }
    std::fflush(stdout);
  }
  if (only.empty() || only == "xlsx") {
    StoreQuery query(db, {});
    const double ours = seconds([&] {
      exportRows(query, QString::fromStdString(folder + "ours.xlsx"), ExportFormat::Xlsx);
    });
    const double theirs = runPeer({"/usr/bin/python3", "-c", kOpenpyxl, store, folder + "openpyxl.xlsx"});
    report("xlsx", "openpyxl", ours, theirs, 0.5);
  }
  if (only.empty() || only == "csv") {
    StoreQuery query(db, {});
    const double ours = seconds([&] {
      exportRows(query, QString::fromStdString(folder + "ours.csv"), ExportFormat::CsvUtf8);
    });
    const double theirs = runPeer({"sqlite3", "-cmd", ".headers on", "-cmd", ".mode csv", "-cmd",
                                   ".once " + folder + "sqlite3.csv", store, columns});
    report("csv", "sqlite3 .mode csv", ours, theirs, 1.0);
  }
  if (only.empty() || only == "import") {
    const std::string list = folder + "list.txt";
    {
      // The numbers in a shuffled order, as a list gathered elsewhere comes.
      std::vector<std::int64_t> order(static_cast<std::size_t>(rows));
      for (std::int64_t i = 0; i < rows; ++i) order[static_cast<std::size_t>(i)] = i;
      std::shuffle(order.begin(), order.end(), std::mt19937(11));
      std::string text;
      for (const std::int64_t i : order) text += numberAt(i + rows) + "\r\n";
      QFile f(QString::fromStdString(list));
      if (!f.open(QIODevice::WriteOnly) || f.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) return 1;
    }
    Connection fresh(folder + "imported.db", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    fresh.exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL", "journal");
    createOrMigrate(fresh);
    ImportOutcome outcome;
    const double ours = seconds([&] { outcome = importNumberList(fresh, QString::fromStdString(list)); });
    // The same file, journal and unique key as ours; the shell's .import
    // runs in one transaction, as ours does.
    const double theirs =
        runPeer({"sqlite3", "-cmd", "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;", "-cmd",
                 "CREATE TABLE numbers (number TEXT NOT NULL); "
                 "CREATE UNIQUE INDEX numbers_number ON numbers (number);",
                 "-cmd", ".import " + list + " numbers", folder + "sqlite3-import.db", "SELECT count(*) FROM numbers"});
    std::printf("import: %lld added, %lld without number\n", static_cast<long long>(outcome.added),
                static_cast<long long>(outcome.withoutNumber));
    report("import", "sqlite3 .import", ours, theirs, 1.0);
    // Not part of the import: the checks the worker then fills in, for information.
    fresh = Connection();
    NumberStore owner(QString::fromStdString(folder + "imported.db"), [] { return QDateTime::currentDateTime(); });
    NumberCheckWorker worker(owner, 2000);
    const double checks = seconds([&] {
      worker.start();
      worker.waitUntilIdle();
    });
    std::printf("        background checks afterwards: %lld numbers in %.2f s (%.1f us a number)\n",
                static_cast<long long>(worker.checkedCount()), checks,
                checks / static_cast<double>(std::max<std::int64_t>(1, worker.checkedCount())) * 1e6);
  }
  return 0;
}
