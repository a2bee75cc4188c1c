// What a search session needs from whoever shows it: the run's window with
// a few more duties, and the result list. The main window implements both
// over its controls; a run without a display would implement them over a
// console or a log.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "files/progress_file.h"
#include "harvest/page_source.h"
#include "search/run_ports.h"
#include "text/gbk.h"

namespace valo::session {

// The result list with its duplicates box and found-count panel: all the
// session needs of the list the numbers are shown in.
class ResultList {
 public:
  virtual ~ResultList() = default;
  virtual bool dedupTicked() = 0;
  virtual bool hasCaption(std::string_view number) = 0;
  virtual void addNumber(const GbkString& number) = 0;
  virtual void showFoundCount(std::int32_t count) = 0;
};

class SessionWindow : public search::RunWindow {
 public:
  // The network presence check; a window replaces it in tests.
  virtual std::string localAddress();
  // The browser's cookies and cache go before every search.
  virtual void clearBrowserData() {}
  // Blocks the session's thread.
  virtual void pause(int milliseconds);
  // The progress file's lines as the controls hold them, with `keywordIndex`
  // as the run stands.
  virtual files::ProgressValues progressValues(std::int32_t keywordIndex) = 0;
  // An error raised where no handler can pass it on: a timer's step, or the
  // store's answer arriving after its page.
  virtual void reportError(std::exception_ptr error) = 0;
  // How far the search is ("第 12/300 个关键字，预计 18:40 完成"); empty once
  // it has ended.
  virtual void showRunProgress(const GbkString& /*text*/) {}
  // A page has been read and its numbers handed to the disk; `page` without
  // its text. A run without a window reports it; the window shows the pages
  // in its status bar already.
  virtual void pageHarvested(const harvest::PageSource& /*page*/) {}
  // The switch that sets the browser's proxy; null when proxies cannot be used.
  virtual search::ProxySwitch* proxySwitch() { return nullptr; }
};

}  // namespace valo::session
