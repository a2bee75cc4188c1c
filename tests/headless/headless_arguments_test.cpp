// The command line of a search without a window and what it leaves to the
// progress file; the JSON progress lines as a log reader takes them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "files/data_folder.h"
#include "headless/headless_arguments.h"
#include "headless/headless_run.h"
#include "headless/progress_lines.h"
#include "headless/team_worker.h"

using namespace valo;
using namespace valo::headless;

namespace {

QStringList line(const char* text) {
  return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

void write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

}  // namespace

TEST(HeadlessArgumentsTest, ValuesReachTheirFieldsAndTheLastSwitchWins) {
  const HeadlessArguments a = parseHeadlessArguments(
      line("valofax --headless --keywords k.txt --engine=http://www.soso.com --pause 30 --start=7 "
           "--no-dedup --history --wide --no-wide --json"));
  EXPECT_EQ(a.keywordFile, QStringLiteral("k.txt"));
  EXPECT_EQ(a.engine, GbkString("http://www.soso.com"));
  EXPECT_EQ(a.pauseSeconds, 30);
  EXPECT_EQ(a.startLine, 7);
  EXPECT_EQ(a.dedup, false);
  EXPECT_EQ(a.history, true);
  EXPECT_EQ(a.wide, false);
  EXPECT_TRUE(a.json);
  const HeadlessArguments bare = parseHeadlessArguments(line("valofax --headless"));
  EXPECT_FALSE(bare.engine || bare.pauseSeconds || bare.startLine || bare.dedup || bare.history || bare.wide);
  EXPECT_TRUE(parseHeadlessArguments(line("valofax --headless --help")).help);
  EXPECT_FALSE(wantsHeadless(line("valofax --json")));
}

// Each option that is not given takes the progress file's value; each that
// is given wins over it.
TEST(HeadlessArgumentsTest, TheProgressFileFillsWhatTheCommandLineLeavesOpen) {
  QTemporaryDir folder;
  files::setDataFolderOverride(folder.path() + QLatin1Char('/'));
  write(folder.filePath(QStringLiteral("valofaxbody.ini")), "a\r\nb\r\n");
  write(folder.filePath(QStringLiteral("valofaxscan.ini")), "http://www.soso.com\r\n4\r\nqcyes\r\n9\r\n");
  struct Case {
    const char* command;
    const char* engine;
    int pause;
    bool dedup;
  } cases[] = {
      {"valofax --headless", "http://www.soso.com", 9, true},
      {"valofax --headless --engine http://www.baidu.com --pause 2 --no-dedup", "http://www.baidu.com", 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    const RunPlan plan = planRun(parseHeadlessArguments(line(c.command)));
    EXPECT_EQ(plan.engine, GbkString(c.engine));
    EXPECT_EQ(plan.pauseSeconds, c.pause);
    EXPECT_EQ(plan.dedup, c.dedup);
    EXPECT_EQ(plan.keywordIndex, 4);
    EXPECT_EQ(plan.keywords, GbkString("a\r\nb\r\n"));
  }
  // Nothing was written by planning.
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 2);
  files::setDataFolderOverride({});
}

TEST(HeadlessArgumentsTest, JsonLinesAreOneObjectEachWithTheTextsIntact) {
  PageLine page{QStringLiteral("01:02:03"), 3, 120, 2, 5, 40, 1, QStringLiteral("10.0.0.1:8080"),
                QStringLiteral("http://x.example/?q=\"a\"")};
  EndLine end{QStringLiteral("01:02:04"), 4, 40, 9, 12, QStringLiteral("搜索已经结束！\n搜索引擎拒绝")};
  const QString lines[] = {formatPageLine(page, true), formatEndLine(end, true)};
  for (const QString& text : lines) EXPECT_FALSE(text.contains(QLatin1Char('\n'))) << text.toStdString();
  const QJsonObject p = QJsonDocument::fromJson(lines[0].toUtf8()).object();
  EXPECT_EQ(p[QStringLiteral("event")].toString(), QStringLiteral("page"));
  EXPECT_EQ(p[QStringLiteral("numbers_so_far")].toInt(), 40);
  EXPECT_EQ(p[QStringLiteral("address")].toString(), page.address);
  const QJsonObject e = QJsonDocument::fromJson(lines[1].toUtf8()).object();
  EXPECT_EQ(e[QStringLiteral("exit_code")].toInt(), 4);
  EXPECT_EQ(e[QStringLiteral("end_text")].toString(), end.endText);
}

// A team's worker: its options, the ones that only make sense with --team,
// and what it needs before it can start.
TEST(HeadlessArgumentsTest, TeamOptionsAndTheirLimits) {
  const HeadlessArguments a = parseHeadlessArguments(
      line("valofax --headless --team --wait --connection=service=team --machine shop2 --lease 30"));
  EXPECT_TRUE(a.team && a.wait && !a.upload);
  EXPECT_EQ(a.connection, QStringLiteral("service=team"));
  EXPECT_EQ(a.machine, QStringLiteral("shop2"));
  EXPECT_EQ(a.leaseSeconds, 30);
  EXPECT_EQ(parseHeadlessArguments(line("valofax --headless --team")).leaseSeconds, 60);
  const char* refused[] = {
      "valofax --headless --wait",           "valofax --headless --upload",
      "valofax --headless --team --lease 2", "valofax --headless --team --lease 3601",
      "valofax --headless --team --start 3", "valofax --headless --team --team=1",
  };
  for (const char* command : refused) EXPECT_THROW(parseHeadlessArguments(line(command)), UsageError) << command;

  // Without a connection on the command line or in the options file there
  // is no team to work for.
  QTemporaryDir folder;
  files::setDataFolderOverride(folder.path() + QLatin1Char('/'));
  EXPECT_THROW(planTeam(parseHeadlessArguments(line("valofax --headless --team"))), UsageError);
  write(folder.filePath(QStringLiteral("valofaxoptions.ini")),
        "[options]\nteam-connection=host=10.0.0.5 dbname=valofax\nmachine=shop3\n");
  const TeamPlan plan = planTeam(parseHeadlessArguments(line("valofax --headless --team --pause 7")));
  EXPECT_EQ(plan.conninfo, "host=10.0.0.5 dbname=valofax");
  EXPECT_EQ(plan.machine, "shop3");
  EXPECT_EQ(plan.base.pauseSeconds, 7);
  files::setDataFolderOverride({});
}
