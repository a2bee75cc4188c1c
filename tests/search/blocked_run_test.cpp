// A run against an engine that refuses it: the place is kept, the same page
// is asked for again after a wait that doubles, up to four times, then passed
// over; an engine that refuses three keywords in a row ends the run. The user
// can pass the check in the pane, and Stop and the watchdog behave.
#include <gtest/gtest.h>

#include "run_harness.h"

using namespace valo;
using valo::testing::page;
using valo::testing::SearchHarness;

namespace {

const char* kBaiduPager = "<上一页 1 2 3 下一页>";

env::PageText refusal() {
  return page({"请输入验证码"}, 429);
}

// Serves a refusal for the requests whose 0-based number is in `refused`,
// otherwise two pages per keyword with a number each.
void serve(SearchHarness& r, std::vector<int> refused) {
  r.browser.pageFor = [refused, n = 0, good = 0](const std::string& a) mutable {
    const int request = n++;
    if (std::find(refused.begin(), refused.end(), request) != refused.end()) return refusal();
    const std::string fax = "传真：020-8800000" + std::to_string(good++);
    return a.find("&pn=0&") != std::string::npos ? page({fax.c_str(), kBaiduPager}) : page({fax.c_str()});
  };
}

struct Place {
  std::int32_t KeywordIndex, PageIndex;
  std::string QueryHead, QueryTail, QueryText;
  bool operator==(const Place&) const = default;
};
Place placeOf(SearchHarness& r) {
  const search::RunState& s = r.s();
  return {s.KeywordIndex, s.PageIndex, s.QueryHead, s.QueryTail, s.QueryText};
}

TEST(RefusedRun, ARefusedPageKeepsThePlaceAndIsAskedForAgain) {
  SearchHarness r;
  serve(r, {1});  // the second page of the first keyword is refused once
  r.search();
  r.clock.advance(8000);  // page 1 read, page 2 requested
  const Place before = placeOf(r);
  r.clock.advance(8000);  // the refusal is read
  EXPECT_EQ(placeOf(r), before);
  EXPECT_TRUE(r.driver.waitingAfterRefusal());
  EXPECT_EQ(r.window.results.list.size(), 1u);  // nothing harvested from it
  EXPECT_EQ(r.window.status(6), "搜索引擎要求验证：请在浏览器中完成验证，或等待 120 秒后自动重试");
  EXPECT_FALSE(r.timer2.enabled());  // the watchdog never cuts a wait
  // The same address again, pause x 15 s later, and the run goes on.
  r.clock.advance(120000 - 1);
  EXPECT_EQ(r.browser.requests.size(), 2u);
  r.clock.advance(1);
  ASSERT_EQ(r.browser.requests.size(), 3u);
  EXPECT_EQ(r.browser.requests[2], r.browser.requests[1]);
  EXPECT_EQ(r.window.status(6), "搜索引擎要求验证：正在重试...");
  r.clock.advance(8000 * 3);
  EXPECT_EQ(r.browser.requests.size(), 5u);
  EXPECT_EQ(r.window.results.list.size(), 4u);  // no keyword and no page skipped
  EXPECT_EQ(r.window.status(6), "搜索已经结束！（被拒绝 1 次）");
  EXPECT_EQ(r.s().KeywordIndex, 2);
}

TEST(RefusedRun, WaitsDoubleUpToHalfAnHourAndResetAfterAResultPage) {
  SearchHarness r;
  r.window.interval = 40;  // first wait 600 s: the third reaches the cap
  serve(r, {0, 1, 2, 4});
  r.search();
  std::vector<long long> waits;
  r.clock.advance(40000);  // each answer is read at the first tick
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(r.driver.waitingAfterRefusal()) << i;
    const long long wait = r.timer3.due() - r.clock.now;
    waits.push_back(wait);
    r.clock.advance(wait - 1);
    EXPECT_EQ(r.browser.requests.size(), static_cast<std::size_t>(i + 1));
    r.clock.advance(1 + 40000);  // asked again, and the answer read
  }
  EXPECT_EQ(waits, (std::vector<long long>{600000, 1200000, 1800000}));
  // Request 3 is a result page: the episode ends; the next refusal waits 600 s again.
  EXPECT_EQ(r.window.results.list.size(), 1u);
  EXPECT_FALSE(r.driver.waitingAfterRefusal());
  EXPECT_EQ(r.window.status(6), "正在搜索...");
  r.clock.advance(40000);
  ASSERT_TRUE(r.driver.waitingAfterRefusal());
  EXPECT_EQ(r.driver.refusedAnswers(), 1);
  EXPECT_EQ(r.timer3.interval(), 600000);
}

TEST(RefusedRun, TheFirstWaitIsPauseTimesFifteenEvenBeyondHalfAnHour) {
  SearchHarness r;
  r.window.interval = 1000;
  serve(r, {0, 1});
  r.search();
  r.clock.advance(1000 * 1000);
  EXPECT_EQ(r.timer3.interval(), 15000 * 1000);
  r.clock.advance(15000 * 1000 + 1000 * 1000);
  EXPECT_EQ(r.timer3.interval(), 15000 * 1000);  // no doubling past the first wait
}

TEST(RefusedRun, TheWindowIsToldOncePerEpisode) {
  SearchHarness r;
  serve(r, {0, 1, 3});
  r.search();
  r.clock.advance(8000 + 120000 + 8000 + 240000 + 8000);  // two refusals, then a result page
  EXPECT_EQ(r.window.blockedNotices.size(), 1u);
  EXPECT_TRUE(utf8FromGbk(r.window.blockedNotices[0]).starts_with("搜索引擎要求验证"));
  r.clock.advance(8000);  // request 3: a new episode
  EXPECT_EQ(r.window.blockedNotices.size(), 2u);
}

TEST(RefusedRun, ThePaneAnswerIsReadAtTheNextTickWithoutWaitingOut) {
  SearchHarness r;
  serve(r, {0});
  r.search();
  r.clock.advance(8000);
  ASSERT_TRUE(r.driver.waitingAfterRefusal());
  // Ticks meanwhile read nothing: the check page stays in the pane.
  r.clock.advance(8000 * 10);
  EXPECT_EQ(r.browser.requests.size(), 1u);
  // A further check page the user meets leaves the wait as it is.
  r.browser.showInPane(page({"验证码错误，请重新输入"}));
  r.clock.advance(8000);
  EXPECT_TRUE(r.driver.waitingAfterRefusal());
  EXPECT_EQ(r.timer3.due(), 8000 + 120000);
  // The user passes the check; the engine sends the results.
  r.browser.showInPane(page({"传真：020-88000099", kBaiduPager}));
  r.clock.advance(8000);
  EXPECT_FALSE(r.driver.waitingAfterRefusal());
  EXPECT_EQ(r.window.results.list.items(), std::vector<std::string>{"020-88000099"});
  ASSERT_EQ(r.browser.requests.size(), 2u);
  EXPECT_TRUE(r.browser.requests[1].ends_with("&pn=10&cl=3"));  // the next page, at once
  EXPECT_FALSE(r.timer3.enabled());
  EXPECT_TRUE(r.timer2.enabled());
}

TEST(RefusedRun, StopDuringAWaitEndsTheSearch) {
  SearchHarness r;
  serve(r, {0});
  r.search();
  r.clock.advance(8000);
  ASSERT_TRUE(r.driver.waitingAfterRefusal());
  r.driver.N3Click();
  EXPECT_EQ(r.progressSaves, 1);
  EXPECT_EQ(r.window.status(6), "搜索已经结束！（被拒绝 1 次）");
  EXPECT_TRUE(r.window.searchEnabled);
  EXPECT_FALSE(r.window.stopEnabled);
  EXPECT_FALSE(r.timer1.enabled());
  EXPECT_FALSE(r.timer3.enabled());
  r.clock.advance(3600 * 1000);
  EXPECT_EQ(r.browser.requests.size(), 1u);
  // The next start offers the refused keyword itself.
  r.search("x");
  EXPECT_EQ(r.window.askedInitial, "1");
}

TEST(RefusedRun, StopWhileARetryLoadsEndsWhenItIsRefusedAgain) {
  SearchHarness r;
  serve(r, {0, 1});
  r.search();
  r.clock.advance(8000 + 120000);  // refused, then asked again
  ASSERT_EQ(r.browser.requests.size(), 2u);
  r.driver.N3Click();
  r.clock.advance(8000);
  EXPECT_FALSE(r.driver.waitingAfterRefusal());
  EXPECT_EQ(r.window.status(6), "搜索已经结束！（被拒绝 2 次）");
  EXPECT_EQ(r.progressSaves, 1);
}

TEST(RefusedRun, TheWatchdogNeverCutsAWait) {
  SearchHarness r;
  r.window.interval = 1;  // watchdog 15 s, waits from 15 s to 30 min
  serve(r, {0, 1, 2});
  r.search();
  r.clock.advance(3 * 3600 * 1000LL);
  // Four requests of the first page of the first keyword, waits of 15, 30
  // and 60 s between them, then the rest of the search: nothing was skipped.
  ASSERT_EQ(r.browser.requests.size(), 4u + 3u);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(r.browser.requests[i], r.browser.requests[0]);
  EXPECT_EQ(r.browser.requestTimes[3], 1000 + 15000 + 1000 + 30000 + 1000 + 60000);
  EXPECT_EQ(r.window.results.list.size(), 4u);
  EXPECT_EQ(r.window.status(6), "搜索已经结束！（被拒绝 3 次）");
}

TEST(RefusedRun, TheEndSaysHowOftenTheSearchWasRefused) {
  SearchHarness r;
  serve(r, {1, 2, 4});  // two episodes in the first search, none in the second
  r.search();
  r.clock.advance(8000 * 2);
  ASSERT_TRUE(r.driver.waitingAfterRefusal());
  // A check page the user meets in the pane is no answer to the run.
  r.browser.showInPane(page({"验证码错误，请重新输入"}));
  r.clock.advance(3600 * 1000);
  EXPECT_EQ(r.browser.requests.size(), 7u);
  EXPECT_EQ(r.window.results.list.size(), 4u);
  EXPECT_EQ(r.window.status(6), "搜索已经结束！（被拒绝 3 次）");
  r.search();
  r.clock.advance(3600 * 1000);
  EXPECT_EQ(r.browser.requests.size(), 11u);
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");
}

TEST(RefusedRun, ErrorPagesAreReadAsToday) {
  SearchHarness r;
  r.browser.pageFor = [](const std::string&) { return page({"服务器内部错误"}, 500); };
  r.search();
  r.clock.advance(8000 * 2);
  EXPECT_EQ(r.browser.requests.size(), 2u);  // next keyword, then the end
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");  // no refusal, nothing added
  EXPECT_EQ(r.driver.refusedAnswers(), 0);
}

// A result page whose snippets mention a check, without numbers or pager, is
// the keyword's last page, not a refusal.
TEST(RefusedRun, AResultPageMentioningACheckIsReadAsAPage) {
  SearchHarness r;
  r.browser.pageFor = [](const std::string&) {
    return page({"百度一下", "网页 资讯 贴吧 知道 视频 图片", "百度为您找到相关结果约1,000个", "搜索工具",
                 "某某科技有限公司", "登录时请输入短信验证码，若收不到请联系客服", "www.example.com"});
  };
  r.search();
  r.clock.advance(8000 * 2);
  EXPECT_EQ(r.browser.requests.size(), 2u);  // each keyword once, then the end
  EXPECT_EQ(r.driver.refusedInSearch(), 0);
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");
}

// One page per keyword; the requests whose 0-based number is in `refused`
// are refused, the others carry a number each.
void serveOnePagePerKeyword(SearchHarness& r, std::function<bool(int)> refused) {
  r.browser.pageFor = [refused, n = 0, good = 0](const std::string&) mutable {
    if (refused(n++)) return refusal();
    const std::string fax = "传真：020-8800000" + std::to_string(good++);
    return page({fax.c_str()});
  };
}

TEST(RefusedRun, RefusedAddressesArePassedOverAndARefusingEngineEndsTheRun) {
  struct Case {
    const char* name;
    int keywords;
    std::function<bool(int)> refused;
    std::size_t requests;
    std::size_t listed;
    const char* end;
    int savedLine;  // the keyword line the progress file names
    const char* offered;
  };
  const auto all = [](int) { return true; };
  const Case cases[] = {
      {"one address refused every time", 2, [](int n) { return n < 4; }, 4 + 1, 1,
       "搜索已经结束！（被拒绝 4 次，跳过 1 页）", 1, "2"},
      {"an engine refusing everything", 4, all, 3 * 4, 0, "搜索已中止：搜索引擎连续拒绝（被拒绝 12 次）", 0, "0"},
      {"an engine that stops answering after a keyword", 5, [](int n) { return n > 0; }, 1 + 3 * 4, 1,
       "搜索已中止：搜索引擎连续拒绝（被拒绝 12 次）", 1, "1"},
      {"a result page between breaks the row", 4, [](int n) { return n != 8; }, 4 + 4 + 1 + 4, 1,
       "搜索已经结束！（被拒绝 12 次，跳过 3 页）", 3, "4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SearchHarness r;
    GbkString keywords;
    for (int k = 0; k < c.keywords; ++k) keywords += "k" + std::to_string(k) + "\r\n";
    r.window.Memo2.setText(keywords);
    serveOnePagePerKeyword(r, c.refused);
    std::vector<int> saved;
    r.hooks.saveProgress = [&] { saved.push_back(r.s().KeywordIndex - 1); };
    r.search();
    r.clock.advance(24 * 3600 * 1000LL);
    ASSERT_EQ(r.browser.requests.size(), c.requests);
    // Every refused address was asked for four times in a row.
    for (std::size_t i = 0; i + 1 < c.requests; ++i) {
      if (c.refused(static_cast<int>(i)) && (i == 0 || !c.refused(static_cast<int>(i) - 1))) {
        for (std::size_t k = 1; k < 4; ++k) EXPECT_EQ(r.browser.requests[i + k], r.browser.requests[i]) << i;
      }
    }
    EXPECT_EQ(r.window.results.list.size(), c.listed);
    EXPECT_EQ(r.window.status(6), c.end);
    ASSERT_EQ(r.window.endTexts.size(), 1u);
    EXPECT_EQ(utf8FromGbk(r.window.endTexts[0]), c.end);  // what the tray says
    EXPECT_EQ(saved, std::vector<int>{c.savedLine});
    EXPECT_TRUE(r.window.searchEnabled);
    r.search("x");
    EXPECT_EQ(r.window.askedInitial, c.offered);
  }
}

}  // namespace
