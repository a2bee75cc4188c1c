// The search run: the handlers that start, pace, read, stop and end a
// search, over the run state. Everything runs on one thread (the session's);
// handlers raise valo::AppError for the standard error box. Beside the poll
// (Timer1) and the watchdog (Timer2) a third timer (Timer3) paces the
// renewed requests of a page an engine refused and the wait for a proxy.
// Where the run stands is the one phase; a harvested page waits in StoreWait
// until the store has answered before the next request goes out.
#pragma once

#include <cstdint>
#include <optional>

#include "env/browser_control.h"
#include "search/engine_catalogue.h"
#include "search/proxy_rotation.h"
#include "search/query_encoding.h"
#include "search/run_ports.h"
#include "search/run_state.h"
#include "text/text_lines.h"

namespace valo::search {

class SearchRunDriver {
 public:
  SearchRunDriver(RunWindow& window, env::BrowserControl& browser, RunTimer& timer1, RunTimer& timer2,
                  RunTimer& timer3, RunServices& services, const EngineCatalogue& engines);

  RunState& state() { return state_; }
  const RunState& state() const { return state_; }

  void N2Click();       // Search
  void Button1Click();  // first page request of a search
  void Timer1Timer();   // the poll
  void WebBrowser1DocumentComplete();
  void N3Click();       // Stop
  void BitBtn1Click();  // end of a search
  void Timer2Timer();   // the watchdog
  void Timer3Timer();   // asks again for a page an engine refused

  // Reads one loaded page and moves the run on: next page, next keyword or
  // the end, once the store has answered. Throws the page's read error,
  // leaving the run halted. Takes the page by value so its text moves into
  // the page buffer without a copy.
  void ProcessResultPage(env::PageText page);

  // The store's answer to a commit asked for with `ticket` (see
  // RunServices::commitStore), on the run's thread. The answer the run waits
  // for in StoreWait (or in Stopping, when Stop came during the wait) takes
  // the decision of the page; any answer updates the store's text on panel 6.
  // Throws what the decision throws (a failed end step), as a handler does.
  void storeAnswered(std::uint64_t ticket, std::optional<GbkString> statusText);
  // The store's own text for panel 6 changed (records waiting, the store busy).
  void showStoreStatus(const GbkString& text);

  // Where the run stands; kept in step with the run state at every handler.
  RunPhase phase() const { return phase_; }

  // Tests of the real browser shorten the interval box's second.
  void setMillisecondsPerSecond(int ms) { millisecondsPerSecond_ = ms; }

  // True while a page read has been asked of the browser and not yet come.
  bool readPending() const { return readPending_; }
  // True while the run waits to ask again for a page an engine refused.
  bool waitingAfterRefusal() const { return phase_ == RunPhase::RefusalWait || readFrom_ == RunPhase::RefusalWait; }
  // Refused answers in a row for the current page; 0 outside such an episode.
  int refusedAnswers() const { return refusedAnswers_; }
  // Refused answers to the run's own requests over the whole search.
  int refusedInSearch() const { return refusedInSearch_; }
  // True while the next request waits until the browser uses a changed proxy.
  bool waitingForProxy() const { return phase_ == RunPhase::ProxySettle; }
  // True while the next step waits for the store's answer to the page's commit.
  bool waitingForStore() const { return awaitedTicket_ != 0; }
  const ProxyRotation& proxies() const { return proxies_; }
  // Why the latest search ended (or will end, once its end step runs).
  EndReason endReason() const { return endReason_; }
  // Pages given up after kTriesPerAddress refusals, over the whole search.
  int passedOverInSearch() const { return passedOverInSearch_; }
  // The failure text while listed numbers wait for the disk; empty otherwise.
  const GbkString& autosaveFailure() const { return autosaveFailure_; }

  // A refused address is asked for at most this often in a row, then passed
  // over as an empty page; this many keywords in a row passed over end the run.
  static constexpr int kTriesPerAddress = 4;
  static constexpr int kDeadEngineKeywords = 3;

  TNMURL NMURL1;
  TextLines Memo1;  // the hidden page buffer

 private:
  void readCurrentPage();
  void readResultPage(env::PageText page);
  // The page's numbers are on disk: the next page, the next keyword or the end.
  void decideAfterPage(const SearchEngine* engine);
  const SearchEngine* currentEngine() const;
  // Moves to `phase`; a phase the run rests in is shown at once.
  void enterPhase(RunPhase phase);
  // Tells the window what may be pressed in the current phase.
  void showPhase();
  // A failed page read or end step: with Stop pressed nothing is left to
  // wait for, otherwise the run is halted until Stop or the watchdog.
  void settleAfterFailure();
  void issueRequest();  // DocumentReady := 0, navigate, Timer1 on, watchdog re-armed
  void restartWatchdog();
  void encodeKeyword(const SearchEngine* engine);
  void checkpointPosition();
  // The page's numbers onto the disk: the autosave's flush, then the store's
  // commit, their failures kept for panel 6. Only a harvested page waits for
  // the store's answer (awaitStore); elsewhere the answer comes when it comes.
  void keepResultsOnDisk();
  void flushAutosave();
  void commitStore();
  void awaitStore();
  // Shows the autosave's latest failure and the store's text beside panel 6,
  // once, when either changed.
  void showDiskTexts(const GbkString& storeText);
  void tellPageRead(const SearchEngine* engine);
  // A refused page: nothing is harvested, the place is kept, and the same
  // address is asked for again after a wait that doubles with every refusal.
  // Returns true when the page is given up and is to be read as an empty one.
  bool holdAfterRefusal();
  void endRefusalEpisode();
  int backoffMilliseconds() const;
  // Proxies (run_proxies.cpp). At Search, with the list read before anything
  // changed (an unreadable list stops the Search there): when it has proxies,
  // sets the first and returns true: the first request then waits.
  bool startWithProxy(std::vector<Proxy> list);
  // A refused page moves to the next proxy of the round and asks for the
  // same address again; false when the round is over (or Stop was pressed).
  bool switchProxyAfterRefusal();
  // The proxy could not be reached: the next usable one, or the end.
  void proxyUnreachable();
  void proxyAnswered();  // a page that was not refused
  // Sets the current proxy and waits until the browser uses it; then the
  // first request (at Search) or the same address again.
  void settleOnProxy(bool firstRequest);
  void proxySettleTick();
  // The browser's own proxy settings again, once a search is over.
  void releaseProxies();
  GbkString withProxyNote(const GbkString& text) const;
  // Panel 6, followed by the autosave failure and the store's text while
  // there are any.
  void showStatus(const GbkString& text);
  GbkString endText() const;

  RunWindow& window_;
  env::BrowserControl& browser_;
  RunTimer& Timer1;
  RunTimer& Timer2;
  RunTimer& Timer3;
  RunServices& services_;
  const EngineCatalogue& engines_;
  int millisecondsPerSecond_ = 1000;
  RunState state_;
  std::uint64_t requestSerial_ = 0;  // one per navigation, so a late read of an older page is dropped
  bool readPending_ = false;
  int refusedAnswers_ = 0;
  int refusedInSearch_ = 0;
  RunPhase phase_ = RunPhase::Idle;
  // While a page is read, the phase its read began in: a page read during
  // the wait after a refusal is the user's, and leaves the wait as it was.
  RunPhase readFrom_ = RunPhase::Idle;
  EndReason endReason_ = EndReason::Finished;
  std::uint64_t storeTickets_ = 0;        // commits asked for, over the driver's life
  std::uint64_t awaitedTicket_ = 0;       // the commit a harvested page waits for; 0 for none
  std::uint64_t lastAnsweredTicket_ = 0;  // so that a late answer never overwrites a newer text
  std::uint64_t committingTicket_ = 0;    // the commit whose call is under way: its answer is at once
  GbkString flushedFailure_;              // the autosave's latest text, shown by showDiskTexts
  int passedOverInSearch_ = 0;
  int passedOverInRow_ = 0;              // since the last page read
  std::int32_t firstPassedKeyword_ = 0;  // KeywordIndex at the first of them
  GbkString statusText_;                 // panel 6 without the proxy and the autosave failure
  ProxyRotation proxies_;
  bool settleThenFirstRequest_ = false;  // what ProxySettle leads to: the first request or the same again
  int proxySettleWaited_ = 0;  // milliseconds since the proxy was set
  GbkString autosaveFailure_;
  GbkString storeStatus_;
};

// Where a request goes when the engine box names no engine: the run still
// walks one keyword per page load, over an empty page.
inline constexpr const char* kNoEngineAddress = "about:blank";

}  // namespace valo::search
