// An engine that refuses the client, through the real window and browser:
// refusal statuses and verification pages are asked for again without losing
// a keyword or a page, the user can pass the check in the pane, and Stop ends
// a wait.
#include <gtest/gtest.h>

#include <QFile>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QToolButton>
#include <QWebEnginePage>
#include <chrono>

#include "e2e_window.h"
#include "ui/main/result_list_model.h"

using namespace valo;
using namespace valo::testing;

namespace {

QList<QByteArray> listed(Window& w) {
  QList<QByteArray> out;
  for (const GbkString& n : w.form.results().numbers().items()) out << QByteArray::fromStdString(n);
  return out;
}

bool refusalShown(Window& w) {
  return w.status(6).startsWith(QStringLiteral("搜索引擎要求验证"));
}

TEST(RefusedEndToEnd, RefusedPagesAreAskedForAgainAndNothingIsSkipped) {
  Window w;
  w.form.Memo2->setPlainText(QStringLiteral("一\n二\n"));
  gEngine->clearRequests();
  gEngine->queueModes({PageMode::Pager, PageMode::Refused429, PageMode::Captcha, PageMode::NoPager,
                       PageMode::Forbidden403, PageMode::Unavailable503, PageMode::Pager, PageMode::NoPager});
  w.search();
  ASSERT_TRUE(w.waitFor([&] { return refusalShown(w); }, 20000)) << w.describe();
  ASSERT_TRUE(w.waitForEnd(90000)) << w.describe();
  const QList<RecordedRequest> r = gEngine->requests();
  ASSERT_EQ(r.size(), 8);
  // The refused addresses are the ones asked for again.
  EXPECT_EQ(r[1].url, r[2].url);
  EXPECT_EQ(r[2].url, r[3].url);
  EXPECT_EQ(r[4].url, r[5].url);
  EXPECT_EQ(r[5].url, r[6].url);
  EXPECT_EQ(listed(w), (QList<QByteArray>{r[0].fax, r[3].fax, r[6].fax, r[7].fax}));
  EXPECT_EQ(w.status(6), QStringLiteral("搜索已经结束！（被拒绝 4 次）"));
}

TEST(RefusedEndToEnd, TheUserPassesTheCheckInThePaneAndTheRunGoesOnAtOnce) {
  Window w;
  w.form.SpinEdit1->setValue(4);  // the run itself would ask again after 60 "s", 15 s here
  w.form.Memo2->setPlainText(QStringLiteral("一\n"));
  gEngine->clearRequests();
  gEngine->queueModes({PageMode::Refused429});
  w.search();
  ASSERT_TRUE(w.waitFor([&] { return refusalShown(w); }, 20000)) << w.describe();
  const auto sent = std::chrono::steady_clock::now();
  w.form.WebBrowser1->page()->runJavaScript(QStringLiteral("document.getElementById('check').submit()"));
  ASSERT_TRUE(w.waitForEnd(14000)) << w.describe();
  EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(10));
  const QList<RecordedRequest> r = gEngine->requests();
  ASSERT_EQ(r.size(), 2);  // the refusal and the page the check sent back to
  EXPECT_EQ(r[0].url.toStdString(), r[1].url.toStdString());
  EXPECT_EQ(listed(w), QList<QByteArray>{r[1].fax});
}

TEST(RefusedEndToEnd, StopDuringAWaitEndsTheSearchAndKeepsThePosition) {
  Window w;
  w.form.Memo2->setPlainText(QStringLiteral("一\n二\n"));
  gEngine->clearRequests();
  gEngine->queueModes({PageMode::Refused429});
  w.search();
  ASSERT_TRUE(w.waitFor([&] { return refusalShown(w); }, 20000)) << w.describe();
  w.form.SpeedButton3->click();
  EXPECT_EQ(w.status(6), QStringLiteral("搜索已经结束！（被拒绝 1 次）"));
  EXPECT_TRUE(w.form.SpeedButton2->isEnabled());
  QFile progress(gDataFolder + QStringLiteral("valofaxscan.ini"));
  ASSERT_TRUE(progress.open(QIODevice::ReadOnly));
  EXPECT_EQ(progress.readAll().split('\n').value(1), "0\r");  // the refused keyword itself
  QEventLoop settle;
  QTimer::singleShot(4000, &settle, &QEventLoop::quit);  // past the wait: nothing more is asked
  settle.exec();
  EXPECT_EQ(gEngine->requests().size(), 1);
}

}  // namespace
