// Soak run: 1,000 keywords through the real main window and browser against
// a fake engine that fails in every way it knows (HTTP errors, empty, huge,
// binary, wrongly encoded, captcha and body-less pages, hanging
// connections). The run must reach its end, keep every number of the good
// pages, and its memory must level off. Run by scripts/soak.sh, not by the
// default test run.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QSet>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <fstream>

#include "e2e_env.h"
#include "ui/browser/browser_data_store.h"
#include "ui/browser/web_browser.h"
#include "ui/cleanup/tdelform.h"
#include "ui/common/dialogs.h"
#include "ui/main/result_list_model.h"
#include "ui/main/status_bar.h"
#include "ui/main/tform1.h"

using namespace valo;
using namespace valo::testing;

namespace {

// Resident memory in kB of this process plus the browser's helper processes.
long residentKb() {
  auto rssOf = [](const QString& statusPath) {
    QFile f(statusPath);
    if (!f.open(QIODevice::ReadOnly)) return 0L;
    for (const QByteArray& line : f.readAll().split('\n')) {
      if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0L;
  };
  long total = rssOf(QStringLiteral("/proc/self/status"));
  const QString self = QString::number(QCoreApplication::applicationPid());
  for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QList<QByteArray> fields = stat.readAll().split(' ');
    QFile cmd(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (fields.value(3) == self.toLatin1() && cmd.open(QIODevice::ReadOnly) &&
        cmd.readAll().contains("QtWebEngineProcess")) {
      total += rssOf(QStringLiteral("/proc/%1/status").arg(pid));
    }
  }
  return total;
}

// Failure modes by request number; the rest are good two-page keywords.
PageMode modeFor(int n, const QList<RecordedRequest>& seen, const RecordedRequest& r) {
  switch (n % 23) {
    case 1:
      return PageMode::Error500;
    case 3:
      return PageMode::Error404;
    case 5:
      return PageMode::Empty;
    case 7:
      return PageMode::Junk;
    case 9:
      return PageMode::WrongEncoding;
    case 11:
      return PageMode::Captcha;
    case 13:
      return PageMode::NoBody;
    case 15:
      return n % 5 == 0 ? PageMode::Hang : PageMode::NoPager;
    case 17:
      return n % 3 == 0 ? PageMode::Huge : PageMode::NoPager;
    default:
      break;
  }
  int sameKeyword = 0;
  for (const RecordedRequest& x : seen) sameKeyword += x.keyword == r.keyword;
  return sameKeyword == 0 ? PageMode::Pager : PageMode::NoPager;
}

}  // namespace

TEST(Soak, ThousandKeywordsAgainstFailingEngines) {
  const int keywords = qEnvironmentVariableIntValue("VALO_SOAK_KEYWORDS") > 0
                           ? qEnvironmentVariableIntValue("VALO_SOAK_KEYWORDS")
                           : 1000;
  ui::TForm1 form;
  ui::WebEngineDataStore store(form.WebBrowser1);
  ui::Tdelform delform(store);
  form.delform = &delform;
  form.localAddress = [] { return std::string("192.0.2.10"); };
  form.pauseMs = [](int) {};
  // One "second" of the interval box is 500 ms: a page is read at the first
  // tick after it completes, or given up after 11 ticks (5.5 s, time enough
  // for the browser to lay out a 5 MB page); the watchdog steps in after 15
  // ticks without a request.
  form.driver().setMillisecondsPerSecond(500);
  form.SpinEdit1->setValue(1);
  form.CheckBox1->setChecked(true);
  form.show();

  QStringList lines;
  for (int i = 0; i < keywords; ++i) lines << QStringLiteral("城市%1 机械 传真:").arg(i);
  form.Memo2->setPlainText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));

  gEngine->clearRequests();
  int served = 0;
  gEngine->fallback = [&served](const RecordedRequest& r) {
    return modeFor(served++, gEngine->requests(), r);
  };

  long peakAt100 = 0, peak = 0;
  QEventLoop loop;
  QTimer sample;
  const auto startTime = std::chrono::steady_clock::now();
  QObject::connect(&sample, &QTimer::timeout, &loop, [&] {
    const long rss = residentKb();
    peak = std::max(peak, rss);
    if (form.driver().state().KeywordIndex <= 100) peakAt100 = peak;
    if (form.StatusBar1->panelText(6).startsWith(QStringLiteral("搜索已经结束！"))) loop.quit();
  });
  sample.start(200);
  QTimer::singleShot(60 * 60 * 1000, &loop, &QEventLoop::quit);
  ui::dialogs::queueAnswer(QStringLiteral("0"));
  form.SpeedButton2->click();
  loop.exec();
  const double minutes =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - startTime).count() / 60.0;

  ASSERT_TRUE(form.StatusBar1->panelText(6).startsWith(QStringLiteral("搜索已经结束！")));
  EXPECT_EQ(form.driver().state().KeywordIndex, keywords);

  // Every number served on a page with content is in the list.
  QSet<QByteArray> listed;
  for (const GbkString& n : form.results().numbers().items()) listed.insert(QByteArray::fromStdString(n));
  int good = 0, lost = 0, hung = 0;
  int index = 0;
  for (const RecordedRequest& r : gEngine->requests()) {
    ++index;
    if (r.fax.isEmpty()) continue;
    ++good;
    if (!listed.contains(r.fax)) {
      ++lost;
      std::printf("lost: request %d (%s)\n", index - 1, r.url.right(40).constData());
    }
  }
  hung = gEngine->hangingConnections();
  std::printf(
      "soak: %d keywords, %lld requests, %d good pages, %d numbers listed, %d lost, %d hanging "
      "connections open, %.1f min, peak RSS at 100 keywords %ld kB, at %d keywords %ld kB\n",
      keywords, static_cast<long long>(gEngine->requests().size()), good, static_cast<int>(listed.size()),
      lost, hung, minutes, peakAt100, keywords, peak);
  EXPECT_EQ(lost, 0);
  EXPECT_GT(good, keywords / 2);
  // Memory levels off: the last 900 keywords may add little to the first 100's peak.
  EXPECT_LT(peak, peakAt100 * 2);
}
