// What the search run needs from the main window, its timers and the
// services around it. The window implements these over its controls; tests
// implement them over plain fields and a clock they advance.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "harvest/fax_extractor.h"
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
  // The result list `ListView1` with the duplicates box and status panel 5.
  virtual harvest::ExtractionSink& resultSink() = 0;

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

// Where a page being read came from, for the number store.
struct PageSource {
  GbkString keyword;             // the keyword line
  std::int32_t keywordLine = 0;  // its line number, from 1, as status panel 3 shows it
  GbkString engine;              // the engine box text
  std::string address;           // the address asked for (QueryText)
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

struct RunServices {
  std::function<std::string()> localAddress;    // the network presence check
  std::function<void()> clearBrowserData;       // the clean-up window's button
  std::function<void()> saveProgress;           // writes the progress file; throws on failure
  std::function<void(int milliseconds)> pause;  // blocks the user-interface thread
  // Writes the progress file when a keyword's first request goes out, so that
  // after a crash it names the keyword that was being searched. May throw; the
  // run goes on regardless.
  std::function<void()> checkpointProgress{};
  // Keeps every search's numbers on disk as they are listed: a new search, a
  // number just listed, and everything so far onto the disk (done at every
  // page before the next request goes out, and at the end step), returning
  // the failure's status text for as long as numbers wait for the disk. None
  // of them throws.
  std::function<void()> startAutosave{};
  std::function<void(const GbkString& number)> autosaveNumber{};
  std::function<std::optional<GbkString>()> flushAutosave{};
  // The number store: told where a page came from before its numbers are
  // harvested, and asked to commit the page's sightings right after the
  // autosave's flush. The commit returns a status text for panel 6 while the
  // store has something to say (a failed write, a store set aside). Neither
  // throws.
  std::function<void(const PageSource& page)> pageRead{};
  std::function<std::optional<GbkString>()> commitStore{};
  // The local time of day ("14:05:30") that lies `milliseconds` ahead, for
  // the notice of when a refused page is asked for again.
  std::function<GbkString(int milliseconds)> clockAfter{};
  // The user's proxies, read anew at every Search; with none the run leaves
  // the browser's proxy settings alone.
  std::function<std::vector<Proxy>()> loadProxies{};
  ProxySwitch* proxySwitch = nullptr;
  // Length of one second of the interval box; tests of the real browser
  // shorten it so a walk over many pages stays quick.
  int millisecondsPerSecond = 1000;
};

}  // namespace valo::search
