// One result page of 400 lines with 80,000 distinct fax numbers, read with
// 扩展识别 through the real window: every number is listed, kept in the
// result file and told to the store, and the window keeps answering while
// the page is read, with 历史去重 too. The times are printed for the
// record, not asserted.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <future>

#include "e2e_env.h"
#include "e2e_window.h"
#include "files/program_options.h"
#include "files/store/number_store.h"

using namespace valo;
using namespace valo::testing;

namespace {

// The peak of the process's resident memory, in megabytes.
long peakMegabytes() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong() / 1024;
  }
  return -1;
}

}  // namespace

// With 历史去重 the page's numbers are looked up ahead, off the window's
// thread: the even half is held beforehand, so exactly the odd half is listed.
TEST(DensePage, EightyThousandNumbersOnOnePageAreAllListedWhileTheWindowAnswers) {
  for (const bool history : {false, true}) {
    SCOPED_TRACE(history ? "历史去重" : "no history");
    Window w;
    files::ProgramOptions options = w.form.session().options().current();
    options.wideReading = true;
    options.historyDedup = history;
    w.form.session().options().useForThisRun(options);
    std::promise<void> seeded;
    w.form.session().numberStore()->post(
        [](files::store::Connection& db) {
          db.exec(
              "DELETE FROM numbers WHERE number BETWEEN '0755-20000000' AND '0755-20079999'; "
              "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 2 FROM n WHERE i < 79998) "
              "INSERT INTO numbers(number, first_seen, last_seen) "
              "SELECT printf('0755-%08d', 20000000 + i), 'x', 'x' FROM n",
              "hold the even half");
        },
        [&seeded](std::exception_ptr) { seeded.set_value(); });
    seeded.get_future().wait();
    const int listed = history ? 40000 : 80000;
    w.form.Memo2->setPlainText(QStringLiteral("深圳 机械 传真:\n"));
    gEngine->clearRequests();
    gEngine->queueModes({PageMode::Dense});

    // The longest time the window's event loop went without turning.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 longestWait = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const qint64 now = clock.elapsed();
      longestWait = std::max(longestWait, now - lastTick);
      lastTick = now;
    });
    ticker.start(10);
    const QAbstractItemModel* list = w.form.ListView1->model();
    qint64 lastListed = -1;
    w.search();
    ASSERT_TRUE(w.waitFor(
        [&] {
          if (lastListed < 0 && list->rowCount() >= listed) lastListed = clock.elapsed();
          return w.status(6).startsWith(QStringLiteral("搜索已经结束！"));
        },
        120000))
        << w.describe();
    ticker.stop();

    EXPECT_EQ(list->rowCount(), listed);
    EXPECT_EQ(list->index(0, 0).data().toString(),
              history ? QStringLiteral("0755-20000001") : QStringLiteral("0755-20000000"));
    EXPECT_EQ(list->index(listed - 1, 0).data().toString(), QStringLiteral("0755-20079999"));
    EXPECT_EQ(w.status(5), QString::number(listed));
    QFile results(w.form.session().autosavePath());
    ASSERT_TRUE(results.open(QIODevice::ReadOnly));
    EXPECT_EQ(results.readAll().count("\r\n"), listed);
    std::printf(
        "dense page%s: last number listed after %lld ms, search ended after %lld ms, "
        "longest wait of the window %lld ms, peak memory %ld MB\n",
        history ? " with 历史去重" : "", static_cast<long long>(lastListed),
        static_cast<long long>(clock.elapsed()), static_cast<long long>(longestWait), peakMegabytes());
  }
}
