// The run's numbers onto the disk after every page: the text autosave and the
// number store, whose failures stay beside panel 6's texts; and where each
// page came from, told to the store before its numbers are harvested.
#include <initializer_list>

#include "search/run_driver.h"

namespace valo::search {
namespace {

constexpr int kPanelStatus = 6;

}  // namespace

void SearchRunDriver::tellPageRead(const SearchEngine* engine) {
  if (!services_.pageRead) return;
  PageSource page;
  // The keyword of the page is the one before the next to take.
  const std::int32_t line = state_.KeywordIndex - 1;
  if (line >= 0 && line < window_.keywordLineCount()) page.keyword = window_.keywordLine(line);
  page.keywordLine = state_.KeywordIndex;
  page.engine = window_.engineText();
  page.address = engine != nullptr ? state_.QueryText : std::string(kNoEngineAddress);
  services_.pageRead(page);
}

// A failure stays in panel 6 beside every later status text until the
// numbers it held back have reached the disk; the store's text likewise for
// as long as the store gives one.
void SearchRunDriver::keepResultsOnDisk() {
  const GbkString failure =
      services_.flushAutosave ? services_.flushAutosave().value_or(GbkString()) : GbkString();
  const GbkString store = services_.commitStore ? services_.commitStore().value_or(GbkString()) : GbkString();
  if (failure == autosaveFailure_ && store == storeStatus_) return;
  autosaveFailure_ = failure;
  storeStatus_ = store;
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
