// The run's phase through the paths of a search, one row a path: each step
// is an event, followed by the phase it must leave the run in. The harness
// checks after every handler that the phase agrees with the timers, the
// flags and the Search and Stop buttons.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "run_harness.h"

using namespace valo;
using namespace valo::search;
using valo::testing::page;
using valo::testing::SearchHarness;

namespace {

struct Step {
  const char* event;
  std::function<void(SearchHarness&)> act;
  RunPhase after;
};

struct PhasePath {
  const char* name;
  std::function<env::PageText(int served)> pageFor;
  std::vector<Step> steps;
  std::function<void(SearchHarness&)> setUp = [](SearchHarness&) {};
};

const auto kSearch = [](SearchHarness& r) { r.search(); };
const auto kStop = [](SearchHarness& r) { r.guarded([&] { r.driver.N3Click(); }); };
const auto kTick = [](SearchHarness& r) { r.clock.advance(8000); };
const auto kAnswer = [](SearchHarness& r) { r.guarded([&] { EXPECT_TRUE(r.services.answerStore()); }); };
const auto kHoldStore = [](SearchHarness& r) { r.services.holdStoreAnswers = true; };
// Long past the poll and the watchdog: a run waiting for the store asks for nothing.
const auto kLongWait = [](SearchHarness& r) {
  const std::size_t asked = r.browser.requests.size();
  r.clock.advance(8000 * 40);
  EXPECT_EQ(r.browser.requests.size(), asked);
};

env::PageText unreadable() {
  env::PageText p;
  p.error = std::make_exception_ptr(AppError("Interface not supported"));
  return p;
}

}  // namespace

TEST(RunPhase, FollowsEveryPathOfASearch) {
  const PhasePath paths[] = {
      {"a walk to its end",
       [](int served) { return served == 0 ? page({"<上一页 1 2 下一页>"}) : page({}); },
       {{"search", kSearch, RunPhase::Waiting},
        {"next page", kTick, RunPhase::Waiting},
        {"next keyword", kTick, RunPhase::Waiting},
        {"end", kTick, RunPhase::Idle}}},
      {"stop while a page loads", [](int) { return page({}); },
       {{"search", kSearch, RunPhase::Waiting},
        {"stop", kStop, RunPhase::Stopping},
        {"page read, end", kTick, RunPhase::Idle}}},
      {"stop before any search", [](int) { return page({}); }, {{"stop", kStop, RunPhase::Idle}}},
      {"a read error halts until stop", [](int) { return unreadable(); },
       {{"search", kSearch, RunPhase::Waiting},
        {"read fails", kTick, RunPhase::Halted},
        {"stop", kStop, RunPhase::Idle}}},
      {"a read error after stop leaves nothing to wait for", [](int) { return unreadable(); },
       {{"search", kSearch, RunPhase::Waiting},
        {"stop", kStop, RunPhase::Stopping},
        {"read fails", kTick, RunPhase::Idle}}},
      {"a refusal waits, then asks again", [](int served) { return served == 0 ? page({}, 429) : page({}); },
       {{"search", kSearch, RunPhase::Waiting},
        {"refused", kTick, RunPhase::RefusalWait},
        {"asked again", [](SearchHarness& r) { r.clock.advance(r.timer3.due() - r.clock.now); },
         RunPhase::Waiting},
        {"stop", kStop, RunPhase::Stopping}}},
      {"stop during a refusal wait ends at once", [](int) { return page({}, 503); },
       {{"search", kSearch, RunPhase::Waiting},
        {"refused", kTick, RunPhase::RefusalWait},
        {"stop", kStop, RunPhase::Idle}}},
      {"a cancelled search leaves a stopping run stopping", [](int) { return page({}); },
       {{"search", kSearch, RunPhase::Waiting},
        {"stop", kStop, RunPhase::Stopping},
        {"search, cancelled",
         [](SearchHarness& r) {
           r.window.nextAnswer.reset();
           r.guarded([&] { r.driver.N2Click(); });
         },
         RunPhase::Stopping}}},
      {"a failed end step halts the run with its buttons", [](int) { return page({}); },
       {{"search", kSearch, RunPhase::Waiting},
        {"end fails", kTick, RunPhase::Halted},
        {"stop", kStop, RunPhase::Idle}},
       [](SearchHarness& r) {
         r.failSave = true;
         r.window.Memo2.setText("a");
       }},
      {"a page waits for the store, then asks for the next", [](int) { return page({"<上一页 1 2 下一页>"}); },
       {{"search", kSearch, RunPhase::Waiting},
        {"page read", kTick, RunPhase::StoreWait},
        {"no answer yet", kLongWait, RunPhase::StoreWait},
        {"store answers", kAnswer, RunPhase::Waiting}},
       kHoldStore},
      {"the last page's answer ends the search", [](int) { return page({}); },
       {{"search", kSearch, RunPhase::Waiting},
        {"page read", kTick, RunPhase::StoreWait},
        {"store answers", kAnswer, RunPhase::Idle}},
       [](SearchHarness& r) {
         kHoldStore(r);
         r.window.Memo2.setText("a");
       }},
      {"stop during the store wait ends at the answer", [](int) { return page({"<上一页 1 2 下一页>"}); },
       {{"search", kSearch, RunPhase::Waiting},
        {"page read", kTick, RunPhase::StoreWait},
        {"stop", kStop, RunPhase::Stopping},
        {"no answer yet", kLongWait, RunPhase::Stopping},
        {"store answers, end", kAnswer, RunPhase::Idle}},
       kHoldStore},
      {"a new search while stopping owes the old page nothing", [](int) { return page({}); },
       {{"search", kSearch, RunPhase::Waiting},
        {"page read", kTick, RunPhase::StoreWait},
        {"stop", kStop, RunPhase::Stopping},
        {"search again", kSearch, RunPhase::Waiting},
        {"the old answer", kAnswer, RunPhase::Waiting}},
       kHoldStore},
  };
  for (const PhasePath& path : paths) {
    SCOPED_TRACE(path.name);
    SearchHarness r;
    int served = 0;
    r.browser.pageFor = [&](const std::string&) { return path.pageFor(served++); };
    path.setUp(r);
    for (const Step& step : path.steps) {
      SCOPED_TRACE(step.event);
      step.act(r);
      EXPECT_EQ(phaseName(r.driver.phase()), std::string(phaseName(step.after)));
    }
  }
}

// The store's answer alone lets the run on: the next request goes out when
// it comes, however long after the page; its text stays beside panel 6's
// while the store has something to say; a search stopped meanwhile ends at
// the answer with its end step, once.
TEST(RunPhase, TheNextRequestWaitsForTheStoresAnswer) {
  SearchHarness r;
  r.services.holdStoreAnswers = true;
  r.browser.pageFor = [](const std::string&) { return page({"传真：020-88000001", "<上一页 1 2 下一页>"}); };
  r.search();
  r.clock.advance(8000);
  ASSERT_EQ(r.browser.requests.size(), 1u);
  EXPECT_EQ(r.window.results.list.size(), 1u);  // listed before the store has it

  r.clock.advance(100000);
  r.guarded([&] { r.services.answerStore(gbk("号码库：1 条记录等待写入")); });
  ASSERT_EQ(r.browser.requestTimes, (std::vector<long long>{0, 108000}));
  EXPECT_EQ(r.window.status(6), "正在搜索...　号码库：1 条记录等待写入");

  r.clock.advance(8000);
  r.guarded([&] { r.driver.N3Click(); });
  EXPECT_TRUE(r.window.endings.empty());
  r.guarded([&] { r.services.answerStore(); });
  EXPECT_EQ(r.window.endings, std::vector<std::int32_t>{2});
  EXPECT_EQ(r.window.status(6), "搜索已经结束！");
  EXPECT_EQ(r.browser.requests.size(), 2u);
  // The end step's own commit is answered late: the end is not told twice.
  r.guarded([&] { r.services.answerStore(); });
  EXPECT_EQ(r.window.endings.size(), 1u);
  EXPECT_TRUE(r.errors.empty());
}
