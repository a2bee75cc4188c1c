// Long unattended runs: every page is read whatever the pause (the watchdog
// never cuts a page the poll still waits for), each keyword's position is on
// disk from its first request on, and every page's numbers are handed to the
// autosave and flushed before the next request.
#include <gtest/gtest.h>

#include "run_harness.h"

using namespace valo;
using valo::testing::page;
using valo::testing::SearchHarness;

namespace {

const char* kBaiduPager = "<上一页 1 2 3 下一页>";

// Two pages per keyword: the first shows the pager, the second does not;
// each page carries its own number, so a skipped page is a missing number.
void servePagesWithNumbers(SearchHarness& r) {
  r.browser.pageFor = [served = 0](const std::string& a) mutable {
    const std::string fax = "传真：020-8800000" + std::to_string(served++);
    const bool first = a.find("&pn=0&") != std::string::npos;
    return first ? page({fax.c_str(), kBaiduPager}) : page({fax.c_str()});
  };
}

std::vector<std::string> expectedNumbers(int pages) {
  std::vector<std::string> out;
  for (int i = 0; i < pages; ++i) out.push_back("020-8800000" + std::to_string(i));
  return out;
}

// Gaps between consecutive requests, in ms.
std::vector<long long> gaps(const std::vector<long long>& times) {
  std::vector<long long> out;
  for (std::size_t i = 1; i < times.size(); ++i) out.push_back(times[i] - times[i - 1]);
  return out;
}

struct PacingCase {
  int pause;
  bool completes;  // document-complete arrives: read at the first tick, else at the eleventh
};

void PrintTo(const PacingCase& c, std::ostream* os) {
  *os << c.pause << " s, " << (c.completes ? "ready" : "never ready");
}

class Pacing : public ::testing::TestWithParam<PacingCase> {};

TEST_P(Pacing, EveryPageIsReadAtItsTickAndNoneIsSkipped) {
  const PacingCase c = GetParam();
  SearchHarness r;
  r.window.interval = c.pause;
  r.browser.completes = c.completes;
  servePagesWithNumbers(r);
  r.search();
  const long long perPage = static_cast<long long>(c.pause) * 1000 * (c.completes ? 1 : 11);
  r.clock.advance(perPage * 4);
  ASSERT_EQ(r.browser.requests.size(), 4u);
  EXPECT_EQ(gaps(r.browser.requestTimes), std::vector<long long>(3, perPage));
  EXPECT_EQ(r.window.results.list.items(), expectedNumbers(4));
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");
  EXPECT_TRUE(r.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Pauses, Pacing,
                         ::testing::Values(PacingCase{1, true}, PacingCase{8, true}, PacingCase{60, true},
                                           PacingCase{100, true}, PacingCase{1000, true},
                                           PacingCase{1, false}, PacingCase{8, false}, PacingCase{60, false},
                                           PacingCase{100, false}, PacingCase{1000, false}),
                         [](const ::testing::TestParamInfo<PacingCase>& p) {
                           return std::to_string(p.param.pause) +
                                  (p.param.completes ? "s_ready" : "s_eleventh");
                         });

// A watchdog left at the short interval of the search before must not cut
// the first page of a search with a longer pause.
TEST(UnattendedRun, SecondSearchAfterThePauseWasRaisedReadsEveryPage) {
  SearchHarness r;
  r.window.interval = 1;
  servePagesWithNumbers(r);
  r.search();
  r.clock.advance(1000 * 4);
  ASSERT_EQ(r.window.status(6), "搜索已经结束！");
  for (const bool completes : {true, false}) {
    SCOPED_TRACE(completes);
    r.window.interval = 100;
    r.browser.completes = completes;
    r.browser.requests.clear();
    r.browser.requestTimes.clear();
    servePagesWithNumbers(r);
    r.search();
    const long long perPage = 100000LL * (completes ? 1 : 11);
    r.clock.advance(perPage * 4);
    ASSERT_EQ(r.browser.requests.size(), 4u);
    EXPECT_EQ(gaps(r.browser.requestTimes), std::vector<long long>(3, perPage));
    EXPECT_EQ(r.window.results.list.items(), expectedNumbers(4));
    EXPECT_EQ(r.window.status(6), "搜索已经结束！");
  }
}

TEST(UnattendedRun, ThePositionIsWrittenAtEveryKeywordsFirstRequest) {
  SearchHarness r;
  r.window.Memo2.setText(gbk("一\r\n二\r\n三\r\n"));
  servePagesWithNumbers(r);
  std::vector<std::int32_t> checkpoints;  // KeywordIndex as each write saw it
  std::vector<std::size_t> requestsBefore;
  r.hooks.checkpointProgress = [&] {
    checkpoints.push_back(r.s().KeywordIndex);
    requestsBefore.push_back(r.browser.requests.size());
  };
  r.search();
  r.clock.advance(8000 * 6);
  ASSERT_EQ(r.browser.requests.size(), 6u);
  // Line 2 of the file is KeywordIndex - 1: the keyword being searched.
  EXPECT_EQ(checkpoints, (std::vector<std::int32_t>{1, 2, 3}));
  // Written before the keyword's first page is asked for, not after.
  EXPECT_EQ(requestsBefore, (std::vector<std::size_t>{0, 2, 4}));
  EXPECT_EQ(r.progressSaves, 1);  // the end step's own write, unchanged
}

TEST(UnattendedRun, AFailedCheckpointNeverStopsTheRunOrShowsAnError) {
  SearchHarness r;
  servePagesWithNumbers(r);
  r.hooks.checkpointProgress = [] { throw AppError("File access denied"); };
  r.search();
  r.clock.advance(8000 * 4);
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.window.results.list.items(), expectedNumbers(4));
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");
}

TEST(UnattendedRun, EveryPagesNumbersAreFlushedBeforeTheNextRequest) {
  SearchHarness r;
  r.window.Memo2.setText(gbk("一\r\n"));
  r.browser.pageFor = [](const std::string& a) {
    const bool first = a.find("&pn=0&") != std::string::npos;
    return first ? page({"传真：020-88000001", "FAX: 020-88000002", kBaiduPager})
                 : page({"传真：020-88000003"});
  };
  std::vector<std::string> log;
  r.hooks.startAutosave = [&] { log.push_back("start"); };
  r.hooks.autosaveNumber = [&](const GbkString& n) { log.push_back(n); };
  r.hooks.flushAutosave = [&]() -> std::optional<GbkString> {
    log.push_back("flush");
    return std::nullopt;
  };
  r.browser.onNavigate = [&] { log.push_back("request"); };
  r.search();
  r.clock.advance(8000 * 2);
  // The end step tries once more for anything a failed flush held back.
  EXPECT_EQ(log, (std::vector<std::string>{"start", "request", "020-88000001", "020-88000002", "flush",
                                           "request", "020-88000003", "flush", "flush"}));
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");
}

// A failure stays beside every status text until a later flush succeeds;
// one that lasts to the end is in the end text.
TEST(UnattendedRun, AnAutosaveFailureStaysShownUntilResolvedAndTheRunGoesOn) {
  const GbkString failure = gbk("搜索结果自动保存失败（磁盘空间不足）：/x/搜索结果-1.txt");
  for (const bool resolves : {true, false}) {
    SCOPED_TRACE(resolves);
    SearchHarness r;
    // The second request is refused once: a further status text meanwhile.
    r.browser.pageFor = [n = 0, good = 0](const std::string& a) mutable {
      if (n++ == 1) return page({"请输入验证码"}, 429);
      const std::string fax = "传真：020-8800000" + std::to_string(good++);
      return a.find("&pn=0&") != std::string::npos ? page({fax.c_str(), kBaiduPager}) : page({fax.c_str()});
    };
    int flushes = 0;
    r.hooks.flushAutosave = [&]() -> std::optional<GbkString> {
      if (flushes++ < 3 || !resolves) return failure;
      return std::nullopt;
    };
    r.search();
    r.clock.advance(8000 * 2 + 120000 + 8000 * 3);
    EXPECT_EQ(flushes, 6);  // every page, the refused one too, and the end step
    EXPECT_EQ(r.window.results.list.size(), 4u);
    const std::vector<GbkString>& log = r.window.statusLog;
    const auto shown = std::find(log.begin(), log.end(), gbk("正在搜索...　") + failure);
    ASSERT_NE(shown, log.end());
    EXPECT_TRUE(std::all_of(shown, log.end() - (resolves ? 2 : 0), [&](const GbkString& t) {
      return t.ends_with(failure);
    }));
    EXPECT_TRUE(utf8FromGbk(*(shown + 1)).starts_with("搜索引擎要求验证"));
    EXPECT_EQ(r.window.status(6), resolves ? "搜索已经结束！（被拒绝 1 次）"
                                           : "搜索已经结束！（被拒绝 1 次，自动保存失败）　" + utf8FromGbk(failure));
    EXPECT_TRUE(r.errors.empty());
  }
}

}  // namespace
