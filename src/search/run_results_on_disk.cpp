// The run's numbers onto the disk after every page: the text autosave and the
// number store, whose failures stay beside panel 6's texts; where each page
// came from, told to the store before its numbers are harvested; and the wait
// for the store's answer before the next request goes out.
#include <initializer_list>

#include "search/run_driver.h"

namespace valo::search {
namespace {

constexpr int kPanelStatus = 6;

}  // namespace

void SearchRunDriver::tellPageRead(const SearchEngine* engine) {
  harvest::PageSource page;
  // The keyword of the page is the one before the next to take.
  const std::int32_t line = state_.KeywordIndex - 1;
  if (line >= 0 && line < window_.keywordLineCount()) page.keyword = window_.keywordLine(line);
  page.keywordLine = state_.KeywordIndex;
  page.engine = window_.engineText();
  page.address = engine != nullptr ? state_.QueryText : std::string(kNoEngineAddress);
  page.text = Memo1.sharedText();
  services_.pageRead(page);
}

void SearchRunDriver::flushAutosave() {
  flushedFailure_ = services_.flushAutosave().value_or(GbkString());
}

// Numbers an earlier failed write held back are tried again here; nothing
// waits for the store's answer.
void SearchRunDriver::keepResultsOnDisk() {
  flushAutosave();
  commitStore();
}

// An answer given during the call shows both texts at once, as one change of
// panel 6; otherwise the autosave's shows now and the store's when it comes.
void SearchRunDriver::commitStore() {
  const std::uint64_t ticket = ++storeTickets_;
  const std::uint64_t outer = committingTicket_;  // an end step inside an answer commits again
  committingTicket_ = ticket;
  services_.commitStore([this, ticket](std::optional<GbkString> text) { storeAnswered(ticket, std::move(text)); });
  committingTicket_ = outer;
  if (lastAnsweredTicket_ < ticket) showDiskTexts(storeStatus_);
}

// The page's decision waits for the store. A store that answers at once
// (the recorder, the tests' fakes) takes it inside this call, so the run
// moves exactly as it would without the wait; the phase is shown and the
// watchdog held only when the answer is still out.
void SearchRunDriver::awaitStore() {
  phase_ = RunPhase::StoreWait;
  awaitedTicket_ = storeTickets_ + 1;
  commitStore();
  if (awaitedTicket_ == 0) return;
  // The watchdog waits for pages; the store's answer is sure to come.
  Timer2.setEnabled(false);
  showPhase();
}

void SearchRunDriver::storeAnswered(std::uint64_t ticket, std::optional<GbkString> statusText) {
  const bool atOnce = ticket == committingTicket_;
  if (ticket >= lastAnsweredTicket_) {
    lastAnsweredTicket_ = ticket;
    showDiskTexts(statusText.value_or(GbkString()));
  }
  if (ticket != awaitedTicket_) return;
  awaitedTicket_ = 0;
  // Stop pressed during the wait leaves the phase Stopping, as while a page
  // loads; the decision then ends the search.
  if (!atOnce && phase_ == RunPhase::StoreWait) Timer2.setEnabled(true);
  phase_ = RunPhase::Reading;
  try {
    decideAfterPage(currentEngine());
  } catch (...) {
    if (phase_ == RunPhase::Reading) settleAfterFailure();
    throw;
  }
}

void SearchRunDriver::showStoreStatus(const GbkString& text) {
  showDiskTexts(text);
}

// A failure stays in panel 6 beside every later status text until the
// numbers it held back have reached the disk; the store's text likewise for
// as long as the store gives one.
void SearchRunDriver::showDiskTexts(const GbkString& storeText) {
  if (flushedFailure_ == autosaveFailure_ && storeText == storeStatus_) return;
  autosaveFailure_ = flushedFailure_;
  storeStatus_ = storeText;
  showStatus(statusText_);
}

void SearchRunDriver::showStatus(const GbkString& text) {
  statusText_ = text;
  GbkString shown = withProxyNote(text);
  for (const GbkString* note : {&autosaveFailure_, &storeStatus_}) {
    if (!note->empty()) shown += gbk("　") + *note;
  }
  window_.setStatusText(kPanelStatus, shown);
}

}  // namespace valo::search
