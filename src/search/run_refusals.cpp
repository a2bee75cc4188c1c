// The run's answer to an engine that refuses it: the wait before the same
// address is asked for again, the page given up after the last try, the end
// of a run whose engine refuses every keyword, and the end text that says so.
// See run_driver.h.
#include <algorithm>
#include <vector>

#include "search/run_driver.h"
#include "text/app_error.h"

namespace valo::search {
namespace {

// A refused page is asked for again after the pause times this, doubled
// with every refusal in a row, but never longer than half an hour (unless the
// first wait itself is longer).
constexpr int kBackoffFactor = 15;
constexpr std::int64_t kBackoffCapSeconds = std::int64_t{30} * 60;

}  // namespace

int SearchRunDriver::backoffMilliseconds() const {
  const std::int64_t second = millisecondsPerSecond_;
  const std::int64_t first = std::int64_t{window_.intervalSeconds()} * kBackoffFactor * second;
  const std::int64_t cap = std::max(first, kBackoffCapSeconds * second);
  std::int64_t wait = first;
  for (int n = 1; n < refusedAnswers_ && wait < cap; ++n) wait *= 2;
  return static_cast<int>(std::min(wait, cap));
}

bool SearchRunDriver::holdAfterRefusal() {
  // Numbers an earlier failed write held back are tried at every page.
  keepResultsOnDisk();
  // The watchdog would skip the page; a wait is never cut.
  Timer2.setEnabled(false);
  // A page read during the wait is one the user brought into the pane.
  const bool duringWait = readFrom_ == RunPhase::RefusalWait;
  if (!duringWait) ++refusedInSearch_;
  if (state_.StopRequested) {
    endRefusalEpisode();
    BitBtn1Click();
    return false;
  }
  if (!duringWait && refusedAnswers_ + 1 >= kTriesPerAddress) {
    // The last try: the page is given up. Several keywords in a row given up
    // mean the engine refuses this client; waiting on would keep an
    // unattended run on them for ever.
    endRefusalEpisode();
    ++passedOverInSearch_;
    if (passedOverInRow_++ == 0) firstPassedKeyword_ = state_.KeywordIndex;
    if (passedOverInRow_ < kDeadEngineKeywords) return true;
    // The end step writes the keyword line one below KeywordIndex: the first
    // keyword given up, which the next Search then offers as well.
    endReason_ = EndReason::EngineRefuses;
    state_.KeywordIndex = firstPassedKeyword_;
    BitBtn1Click();
    state_.KeywordIndex = firstPassedKeyword_ - 1;
    return false;
  }
  // From here a completed document is a page the user brought into the pane.
  state_.DocumentReady = 0;
  enterPhase(RunPhase::RefusalWait);
  if (!duringWait) {
    // An answer to the run's own request; a further refusal the user meets in
    // the pane while the run waits leaves the wait as it is.
    ++refusedAnswers_;
    const int wait = backoffMilliseconds();
    Timer3.setEnabled(false);
    Timer3.setInterval(wait);
    Timer3.setEnabled(true);
    GbkString text = gbk("搜索引擎要求验证：请在浏览器中完成验证，或等待 ") +
                     intToStr(wait / millisecondsPerSecond_) + gbk(" 秒");
    if (const GbkString at = services_.clockAfter(wait); !at.empty()) text += gbk("（") + at + gbk("）");
    text += gbk("后自动重试");
    showStatus(text);
    if (refusedAnswers_ == 1) window_.blockedEpisodeBegan(withProxyNote(text));
  }
  Timer1.setEnabled(true);
  return false;
}

void SearchRunDriver::endRefusalEpisode() {
  if (refusedAnswers_ == 0) return;
  Timer3.setEnabled(false);
  refusedAnswers_ = 0;
  if (!state_.StopRequested) showStatus(gbk("正在搜索..."));
}

void SearchRunDriver::Timer3Timer() {
  Timer3.setEnabled(false);
  if (phase_ == RunPhase::ProxySettle) return proxySettleTick();
  if (phase_ != RunPhase::RefusalWait) return;
  Timer1.setEnabled(false);
  showStatus(gbk("搜索引擎要求验证：正在重试..."));
  // The same address again; the page counter and the keyword stay.
  issueRequest();
}

// A search that met refusals says how often, and how many pages it gave up:
// the user sees why it found less than hoped, whether the pause should be
// longer, and which keywords to search again.
GbkString SearchRunDriver::endText() const {
  std::vector<GbkString> notes;
  if (refusedInSearch_ > 0) notes.push_back(gbk("被拒绝 ") + intToStr(refusedInSearch_) + gbk(" 次"));
  if (proxies_.switches() > 0) notes.push_back(gbk("换代理 ") + intToStr(proxies_.switches()) + gbk(" 次"));
  if (passedOverInSearch_ > 0 && endReason_ != EndReason::EngineRefuses)
    notes.push_back(gbk("跳过 ") + intToStr(passedOverInSearch_) + gbk(" 页"));
  if (!autosaveFailure_.empty()) notes.push_back(gbk("自动保存失败"));
  GbkString text = endReason_ == EndReason::NoUsableProxy   ? gbk("搜索已中止：没有可用的代理")
                   : endReason_ == EndReason::EngineRefuses ? gbk("搜索已中止：搜索引擎连续拒绝")
                                                            : gbk("搜索已经结束！");
  for (std::size_t i = 0; i < notes.size(); ++i) text += (i == 0 ? gbk("（") : gbk("，")) + notes[i];
  if (!notes.empty()) text += gbk("）");
  return text;
}

}  // namespace valo::search
