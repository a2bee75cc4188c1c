// Times the number store window on a store of N rows (one million unless
// --rows says otherwise) filled with rows as long as a search writes them,
// offscreen, the view painted after every step:
//
//   open      the window's first rows and counts, unfiltered and filtered
//   end       the scroll bar pulled to the bottom, and one page up from there
//   scroll    the scroll bar dragged from top to bottom in 1000 steps; the
//             growth of resident memory over it (the window keeps <= 50 MB)
//   follow    a reading after another connection added a row before the top
//
//   bench_store_window [--rows N]
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "files/store/store_open.h"
#include "ui/store/store_table_model.h"
#include "ui/store/store_window.h"

namespace {

using namespace valo;

double seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double residentMiB() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  return statm.readAll().split(' ').value(1).toDouble() * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

void fill(files::store::Connection& db, long long rows) {
  db.exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(rows - 1) +
              ") INSERT INTO numbers (number, valid, kind, region, first_seen, last_seen, times_seen, first_keyword, "
              "first_engine, first_page_url, source_line) SELECT printf('0%03d-%08d', 10 + i / 1000000, 20000000 + i "
              "% 1000000), 1, iif(i % 7 = 0, 'mobile', 'fixed'), '广东省深圳市', printf('2026-%02d-%02dT08:00:00', 1 + "
              "i % 12, 1 + i % 28), '2026-12-01T08:00:00', 1 + i % 5, iif(i % 3 = 0, '深圳 机械 传真:', '东莞 五金 "
              "传真:'), '百度', 'https://www.baidu.com/s?wd=%E6%B7%B1%E5%9C%B3&pn=' || (i % 70 * 10), "
              "'深圳市某某机械设备有限公司 电话：0755-2345678 传真：' || printf('0%03d-%08d', 10 + i / 1000000, "
              "20000000 + i % 1000000) || ' 地址：宝安区' FROM n",
          "fill");
}

}  // namespace

int main(int argc, char** argv) {
  long long rows = 1000000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) rows = std::atoll(argv[++i]);
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("valofaxnumbers.db"));
  files::store::Connection db = files::store::openStoreConnection(path);
  std::printf("%lld rows, store filled in %.2f s\n", rows, seconds([&] { fill(db, rows); }));
  files::store::Connection other = files::store::openStoreConnection(path);

  files::store::SqliteStoreReader reader(db);
  ui::StoreWindow window(reader);
  window.show();
  QTableView* table = window.Table;
  QScrollBar* bar = table->verticalScrollBar();
  auto paint = [&] { table->viewport()->grab(); };
  const double base = residentMiB();
  std::printf("open    unfiltered first rows and counts %.3f s\n", seconds([&] {
                window.applyFilter();
                paint();
              }));
  for (const char* text : {"机械", "0010-2012"}) {
    window.FilterText->setText(QString::fromUtf8(text));
    const double t = seconds([&] {
      window.applyFilter();
      paint();
    });
    std::printf("open    filter %-10s first rows and counts %.3f s (%lld rows)\n", text, t,
                static_cast<long long>(window.model().matchingCount()));
  }
  window.FilterText->clear();
  window.applyFilter();
  paint();
  std::printf("end     jump to the last rows %.3f s\n", seconds([&] {
                bar->setValue(bar->maximum());
                paint();
              }));
  std::printf("end     one page up from there %.3f s\n", seconds([&] {
                bar->triggerAction(QAbstractSlider::SliderPageStepSub);
                paint();
              }));
  bar->setValue(0);
  paint();
  const double before = residentMiB();
  const double took = seconds([&] {
    for (int step = 0; step <= 1000; ++step) {
      bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * step / 1000));
      paint();
    }
  });
  std::printf("scroll  top to bottom in 1000 steps %.2f s (%.1f ms a step), resident %+.1f MiB (window %+.1f MiB "
              "since before opening)\n",
              took, took * 1000 / 1001, residentMiB() - before, residentMiB() - base);
  bar->setValue(bar->maximum() / 2);
  paint();
  other.exec("INSERT INTO numbers (number, first_seen, last_seen) VALUES ('0001-00000000', '', '')", "one row");
  std::printf("follow  reading after a row added before the top %.3f s\n", seconds([&] {
                window.followStore();
                paint();
              }));
  return 0;
}
