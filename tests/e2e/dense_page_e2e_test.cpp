// One result page of 400 lines with 80,000 distinct fax numbers, read with
// 扩展识别 through the real window: every number is listed, kept in the
// result file and told to the store, and the window keeps answering while
// the page is read. The times are printed for the record, not asserted.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>

#include "e2e_env.h"
#include "e2e_window.h"
#include "files/program_options.h"

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

TEST(DensePage, EightyThousandNumbersOnOnePageAreAllListedWhileTheWindowAnswers) {
  Window w;
  files::ProgramOptions options = w.form.session().options().current();
  options.wideReading = true;
  w.form.session().options().useForThisRun(options);
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
        if (lastListed < 0 && list->rowCount() >= 80000) lastListed = clock.elapsed();
        return w.status(6).startsWith(QStringLiteral("搜索已经结束！"));
      },
      120000))
      << w.describe();
  ticker.stop();

  EXPECT_EQ(list->rowCount(), 80000);
  EXPECT_EQ(list->index(0, 0).data().toString(), QStringLiteral("0755-20000000"));
  EXPECT_EQ(list->index(79999, 0).data().toString(), QStringLiteral("0755-20079999"));
  EXPECT_EQ(w.status(5), QStringLiteral("80000"));
  QFile results(w.form.session().autosavePath());
  ASSERT_TRUE(results.open(QIODevice::ReadOnly));
  EXPECT_EQ(results.readAll().count("\r\n"), 80000);
  std::printf("dense page: last number listed after %lld ms, search ended after %lld ms, "
              "longest wait of the window %lld ms, peak memory %ld MB\n",
              static_cast<long long>(lastListed), static_cast<long long>(clock.elapsed()),
              static_cast<long long>(longestWait), peakMegabytes());
}
