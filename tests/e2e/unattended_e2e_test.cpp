// Long unattended runs through the real window and browser: a long pause
// after a short one reads every page, and every number listed is in the
// search's own file on disk, byte for byte what Save writes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTemporaryDir>

#include "e2e_window.h"
#include "files/result_autosave.h"
#include "ui/main/result_list_model.h"
#include "ui/main/result_list_writer.h"

using namespace valo;
using namespace valo::testing;

namespace {

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QList<QByteArray> listed(Window& w) {
  QList<QByteArray> out;
  for (const GbkString& n : w.form.results().numbers().items()) out << QByteArray::fromStdString(n);
  return out;
}

QList<QByteArray> served() {
  QList<QByteArray> out;
  for (const RecordedRequest& r : gEngine->requests()) {
    if (!r.fax.isEmpty()) out << r.fax;
  }
  return out;
}

TEST(UnattendedEndToEnd, ALongPauseAfterAShortOneReadsEveryPage) {
  Window w;
  w.form.Memo2->setPlainText(QStringLiteral("一\n二\n"));
  gEngine->clearRequests();
  w.search();
  ASSERT_TRUE(w.waitForEnd()) << w.describe();
  EXPECT_EQ(w.form.Timer2->interval(), 15 * 250);  // what this short search leaves behind

  // 60 "seconds" between pages, four times what that watchdog allows.
  w.form.driver().setMillisecondsPerSecond(80);
  w.form.SpinEdit1->setValue(60);
  gEngine->clearRequests();
  w.search();
  ASSERT_TRUE(w.waitForEnd(90000)) << w.describe();
  ASSERT_EQ(gEngine->requests().size(), 4);
  EXPECT_EQ(listed(w), served());
  EXPECT_EQ(listed(w).size(), 4);
}

TEST(UnattendedEndToEnd, EveryNumberListedIsInTheSearchesOwnFile) {
  Window w;
  w.form.Memo2->setPlainText(QStringLiteral("一\n二\n三\n"));
  gEngine->clearRequests();
  w.search();
  ASSERT_TRUE(w.waitForEnd()) << w.describe();
  const QString path = w.form.autosavePath();
  ASSERT_FALSE(path.isEmpty());
  EXPECT_TRUE(
      path.startsWith(gDataFolder + QString::fromUtf8(files::kAutosaveFolderName) + QLatin1Char('/')));
  EXPECT_TRUE(QFileInfo(path).fileName().startsWith(QStringLiteral("搜索结果-")));
  ASSERT_EQ(listed(w).size(), 6);
  EXPECT_EQ(listed(w), served());
  QTemporaryDir dir;
  const QString saved = dir.filePath(QStringLiteral("saved.txt"));
  ui::writeResultList(saved, w.form.results().numbers().items());
  EXPECT_EQ(fileBytes(path), fileBytes(saved));

  // The next search has a file of its own; the first one stays as it was.
  const QByteArray first = fileBytes(path);
  w.form.Memo2->setPlainText(QStringLiteral("四\n"));
  gEngine->clearRequests();
  w.search();
  ASSERT_TRUE(w.waitForEnd()) << w.describe();
  EXPECT_NE(w.form.autosavePath(), path);
  EXPECT_EQ(fileBytes(path), first);
  EXPECT_EQ(fileBytes(w.form.autosavePath()), served().join("\r\n") + "\r\n");
}

}  // namespace
