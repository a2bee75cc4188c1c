// What the search run needs from the main window, its timers and the
// services around it. The window implements the window over its controls and
// the session the services; tests implement them over plain fields and a
// clock they advance.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "env/browser_control.h"
#include "harvest/fax_extractor.h"
#include "harvest/page_source.h"
#include "search/proxy_list.h"
#include "search/run_phase.h"
#include "text/gbk.h"

namespace valo::search {

class RunWindow {
 public:
  virtual ~RunWindow() = default;

  // The keyword box `Memo2`, by the text-box lines rule.
  virtual int keywordLineCount() = 0;
  virtual GbkString keywordLine(int index) = 0;
  // The engine box `ComboBox1` and the interval box `SpinEdit1`.
  virtual GbkString engineText() = 0;
  virtual std::int32_t intervalSeconds() = 0;

  virtual void setStatusText(int panel, const GbkString& text) = 0;
  virtual void setSearchEnabled(bool /*enabled*/) {}  // SpeedButton2
  virtual void setStopEnabled(bool /*enabled*/) {}    // SpeedButton3
  // The run has moved to `phase`: the one place that sets what may be
  // pressed. A window with more commands to follow the run overrides it.
  virtual void showRunPhase(RunPhase phase) {
    setSearchEnabled(searchAllowedIn(phase));
    setStopEnabled(!searchAllowedIn(phase));
  }
  virtual void repaintWindow() = 0;
  virtual void clearResultList() = 0;

  // An information box (caption "信息", one "确定" button).
  virtual void showInformation(const GbkString& text) = 0;
  // A plain message box (the application title as caption).
  virtual void showMessage(const GbkString& text) = 0;
  // The modal text-input dialog; nullopt when cancelled.
  virtual std::optional<GbkString> inputQuery(const GbkString& caption, const GbkString& prompt,
                                              const GbkString& initial) = 0;

  // Told once a search has ended and its end step is done, with the count of
  // numbers it listed and the end text of panel 6, which says why a search
  // ended early (an engine that refuses every request) and what it passed
  // over; a window hidden in the tray says so there.
  virtual void searchEnded(std::int32_t /*foundCount*/, const GbkString& /*endText*/) {}
  // Told at the first blocked answer of an engine in a row, with the status
  // text that says when the run asks again; a window hidden in the tray says
  // so there.
  virtual void blockedEpisodeBegan(const GbkString& /*statusText*/) {}
};

// A timer as the run drives it: the owner binds its elapse to the handler.
class RunTimer {
 public:
  virtual ~RunTimer() = default;
  virtual void setEnabled(bool on) = 0;
  virtual bool enabled() const = 0;
  virtual void setInterval(int milliseconds) = 0;
  virtual int interval() const = 0;
};

// Sets the proxy the browser's requests go through. The browser takes a
// changed proxy only once a later request has made it look again, so the
// switch says when the change is in force.
class ProxySwitch {
 public:
  virtual ~ProxySwitch() = default;
  // `proxy`, or with null what was in force before the first change.
  virtual void use(const Proxy* proxy) = 0;
  // True once the browser's next request goes through what use() set.
  virtual bool inForce() const = 0;
};

// The store's answer to a commit: its status text for panel 6 while it has
// something to say (records waiting, a failed write, a store set aside).
using StoreAnswer = std::function<void(std::optional<GbkString> statusText)>;

// What the run asks of the program around it besides the window. The
// session implements it over the files and the store; tests over fields.
class RunServices {
 public:
  virtual ~RunServices() = default;

  virtual std::string localAddress() = 0;  // the network presence check
  virtual void clearBrowserData() = 0;     // the clean-up window's button
  virtual void saveProgress() = 0;         // writes the progress file; throws on failure
  virtual void pause(int milliseconds) = 0;  // blocks the run's thread
  // The result list as the page reader fills it: the window's list behind
  // the duplicates rules, with every number listed also kept on disk and
  // every sighting told to the store.
  virtual harvest::ExtractionSink& resultSink() = 0;

  // Writes the progress file when a keyword's first request goes out, so that
  // after a crash it names the keyword that was being searched. May throw; the
  // run goes on regardless.
  virtual void checkpointProgress() {}
  // A search begins, its start line taken: the autosave and the store start
  // a new search.
  virtual void searchStarting() {}
  // Everything listed so far onto the disk (at every page before the next
  // request goes out, and at the end step), returning the failure's status
  // text for as long as numbers wait for the disk. Never throws.
  virtual std::optional<GbkString> flushAutosave() { return std::nullopt; }
  // A page's text has arrived; `then` reads it. The store may first look up
  // the numbers the page will ask about, off the run's thread, and call
  // `then` later on the run's thread; by default it is called at once.
  virtual void lookAhead(env::PageText page, std::function<void(env::PageText)> then) {
    then(std::move(page));
  }
  // Where a page came from, told to the store before its numbers are harvested.
  virtual void pageRead(const harvest::PageSource& /*page*/) {}
  // The store commits what it was told since the last commit; `answer` is
  // called once the records are on disk, during this call or later on the
  // run's thread. Never throws.
  virtual void commitStore(StoreAnswer answer) { answer(std::nullopt); }
  // A search has ended with its end step done, before the window is told.
  virtual void searchEnded(std::int32_t /*foundCount*/, const GbkString& /*endText*/) {}
  // The local time of day ("14:05:30") that lies `milliseconds` ahead, for
  // the notice of when a refused page is asked for again; empty for none.
  virtual GbkString clockAfter(int /*milliseconds*/) { return {}; }
  // The user's proxies, read anew at every Search; with none the run leaves
  // the browser's proxy settings alone.
  virtual std::vector<Proxy> loadProxies() { return {}; }
  virtual ProxySwitch* proxySwitch() { return nullptr; }
};

}  // namespace valo::search
