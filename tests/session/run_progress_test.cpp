// The progress text of a search over a clock the test sets: the keyword of
// all, and the end estimated from the pace of the keywords done so far.
#include <gtest/gtest.h>

#include "session/run_progress.h"

using namespace valo;

namespace {

struct Begins {
  const char* at;  // HH:mm of the day the search runs
  int current, total;
  const char* shown;
};

TEST(RunProgress, EstimatesTheEndFromThePaceOfTheKeywordsDone) {
  struct Case {
    const char* name;
    std::vector<Begins> keywords;
  };
  const Case cases[] = {
      {"from the first line",
       {{"10:00", 1, 4, "第 1/4 个关键字"},
        {"10:10", 2, 4, "第 2/4 个关键字，预计 10:40 完成"},
        {"10:16", 3, 4, "第 3/4 个关键字，预计 10:32 完成"}}},
      {"from line 3 of 10, past midnight",
       {{"23:00", 3, 10, "第 3/10 个关键字"}, {"23:30", 4, 10, "第 4/10 个关键字，预计 03:00 完成"}}},
      {"the last keyword", {{"08:00", 299, 300, "第 299/300 个关键字"}, {"08:07", 300, 300, "第 300/300 个关键字，预计 08:14 完成"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QDateTime now;
    session::RunProgress progress([&] { return now; });
    progress.start();
    for (const Begins& b : c.keywords) {
      now = QDateTime(QDate(2026, 12, 8), QTime::fromString(QString::fromLatin1(b.at), QStringLiteral("HH:mm")));
      EXPECT_EQ(utf8FromGbk(progress.keywordBegins(b.current, b.total)), b.shown) << b.at;
    }
  }
}

// A new search counts its pace afresh: the first keyword again has no estimate.
TEST(RunProgress, ANewSearchStartsItsPaceAgain) {
  QDateTime now(QDate(2026, 12, 8), QTime(9, 0));
  session::RunProgress progress([&] { return now; });
  progress.start();
  progress.keywordBegins(1, 5);
  now = now.addSecs(600);
  progress.keywordBegins(2, 5);
  progress.start();
  now = now.addSecs(3600);
  EXPECT_EQ(utf8FromGbk(progress.keywordBegins(4, 5)), "第 4/5 个关键字");
  now = now.addSecs(60);
  EXPECT_EQ(utf8FromGbk(progress.keywordBegins(5, 5)), "第 5/5 个关键字，预计 10:12 完成");
}

}  // namespace
