// The search run's handlers; see run_driver.h.
#include "search/run_driver.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "env/network_check.h"
#include "search/blocked_page.h"
#include "search/next_page_rules.h"
#include "text/app_error.h"

namespace valo::search {
namespace {

// Status bar panels.
constexpr int kPanelKeywordCount = 1;
constexpr int kPanelKeyword = 3;
constexpr int kPanelFound = 5;

constexpr int kGiveUpTicks = 10;
// The watchdog's interval in poll intervals: more than the eleven the poll
// waits through before it reads a page anyway, so it never cuts a page the
// poll is still waiting for.
constexpr int kWatchdogFactor = 15;
static_assert(kWatchdogFactor > kGiveUpTicks + 1);

}  // namespace

SearchRunDriver::SearchRunDriver(RunWindow& window, env::BrowserControl& browser, RunTimer& timer1,
                                 RunTimer& timer2, RunTimer& timer3, RunServices& services,
                                 const EngineCatalogue& engines)
    : window_(window),
      browser_(browser),
      Timer1(timer1),
      Timer2(timer2),
      Timer3(timer3),
      services_(services),
      engines_(engines) {}

void SearchRunDriver::encodeKeyword(const SearchEngine* engine) {
  state_.QueryText =
      EncodeQueryKeyword(NMURL1, window_.keywordLine(state_.KeywordIndex), encodingFor(engine));
}

void SearchRunDriver::enterPhase(RunPhase phase) {
  phase_ = phase;
  if (isRestingPhase(phase)) showPhase();
}

void SearchRunDriver::showPhase() {
  window_.showRunPhase(phase_);
}

void SearchRunDriver::settleAfterFailure() {
  enterPhase(state_.StopRequested ? RunPhase::Idle : RunPhase::Halted);
}

const SearchEngine* SearchRunDriver::currentEngine() const {
  return engines_.find(window_.engineText());
}

void SearchRunDriver::N2Click() {
  PhaseRestore starting(phase_, RunPhase::Starting);
  if (env::isOffline(services_.localAddress())) {
    window_.showInformation(gbk("您还没有连接到网上！"));
    return;
  }
  if (window_.keywordLineCount() == 0) throw AppError(gbk("请先输入搜索关键字列表"));
  std::vector<Proxy> proxyList = services_.loadProxies();
  if (state_.KeywordIndex == -1) state_.KeywordIndex = 0;

  const std::optional<GbkString> answer = window_.inputQuery(
      gbk("搜索参数设置"), gbk("请输入关键字搜索起始行数        "), intToStr(state_.KeywordIndex));
  if (!answer) return;
  std::int32_t start = strToInt(*answer);
  if (start < 0) start = 0;
  state_.KeywordIndex = start;
  if (start != 0 && start >= window_.keywordLineCount()) {
    window_.showMessage(gbk("搜索起始行数超过关键字列表行数！"));
    state_.KeywordIndex = 0;
  }

  window_.repaintWindow();
  window_.clearResultList();
  state_.PageCap = 0;

  encodeKeyword(currentEngine());
  ++state_.KeywordIndex;
  if (const SearchEngine* engine = currentEngine()) {
    state_.QueryHead = composeQueryHead(*engine, state_.QueryText);
    state_.PageIndex = engine->firstPageIndex;
  }

  state_.StopRequested = false;
  state_.MorePages = true;
  state_.FoundCount = 0;
  window_.clearResultList();
  state_.PageLines.clear();
  // A new search owes nothing to a refusal of the one before.
  Timer3.setEnabled(false);
  refusedAnswers_ = 0;
  refusedInSearch_ = 0;
  passedOverInSearch_ = 0;
  passedOverInRow_ = 0;
  endReason_ = EndReason::Finished;
  // Nor does it wait for the store's answer to a page of a stopping search.
  awaitedTicket_ = 0;
  services_.searchStarting();

  starting.keep();
  showPhase();
  Timer1.setInterval(window_.intervalSeconds() * millisecondsPerSecond_);
  // The watchdog follows the interval box from the first request on; the
  // value a previous search left (or the design 60 s) could be shorter than
  // the first poll tick.
  Timer2.setInterval(window_.intervalSeconds() * millisecondsPerSecond_ * kWatchdogFactor);

  window_.setStatusText(kPanelKeywordCount, intToStr(window_.keywordLineCount()));
  window_.setStatusText(kPanelFound, intToStr(state_.FoundCount));
  showStatus(gbk("清空IE数据..."));
  services_.pause(500);
  services_.clearBrowserData();
  showStatus(gbk("正在搜索..."));
  if (startWithProxy(std::move(proxyList))) return;  // the first request waits until the browser uses the first proxy
  try {
    Button1Click();
  } catch (...) {
    // The first request's errors are not the user's concern; the poll and
    // the watchdog carry the run on.
  }
}

void SearchRunDriver::Button1Click() {
  if (!state_.MorePages || state_.StopRequested) {
    BitBtn1Click();
    return;
  }
  if (const SearchEngine* engine = currentEngine()) {
    state_.QueryTail = composeQueryTail(*engine, state_.PageIndex, RequestKind::First);
    state_.QueryText = state_.QueryHead + state_.QueryTail;
  }
  ++state_.PageIndex;
  window_.setStatusText(kPanelKeyword, intToStr(state_.KeywordIndex));
  checkpointPosition();
  issueRequest();
}

// The end step writes the progress file too, with its error box; this write
// only keeps the position safe between two ends, so it never stops the run.
void SearchRunDriver::checkpointPosition() {
  try {
    services_.checkpointProgress();
  } catch (...) {
  }
}

void SearchRunDriver::issueRequest() {
  enterPhase(RunPhase::Waiting);
  state_.DocumentReady = 0;
  ++requestSerial_;
  readPending_ = false;
  try {
    const bool engineKnown = currentEngine() != nullptr;
    browser_.Navigate(engineKnown ? state_.QueryText : std::string(kNoEngineAddress));
  } catch (...) {
    // A failed navigation leaves whatever document the control holds; the
    // poll reads it as the next page.
  }
  Timer1.setEnabled(true);
  restartWatchdog();
}

// The watchdog restarts with every request, so it only elapses when a whole
// watchdog interval has passed without one. It is kept at its factor of the
// poll interval the request goes out with.
void SearchRunDriver::restartWatchdog() {
  Timer2.setEnabled(false);
  Timer2.setInterval(Timer1.interval() * kWatchdogFactor);
  Timer2.setEnabled(true);
}

void SearchRunDriver::Timer1Timer() {
  if (!browser_.hasDocument()) return;
  Timer1.setEnabled(false);
  Timer1.setInterval(window_.intervalSeconds() * millisecondsPerSecond_);
  Timer2.setInterval(window_.intervalSeconds() * millisecondsPerSecond_ * kWatchdogFactor);
  if (phase_ == RunPhase::RefusalWait) {
    // Waiting after a refusal, only a page the user brought into the pane
    // (passing the engine's check) is read; the poll does not give up on it.
    if (state_.DocumentReady != 0) {
      readCurrentPage();
    } else {
      Timer1.setEnabled(true);
    }
    return;
  }
  if (state_.DocumentReady != 0) {
    state_.PollTicks = 0;
    readCurrentPage();
  } else if (state_.PollTicks >= kGiveUpTicks) {
    state_.PollTicks = 0;
    // Through a proxy, a page that never completes is the proxy's timeout.
    proxies_.active() ? proxyUnreachable() : readCurrentPage();
  } else {
    ++state_.PollTicks;
    Timer1.setEnabled(true);
  }
}

// The browser produces a page's text asynchronously. It keeps the text of
// each completed page, taken before it reports completion, so on the normal
// path `done` runs right here and the decision to read, the harvest and the
// next request are one step on the same page. When the wait has run out the
// text of whatever the browser shows is fetched and the reader runs when it
// arrives. The store may look the page's numbers up first, off this thread,
// and the reader then runs when they are looked up. In between only Stop
// (seen by the reader) and document-complete events (overwritten before the
// next request) can act, and a request issued meanwhile (a new Search, the
// watchdog) makes the late text stale: it is dropped, never harvested.
void SearchRunDriver::readCurrentPage() {
  const std::uint64_t serial = requestSerial_;
  readPending_ = true;
  browser_.readBodyText([this, serial](env::PageText page) {
    if (serial != requestSerial_ || !readPending_) return;
    services_.lookAhead(std::move(page), [this, serial](env::PageText looked) {
      if (serial != requestSerial_ || !readPending_) return;
      readPending_ = false;
      ProcessResultPage(std::move(looked));
    });
  });
}

void SearchRunDriver::WebBrowser1DocumentComplete() {
  state_.DocumentReady = 9;
}

void SearchRunDriver::N3Click() {
  const RunPhase before = phase_;
  state_.StopRequested = true;
  showStatus(gbk("终止搜索..."));
  // A halted run has no page on its way that would end it: it is over here,
  // without an end step. An idle one stays idle. A page waiting for the
  // store is on its way like a page loading: the store's answer ends it.
  const bool pageOnItsWay = before != RunPhase::Halted && before != RunPhase::Idle;
  enterPhase(pageOnItsWay ? RunPhase::Stopping : RunPhase::Idle);
  Timer2.setEnabled(false);
  // No page is on its way while the run waits after a refusal or for a
  // proxy, so nothing else would end the search: it ends here, as after a
  // page read. A halted run gives the browser its own proxy back.
  if (!pageOnItsWay) releaseProxies();
  if (before == RunPhase::RefusalWait || before == RunPhase::ProxySettle) {
    Timer3.setEnabled(false);
    refusedAnswers_ = 0;
    BitBtn1Click();
  }
}

void SearchRunDriver::BitBtn1Click() {
  enterPhase(RunPhase::Ending);
  awaitedTicket_ = 0;
  Timer1.setEnabled(false);
  Timer2.setEnabled(false);
  // Numbers a failed write held back get one more try before the end is told.
  keepResultsOnDisk();
  try {
    services_.saveProgress();
  } catch (...) {
    settleAfterFailure();
    throw;
  }
  const GbkString ended = endText();
  releaseProxies();
  showStatus(ended);
  window_.repaintWindow();
  enterPhase(RunPhase::Idle);
  services_.searchEnded(state_.FoundCount, ended);
  window_.searchEnded(state_.FoundCount, ended);
}

void SearchRunDriver::ProcessResultPage(env::PageText page) {
  readFrom_ = phase_;
  enterPhase(RunPhase::Reading);
  try {
    readResultPage(std::move(page));
  } catch (...) {
    // The end step settles its own failure. A page the user brought into
    // the pane during a refusal wait that could not be read leaves the wait
    // as it was: the same address is still asked for again when it is over.
    if (phase_ == RunPhase::Reading) {
      if (readFrom_ == RunPhase::RefusalWait && Timer3.enabled() && !state_.StopRequested) {
        enterPhase(RunPhase::RefusalWait);
      } else {
        settleAfterFailure();
      }
    }
    readFrom_ = RunPhase::Idle;
    throw;
  }
  readFrom_ = RunPhase::Idle;
}

void SearchRunDriver::readResultPage(env::PageText page) {
  // 1. The page into the buffer; an unreadable page halts the run here.
  if (page.error) std::rethrow_exception(page.error);
  // A document without a body is read as an empty page: nothing to harvest,
  // no pager, so the run moves on to the next keyword. The text moves into
  // the buffer and every later step walks it line by line in place: a page
  // of tens of megabytes is held once, never again as a list of lines.
  Memo1.setText(page.hasBody ? std::move(page.text) : GbkString());
  const SearchEngine* engine = currentEngine();

  // An engine's refusal is no result page: the same address is asked for
  // again, and only after the last try is the page passed over as empty.
  if (proxies_.active() && isProxyFailure(page.netError, page.httpStatus)) return proxyUnreachable();
  if (isBlockedPage(page.httpStatus, Memo1.text(), engine)) {
    if (switchProxyAfterRefusal() || !holdAfterRefusal()) return;
    Memo1.clear();
  } else {
    endRefusalEpisode();
    passedOverInRow_ = 0;
    proxyAnswered();
  }
  const std::string_view text = Memo1.text();

  // 2. Next-page detection over every line.
  state_.MorePages = false;
  if (engine != nullptr) {
    TextLineCursor cursor(text);
    for (std::string_view line; cursor.next(line);) {
      if (linePassesNextPageRule(*engine, line)) state_.MorePages = true;
    }
    // 3. Page cap and hand-over: the lines go to the extractor straight from
    // the buffer (`PageLines` stays empty), with no engine none go.
    state_.PageCap = engine->pageCap;
    if (pageCapReached(*engine, state_.PageIndex)) state_.MorePages = false;
  }

  // 4. Harvest before the decision; the page's numbers are on disk before
  // anything else is asked of the engine.
  tellPageRead(engine);
  harvest::ExtractFaxNumbersFromText(engine != nullptr ? text : std::string_view(), services_.resultSink(),
                                     state_.FoundCount);
  state_.PageLines.clear();
  flushAutosave();
  awaitStore();
}

void SearchRunDriver::decideAfterPage(const SearchEngine* engine) {
  bool firstOfKeyword = false;

  if (state_.MorePages) {
    // 5. The next page of the same keyword.
    if (state_.StopRequested) {
      BitBtn1Click();
      return;
    }
    if (engine != nullptr) {
      state_.QueryTail = composeQueryTail(*engine, state_.PageIndex, RequestKind::PageReader);
      state_.QueryText = state_.QueryHead + state_.QueryTail;
    }
  } else {
    // 6. The next keyword, or the end.
    state_.PageIndex = 0;
    if (state_.KeywordIndex >= window_.keywordLineCount() || state_.StopRequested) {
      BitBtn1Click();
      return;
    }
    encodeKeyword(engine);
    ++state_.KeywordIndex;
    if (engine != nullptr) {
      state_.QueryHead = composeQueryHead(*engine, state_.QueryText);
      state_.QueryTail = composeQueryTail(*engine, state_.PageIndex, RequestKind::PageReader);
      state_.QueryText = state_.QueryHead + state_.QueryTail;
    }
    firstOfKeyword = true;
  }
  ++state_.PageIndex;
  window_.setStatusText(kPanelKeyword, intToStr(state_.KeywordIndex));
  if (firstOfKeyword) checkpointPosition();
  issueRequest();
}

void SearchRunDriver::Timer2Timer() {
  // No request for a whole watchdog interval: the page never arrived (no
  // document at all), or its read failed and left the run halted. Skip the
  // page as an empty one, which moves on to the next keyword or ends the run.
  Timer2.setEnabled(false);
  if (phase_ == RunPhase::RefusalWait || phase_ == RunPhase::ProxySettle || phase_ == RunPhase::StoreWait) return;
  state_.WatchdogPage = state_.PageIndex;
  Timer1.setEnabled(false);
  ++requestSerial_;
  readPending_ = false;
  state_.PollTicks = 0;
  ProcessResultPage(env::PageText{true, {}, nullptr});
}

}  // namespace valo::search
