// The window on a team's queue beside two workers without a window: a
// private PostgreSQL server (ctest runs this under pg_virtualenv), the fake
// engine in this process, which the workers reach as their browser's proxy,
// and the real program for the workers, each in a mount namespace of its own
// whose /etc/hosts lets its network check pass. The window searches from
// the queue through its team queue window and shows the queue as it drains.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdlib>
#include <memory>
#include <set>

#include "e2e_window.h"
#include "files/data_folder.h"
#include "files/program_options.h"
#include "team/keyword_queue.h"
#include "team/pg_link.h"
#include "files/store/store_schema.h"
#include "ui/main/result_list_model.h"
#include "ui/store/store_table_model.h"
#include "ui/store/store_window.h"
#include "ui/team/queue_search.h"
#include "ui/team/team_queue_binding.h"
#include "ui/team/team_queue_window.h"

namespace valo::testing {
namespace {

constexpr int kKeywords = 18;

// How this user makes a private mount namespace: as root directly, else
// inside a user namespace; empty when neither works here.
QStringList privateMounts() {
  const QStringList ways[] = {
      {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private")},
      {QStringLiteral("--user"), QStringLiteral("--map-root-user"), QStringLiteral("--mount")}};
  for (const QStringList& way : ways) {
    if (QProcess::execute(QStringLiteral("unshare"), way + QStringList{QStringLiteral("true")}) == 0) return way;
  }
  return {};
}

// A worker: the program copied into a folder of its own, started in a
// private mount namespace with its own /etc/hosts.
std::unique_ptr<QProcess> startWorker(const QString& home, const QString& name, const std::string& conninfo) {
  const QString program = QString::fromLocal8Bit(std::getenv("VALOFAX_PROGRAM"));
  const auto at = [&home](const char* sub) { return home + QLatin1Char('/') + QLatin1String(sub); };
  for (const char* sub : {"bin", "data", "config", "cache", "runtime"}) QDir().mkpath(at(sub));
  QFile::setPermissions(at("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QFile::copy(program, at("bin/valofax"));
  QFile hosts(at("hosts"));
  if (!hosts.open(QIODevice::WriteOnly)) return nullptr;
  hosts.write("127.0.0.1 localhost\n192.0.2.10 " + QHostInfo::localHostName().toUtf8() + "\n");
  hosts.close();
  auto process = std::make_unique<QProcess>();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.insert(QStringLiteral("HOME"), home);
  env.insert(QStringLiteral("XDG_DATA_HOME"), at("data"));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), at("config"));
  env.insert(QStringLiteral("XDG_CACHE_HOME"), at("cache"));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), at("runtime"));
  env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
  env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
             QStringLiteral("--proxy-server=http://127.0.0.1:%1 --disable-gpu --disable-background-networking "
                            "--disable-component-update --no-first-run")
                 .arg(gEngine->port()));
  process->setProcessEnvironment(env);
  process->setWorkingDirectory(home);
  process->setStandardErrorFile(at("err.log"));
  process->setStandardOutputFile(at("out.log"));
  process->start(QStringLiteral("unshare"),
                 privateMounts() + QStringList{QStringLiteral("sh"), QStringLiteral("-c"),
                  QStringLiteral("mount --bind \"$1\" /etc/hosts && shift && exec \"$@\""), QStringLiteral("sh"),
                  at("hosts"), at("bin/valofax"), QStringLiteral("--headless"), QStringLiteral("--team"),
                  QStringLiteral("--connection"), QString::fromStdString(conninfo), QStringLiteral("--machine"), name,
                  QStringLiteral("--pause"), QStringLiteral("1")});
  return process;
}

TEST(TeamWindow, DesktopAndTwoWorkersDrainOneQueueAndTheWindowShowsIt) {
  if (std::getenv("PGPORT") == nullptr || std::getenv("VALOFAX_PROGRAM") == nullptr) {
    GTEST_SKIP() << "run under pg_virtualenv with VALOFAX_PROGRAM set (ctest does)";
  }
  if (privateMounts().isEmpty()) {
    GTEST_SKIP() << "no private mount namespace can be made here for the workers";
  }
  const std::string db = "desk" + std::to_string(QRandomGenerator::global()->generate() % 1000000);
  team::PgLink("dbname=postgres").exec("CREATE DATABASE " + db, "make the test's database");
  const std::string conninfo = "dbname=" + db;
  std::vector<std::string> keywords;
  for (int i = 1; i <= kKeywords; ++i) keywords.push_back("关键字 " + std::to_string(i) + " 传真");
  ASSERT_EQ(team::uploadToQueue(conninfo, "uploader", keywords, "http://www.baidu.com"), kKeywords);

  gEngine->numbersByPage = true;
  gEngine->clearRequests();
  files::ProgramOptions options;
  options.teamConnection = QString::fromStdString(conninfo);
  options.machineName = QStringLiteral("desk");
  files::saveProgramOptions(files::optionsFilePath(), options);

  Window w;
  // As slow as the workers, so that all three share the queue.
  w.form.driver().setMillisecondsPerSecond(1000);
  const GbkString boxBefore = w.form.keywordText();
  const std::int32_t placeBefore = w.form.driver().state().KeywordIndex;
  w.form.SpeedButton13->click();
  ui::TeamQueueWindow* queue = w.form.teamQueue().window();
  ASSERT_NE(queue, nullptr);
  ASSERT_TRUE(w.waitFor([&] { return queue->CountsLabel->text().startsWith(QStringLiteral("等待 %1 个").arg(kKeywords)); },
                        10000))
      << queue->CountsLabel->text().toStdString() << " " << queue->ServerLabel->text().toStdString();

  QTemporaryDir homes;
  std::unique_ptr<QProcess> workers[2];
  for (int i = 0; i < 2; ++i) {
    workers[i] = startWorker(homes.path() + QStringLiteral("/w%1").arg(i + 1), QStringLiteral("w%1").arg(i + 1), conninfo);
    ASSERT_TRUE(workers[i] && workers[i]->waitForStarted(10000));
  }
  queue->SearchButton->click();
  EXPECT_FALSE(queue->SearchButton->isEnabled());
  EXPECT_TRUE(queue->StopButton->isEnabled());

  // Every count the window showed on the way, in order.
  QStringList shown;
  const QString drained = QStringLiteral("等待 0 个，已取 0 个，已完成 %1 个").arg(kKeywords);
  const bool done = w.waitFor([&] {
    const QString text = queue->CountsLabel->text();
    if (shown.isEmpty() || shown.back() != text) shown.push_back(text);
    return text.startsWith(drained) && !w.form.teamQueue().search().active();
  }, 180000);
  for (auto& worker : workers) worker->waitForFinished(60000);
  ASSERT_TRUE(done) << shown.join(QStringLiteral(" | ")).toStdString() << " search: "
                    << w.form.teamQueue().search().statusText().toStdString() << " " << w.describe();
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(workers[i]->exitCode(), 0) << "w" << i + 1;
  }
  // The queue drained in the window's sight: the done count only grew, and
  // more than its start and end were shown.
  int lastDone = -1, doneCounts = 0;
  for (const QString& text : shown) {
    const int d = text.section(QStringLiteral("已完成 "), 1).section(QLatin1Char(' '), 0, 0).toInt();
    EXPECT_GE(d, lastDone) << shown.join(QStringLiteral(" | ")).toStdString();
    if (d != lastDone) ++doneCounts;
    lastDone = d;
  }
  EXPECT_GE(doneCounts, 4) << shown.join(QStringLiteral(" | ")).toStdString();
  EXPECT_TRUE(w.form.teamQueue().search().statusText().startsWith(QStringLiteral("团队队列已空")));
  ASSERT_TRUE(w.waitFor([&] { return queue->QueueTable->rowCount() == kKeywords &&
                                     queue->QueueTable->item(0, 3)->text() == QStringLiteral("已完成"); }, 5000));

  team::PgLink link(conninfo);
  auto scalar = [&](const std::string& sql) { return link.exec(sql, "check").integer(0, 0); };
  // Each keyword done exactly once, the window's machine among the doers.
  EXPECT_EQ(scalar("SELECT count(*) FROM keywords WHERE state = 'done' AND takes = 1"), kKeywords);
  const std::int64_t byDesk = scalar("SELECT count(*) FROM keywords WHERE done_by = 'desk'");
  EXPECT_EQ(scalar("SELECT count(DISTINCT done_by) FROM keywords"), 3) << "desk did " << byDesk;
  EXPECT_EQ(w.form.teamQueue().search().keywordsDone(), byDesk);
  // Every page's number once in the team's store, listed by one sighting,
  // each sighting naming the machine that read it.
  std::set<QByteArray> served;
  for (const RecordedRequest& r : gEngine->requests()) {
    if (!r.fax.isEmpty()) served.insert(r.fax);
  }
  EXPECT_EQ(scalar("SELECT count(*) FROM numbers"), static_cast<std::int64_t>(served.size()));
  EXPECT_EQ(scalar("SELECT count(*) FROM (SELECT number FROM sightings WHERE skipped = 0 GROUP BY number "
                   "HAVING count(*) <> 1) t"), 0);
  EXPECT_EQ(scalar("SELECT count(*) FROM sightings WHERE machine NOT IN ('desk', 'w1', 'w2')"), 0);
  EXPECT_EQ(scalar("SELECT count(DISTINCT machine) FROM sightings"), 3);
  // The window's list holds what the window found; its own box and place
  // are as they were.
  EXPECT_EQ(w.form.results().rowCount(), scalar("SELECT count(*) FROM sightings WHERE machine = 'desk' AND skipped = 0"));
  EXPECT_EQ(w.form.keywordText(), boxBefore);
  EXPECT_EQ(w.form.driver().state().KeywordIndex, placeBefore);

  // The number store window on the team's store: every machine's numbers,
  // checked in the background, its filters, and an export of them.
  ASSERT_TRUE(w.waitFor([&] { return scalar("SELECT count(*) FROM numbers WHERE valid IS NULL") == 0; }, 20000));
  w.form.SpeedButton11->click();
  auto* store = w.form.findChild<ui::StoreWindow*>(QStringLiteral("StoreWindow"));
  ASSERT_NE(store, nullptr);
  EXPECT_TRUE(store->SourceBox->isVisible());
  store->SourceBox->setCurrentIndex(1);
  const std::int64_t numbers = scalar("SELECT count(*) FROM numbers");
  EXPECT_EQ(store->model().matchingCount(), numbers);
  struct Filter {
    QString text;
    const char* kind;
    std::int64_t expected;
  };
  const Filter filters[] = {
      {QString::fromLatin1(*served.begin()), "", 1},
      {QString(), files::store::kKindFixed, scalar("SELECT count(*) FROM numbers WHERE kind = 'fixed'")},
  };
  for (const Filter& f : filters) {
    store->FilterText->setText(f.text);
    store->KindBox->setCurrentIndex(store->KindBox->findData(QString::fromLatin1(f.kind)));
    store->FilterButton->click();
    EXPECT_EQ(store->model().matchingCount(), f.expected) << f.text.toStdString() << " " << f.kind;
  }
  store->FilterText->clear();
  store->KindBox->setCurrentIndex(0);
  store->FilterButton->click();
  const QString exported = homes.filePath(QStringLiteral("team.csv"));
  ui::dialogs::queueAnswer(exported);
  store->findChild<QAction*>(QStringLiteral("ExportAllCsv"))->trigger();
  QFile csv(exported);
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_EQ(csv.readAll().count("\r\n"), numbers + 1);
  // Import and delete act on the store shown: a list with a number the
  // team knows and one it does not, then the new one deleted again.
  const QString list = homes.filePath(QStringLiteral("customers.txt"));
  QFile listFile(list);
  ASSERT_TRUE(listFile.open(QIODevice::WriteOnly));
  listFile.write(*served.begin() + "\r\n0755-26543210\r\n");
  listFile.close();
  ui::dialogs::queueAnswer(QStringList{list});
  store->ImportButton->click();
  EXPECT_EQ(scalar("SELECT count(*) FROM numbers"), numbers + 1);
  EXPECT_EQ(scalar("SELECT count(*) FROM numbers WHERE source = 'customers.txt'"), 2);
  ASSERT_TRUE(w.waitFor([&] { return store->model().matchingCount() == numbers + 1; }, 10000));
  store->FilterText->setText(QStringLiteral("0755-26543210"));
  store->FilterButton->click();
  ASSERT_EQ(store->model().matchingCount(), 1);
  store->Table->selectRow(0);
  ui::dialogs::queueAnswer(static_cast<int>(ui::dialogs::Confirmation::Yes));
  store->DeleteButton->click();
  EXPECT_TRUE(w.waitFor([&] { return scalar("SELECT count(*) FROM numbers") == numbers; }, 10000));
  EXPECT_TRUE(w.waitFor([&] { return store->model().matchingCount() == 0; }, 10000));
  // Back on the program's own store, which none of this touched.
  store->SourceBox->setCurrentIndex(0);
  EXPECT_EQ(store->model().allCount(), 0);
  // A window closed on the team's store opens again on the own one, and
  // its import goes there.
  store->SourceBox->setCurrentIndex(1);
  store->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(w.form.findChild<ui::StoreWindow*>(QStringLiteral("StoreWindow")), nullptr);
  w.form.SpeedButton11->click();
  store = w.form.findChild<ui::StoreWindow*>(QStringLiteral("StoreWindow"));
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->SourceBox->currentIndex(), 0);
  ui::dialogs::queueAnswer(QStringList{list});
  store->ImportButton->click();
  EXPECT_EQ(store->model().allCount(), 2);
  EXPECT_EQ(scalar("SELECT count(*) FROM numbers"), numbers);
  gEngine->numbersByPage = false;
}

}  // namespace
}  // namespace valo::testing
