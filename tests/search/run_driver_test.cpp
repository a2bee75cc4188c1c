// The search run driven through its handlers with a fake clock, browser and
// window: the addresses requested, the status texts and button states, the
// pacing, Stop, the halted state and the watchdog.
#include <gtest/gtest.h>

#include "run_harness.h"

using namespace valo;
using namespace valo::search;
using valo::testing::page;
using valo::testing::SearchHarness;

namespace {

const char* kBaiduPager = "<上一页 1 2 3 下一页>";

}  // namespace

TEST(RunDriver, OfflineMachineIsRefused) {
  SearchHarness r;
  r.localAddress = "127.0.0.1";
  r.search();
  ASSERT_EQ(r.window.informations.size(), 1u);
  EXPECT_EQ(utf8FromGbk(r.window.informations[0]), "您还没有连接到网上！");
  EXPECT_EQ(r.window.prompts, 0);
  EXPECT_TRUE(r.browser.requests.empty());
  // Any other answer, the empty one included, lets the search go ahead.
  r.localAddress = "";
  r.search();
  EXPECT_EQ(r.browser.requests.size(), 1u);
}

TEST(RunDriver, EmptyKeywordBoxRaises) {
  SearchHarness r;
  r.window.Memo2.clear();
  r.search();
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(utf8FromGbk(r.errors[0]), "请先输入搜索关键字列表");
  EXPECT_TRUE(r.browser.requests.empty());
}

TEST(RunDriver, StartLinePrompt) {
  SearchHarness r;
  r.s().KeywordIndex = -1;  // as a progress file can leave it
  r.window.nextAnswer.reset();
  r.driver.N2Click();
  EXPECT_EQ(utf8FromGbk(r.window.askedCaption), "搜索参数设置");
  EXPECT_EQ(utf8FromGbk(r.window.askedPrompt), "请输入关键字搜索起始行数        ");
  EXPECT_EQ(r.window.askedInitial, "0");
  EXPECT_TRUE(r.browser.requests.empty());  // cancelled: nothing changed
  EXPECT_TRUE(r.window.searchEnabled);
}

TEST(RunDriver, StartLineRules) {
  struct Case {
    const char* answer;
    int firstLine;  // keyword line searched first, -1: nothing starts
    bool message;
    bool error;
  };
  const Case cases[] = {
      {"0", 0, false, false},  {"1", 1, false, false},  {"-5", 0, false, false},
      {"2", 0, true, false},   {"7", 0, true, false},   {"abc", -1, false, true},
      {" 1", 1, false, false}, {"1 ", -1, false, true}, {"$1", 1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    SearchHarness r;
    r.s().KeywordIndex = 1;
    r.search(c.answer);
    EXPECT_EQ(r.window.messages.size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(utf8FromGbk(r.window.messages[0]), "搜索起始行数超过关键字列表行数！");
    }
    if (c.error) {
      ASSERT_EQ(r.errors.size(), 1u);
      EXPECT_EQ(r.errors[0], std::string("'") + c.answer + "' is not a valid integer value");
      EXPECT_EQ(r.s().KeywordIndex, 1);  // keeps its value
      EXPECT_TRUE(r.browser.requests.empty());
      continue;
    }
    ASSERT_EQ(r.browser.requests.size(), 1u);
    const char* encoded =
        c.firstLine == 0 ? "%C9%EE%DB%DA+%BB%FA%D0%B5+%B4%AB%D5%E6%3A" : "%C9%CF%BA%A3+%CA%B3%C6%B7+FAX%3A";
    EXPECT_NE(r.browser.requests[0].find(encoded), std::string::npos) << r.browser.requests[0];
    EXPECT_EQ(r.s().KeywordIndex, c.firstLine + 1);
    EXPECT_EQ(r.window.status(3), std::to_string(c.firstLine + 1));
  }
}

TEST(RunDriver, SearchStartsTheRun) {
  SearchHarness r;
  r.browser.pageFor = [](const std::string&) { return env::PageText{}; };
  r.search();
  EXPECT_EQ(r.pauses, std::vector<int>{500});
  EXPECT_EQ(r.cleanups, 1);
  EXPECT_EQ(r.window.status(1), "2");
  EXPECT_EQ(r.window.status(5), "0");
  EXPECT_EQ(r.window.status(6), "正在搜索...");
  EXPECT_FALSE(r.window.searchEnabled);
  EXPECT_TRUE(r.window.stopEnabled);
  EXPECT_TRUE(r.timer1.enabled());
  EXPECT_EQ(r.timer1.interval(), 8000);
  EXPECT_EQ(r.s().PageIndex, 1);
  EXPECT_EQ(r.browser.requests[0],
            "http://www.baidu.com/baidu?lm=0&si=&rn=10&ie=gb2312&ct=0&word="
            "%C9%EE%DB%DA+%BB%FA%D0%B5+%B4%AB%D5%E6%3A&pn=0&cl=3");
}

TEST(RunDriver, WalksPagesAndKeywordsToTheEnd) {
  SearchHarness r;
  // Each keyword has two pages: the first shows the pager, the second not.
  r.browser.pageFor = [](const std::string& a) {
    const bool first = a.find("&pn=0&") != std::string::npos;
    return first ? page({"公司 传真：0755-12345678", kBaiduPager}) : page({"FAX: 021 1234 5678"});
  };
  r.search();
  r.clock.advance(8000 * 4);
  ASSERT_EQ(r.browser.requests.size(), 4u);
  EXPECT_TRUE(r.browser.requests[1].ends_with("%3A&pn=10&cl=3"));
  EXPECT_TRUE(r.browser.requests[2].ends_with("FAX%3A&pn=0&cl=3"));
  EXPECT_TRUE(r.browser.requests[3].ends_with("FAX%3A&pn=10&cl=3"));
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");
  EXPECT_EQ(r.progressSaves, 1);
  EXPECT_TRUE(r.window.searchEnabled);
  EXPECT_FALSE(r.window.stopEnabled);
  EXPECT_FALSE(r.timer1.enabled());
  EXPECT_FALSE(r.timer2.enabled());
  EXPECT_EQ(r.s().KeywordIndex, 2);
  EXPECT_EQ(r.s().FoundCount, 4);
  EXPECT_EQ(r.window.results.panel5, "4");
  EXPECT_EQ(r.window.results.list.items(),
            (std::vector<std::string>{"0755-12345678", "02112345678", "0755-12345678", "02112345678"}));
  // Pacing: one request per interval, no more.
  r.clock.advance(60000 * 5);
  EXPECT_EQ(r.browser.requests.size(), 4u);
}

TEST(RunDriver, PageCapEndsTheKeyword) {
  SearchHarness r;
  r.window.interval = 1;
  r.browser.pageFor = [](const std::string&) { return page({kBaiduPager}); };
  r.search();
  r.clock.advance(1000 * 200);
  ASSERT_EQ(r.browser.requests.size(), 150u);  // 75 pages per keyword
  EXPECT_TRUE(r.browser.requests[74].ends_with("&pn=740&cl=3"));
  EXPECT_TRUE(r.browser.requests[75].ends_with("FAX%3A&pn=0&cl=3"));
  EXPECT_EQ(r.s().PageCap, 750);
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");
}

TEST(RunDriver, FirstPageRulesOfSosoGougouZhongsou) {
  struct Case {
    const char* engine;
    const char* pager;
    std::vector<std::string> tails;  // the end of each of the four requests
  };
  const Case cases[] = {
      {"http://www.soso.com", "下一页>", {"&pg=1", "&pg=2", "&pg=0", "&pg=1"}},
      {"http://www.gougou.com",
       "[1] 下一页",
       {"&page=1&id=10000001&f=1&t=-1", "&page=2&id=10000001&restype=-1", "&page=0&id=10000001&restype=-1",
        "&page=1&id=10000001&restype=-1"}},
      {"http://www.zhongsou.com",
       "[2] 下一页",
       {"&b=1&n=0&pt=1&dt=1", "&b=2&n=0&pt=1&dt=1", "&b=0&n=0&pt=1&dt=1", "&b=1&n=0&pt=1&dt=1"}},
      {"http://www.live.com",
       "下一页",
       {"&first=1&FORM=PERE", "&first=11&FORM=PERE", "&first=1&FORM=PERE", "&first=11&FORM=PERE"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.engine);
    SearchHarness r;
    r.window.engine = c.engine;
    int served = 0;
    r.browser.pageFor = [&](const std::string&) {
      return (served++ % 2 == 0) ? page({c.pager}) : page({"no pager"});
    };
    r.search();
    r.clock.advance(8000 * 4);
    ASSERT_EQ(r.browser.requests.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_TRUE(r.browser.requests[i].ends_with(c.tails[i])) << r.browser.requests[i];
    }
  }
}

TEST(RunDriver, StopWhileAPageLoadsHarvestsItThenEnds) {
  SearchHarness r;
  r.browser.pageFor = [](const std::string&) { return page({"传真：0755-12345678", kBaiduPager}); };
  r.search();
  r.driver.N3Click();
  EXPECT_EQ(r.window.status(6), "终止搜索...");
  EXPECT_TRUE(r.window.searchEnabled);
  EXPECT_FALSE(r.window.stopEnabled);
  EXPECT_TRUE(r.timer1.enabled());  // Stop only sets the flag
  r.clock.advance(8000);
  EXPECT_EQ(r.window.results.list.size(), 1u);
  EXPECT_EQ(r.progressSaves, 1);
  EXPECT_EQ(r.browser.requests.size(), 1u);
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");
  // The next Search offers the keyword after the interrupted one.
  r.search("x");
  EXPECT_EQ(r.window.askedInitial, "1");
}

TEST(RunDriver, StopBeforeAnySearchOnlySetsTheFlag) {
  SearchHarness r;
  r.driver.N3Click();
  EXPECT_TRUE(r.s().StopRequested);
  EXPECT_EQ(r.window.status(6), "终止搜索...");
  EXPECT_TRUE(r.window.searchEnabled);
  EXPECT_FALSE(r.window.stopEnabled);
  r.browser.pageFor = [](const std::string&) { return page({}); };
  r.search();
  EXPECT_FALSE(r.s().StopRequested);
  EXPECT_EQ(r.browser.requests.size(), 1u);
}

TEST(RunDriver, PollingGivesUpAtTheEleventhTick) {
  SearchHarness r;
  r.browser.completes = false;
  r.browser.pageFor = [](const std::string&) { return page({"x"}); };
  r.search();
  r.clock.advance(8000 * 10);
  EXPECT_EQ(r.s().PollTicks, 10);
  EXPECT_EQ(r.browser.requests.size(), 1u);
  r.clock.advance(8000);
  EXPECT_EQ(r.s().PollTicks, 0);
  EXPECT_EQ(r.browser.requests.size(), 2u);  // read at 88 s, next keyword requested
}

TEST(RunDriver, IntervalChangeTakesEffectAtTheNextTickWithADocument) {
  SearchHarness r;
  r.browser.completes = false;
  r.browser.pageFor = [](const std::string&) { return page({"x"}); };
  r.search();
  r.window.interval = 20;
  r.clock.advance(8000);
  EXPECT_EQ(r.timer1.interval(), 20000);
  EXPECT_EQ(r.timer2.interval(), 300000);
  EXPECT_EQ(r.timer1.due(), r.clock.now + 20000);
}

TEST(RunDriver, ReadErrorHaltsUntilStop) {
  SearchHarness r;
  r.browser.pageFor = [](const std::string&) {
    env::PageText p;
    p.error = std::make_exception_ptr(AppError("Interface not supported"));
    return p;
  };
  r.search();
  r.timer2.setEnabled(false);  // watch the halted state without the watchdog
  r.clock.advance(8000);
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0], "Interface not supported");
  EXPECT_FALSE(r.timer1.enabled());
  EXPECT_FALSE(r.window.searchEnabled);
  EXPECT_TRUE(r.window.stopEnabled);
  r.clock.advance(8000 * 20);
  EXPECT_EQ(r.browser.requests.size(), 1u);
  r.driver.N3Click();
  EXPECT_EQ(r.progressSaves, 0);
  EXPECT_EQ(r.window.status(6), "终止搜索...");
  EXPECT_TRUE(r.window.searchEnabled);
}

TEST(RunDriver, WatchdogRevivesAHaltedRun) {
  SearchHarness r;
  int served = 0;
  r.browser.pageFor = [&](const std::string&) {
    env::PageText p = page({"传真：0755-12345678"});
    if (served++ == 0) p.error = std::make_exception_ptr(AppError("Interface not supported"));
    return p;
  };
  r.search();
  r.clock.advance(8000);  // the read fails; the tick re-armed the watchdog at 120 s
  EXPECT_EQ(r.errors.size(), 1u);
  r.clock.advance(119000);
  EXPECT_EQ(r.browser.requests.size(), 1u);
  r.clock.advance(1000);  // the failed page is skipped: on to the second keyword
  ASSERT_EQ(r.browser.requests.size(), 2u);
  EXPECT_TRUE(r.browser.requests[1].ends_with("FAX%3A&pn=0&cl=3"));
  r.clock.advance(8000);
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");
  EXPECT_EQ(r.window.results.list.size(), 1u);
}

// The watchdog elapses pause x 15 s after a request that never produced a
// document (ticks without one wait without limit).
TEST(RunDriver, WatchdogRevivesAPageThatNeverArrives) {
  for (const int pause : {1, 8, 100}) {
    SCOPED_TRACE(pause);
    SearchHarness r;
    r.window.interval = pause;
    r.browser.commits = false;
    r.search();
    r.clock.advance(pause * 15000 - 1);
    EXPECT_EQ(r.browser.requests.size(), 1u);
    EXPECT_TRUE(r.timer1.enabled());
    r.clock.advance(1);
    EXPECT_EQ(r.browser.requests.size(), 2u);  // the second keyword
    r.clock.advance(pause * 15000);
    EXPECT_EQ(r.window.status(6), "搜索已经结束！");
    EXPECT_EQ(r.progressSaves, 1);
  }
}

TEST(RunDriver, NavigationErrorsAreSwallowed) {
  SearchHarness r;
  r.browser.throwOnNavigate = true;
  r.search();
  EXPECT_TRUE(r.errors.empty());
  EXPECT_TRUE(r.timer1.enabled());
  EXPECT_EQ(r.s().DocumentReady, 0);
}

TEST(RunDriver, UnknownEngineWalksTheKeywordsOverBlankPages) {
  SearchHarness r;
  r.window.engine = "http://www.baidu.com/";
  r.browser.pageFor = [](const std::string&) { return page({"传真：0755-12345678 下一页>"}); };
  r.search();
  r.clock.advance(8000 * 2);
  EXPECT_EQ(r.browser.requests, (std::vector<std::string>{kNoEngineAddress, kNoEngineAddress}));
  EXPECT_EQ(r.window.results.list.size(), 0u);  // nothing reaches the extractor
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");
}

TEST(RunDriver, FailedProgressSaveLeavesTheEndUnfinished) {
  SearchHarness r;
  r.failSave = true;
  r.browser.pageFor = [](const std::string&) { return page({}); };
  r.window.Memo2.setText("a");
  r.search();
  r.clock.advance(8000);
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0], "Disk full");
  EXPECT_EQ(r.window.status(6), "正在搜索...");
  EXPECT_FALSE(r.window.searchEnabled);
  EXPECT_TRUE(r.window.stopEnabled);
}

TEST(RunDriver, LateTextOfAReplacedRequestIsDropped) {
  SearchHarness r;
  r.browser.asyncReads = true;
  r.browser.completes = false;
  r.browser.pageFor = [](const std::string&) { return page({"传真：0755-12345678"}); };
  r.search();
  r.clock.advance(8000 * 11);  // give-up read asked for, not yet delivered
  ASSERT_TRUE(r.driver.readPending());
  r.search("1");  // a new search issues a new request meanwhile
  r.browser.deliverReads();
  EXPECT_EQ(r.window.results.list.size(), 0u);
  EXPECT_EQ(r.browser.requests.size(), 2u);
}

TEST(RunDriver, BlankKeywordLineIsSearchedLikeAnyOther) {
  SearchHarness r;
  r.window.Memo2.setText("\r\nx\r\n");
  r.browser.pageFor = [](const std::string&) { return page({}); };
  r.search();
  EXPECT_EQ(r.browser.requests[0],
            "http://www.baidu.com/baidu?lm=0&si=&rn=10&ie=gb2312&ct=0&word=&pn=0&cl=3");
  EXPECT_EQ(r.window.status(3), "1");
}
