// Fakes for driving the search run without a window or real time: a clock
// that tests advance, timers on it, a scripted browser, a window that
// records what the run shows and services over hooks the tests set.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "env/browser_control.h"
#include "harvest/fax_extractor.h"
#include "search/run_ports.h"
#include "text/gbk.h"
#include "text/text_lines.h"

namespace valo::testing {

class FakeClock;

// Behaves like the window system's timer: enabling an enabled timer changes
// nothing, a new interval restarts a running one.
class FakeTimer : public search::RunTimer {
 public:
  FakeTimer(FakeClock& clock, int interval) : clock_(clock), interval_(interval) {}
  std::function<void()> onElapsed;

  void setEnabled(bool on) override;
  bool enabled() const override { return enabled_; }
  void setInterval(int ms) override;
  int interval() const override { return interval_; }
  long long due() const { return due_; }

 private:
  FakeClock& clock_;
  int interval_;
  bool enabled_ = false;
  long long due_ = 0;
};

class FakeClock {
 public:
  long long now = 0;
  std::vector<FakeTimer*> timers;

  // Fires due timers in time order until `ms` have passed.
  void advance(long long ms) {
    const long long end = now + ms;
    for (;;) {
      FakeTimer* next = nullptr;
      for (FakeTimer* t : timers) {
        if (t->enabled() && t->due() <= end && (next == nullptr || t->due() < next->due())) next = t;
      }
      if (next == nullptr) break;
      now = next->due();
      next->setEnabled(false);  // re-armed below so the handler sees it running
      next->setEnabled(true);
      if (next->onElapsed) next->onElapsed();
    }
    now = end;
  }
};

inline void FakeTimer::setEnabled(bool on) {
  if (on && !enabled_) due_ = clock_.now + interval_;
  enabled_ = on;
}
inline void FakeTimer::setInterval(int ms) {
  interval_ = ms;
  if (enabled_) due_ = clock_.now + interval_;
}

// A browser whose pages are scripted per address. A page loads `loadMs`
// after the request; its text is handed over at once when ready.
class FakeBrowser : public env::BrowserControl {
 public:
  explicit FakeBrowser(FakeClock& clock) : clock_(clock) {}

  std::vector<std::string> requests;
  std::vector<long long> requestTimes;  // the clock at each request
  std::function<env::PageText(const std::string& address)> pageFor;
  std::function<void()> onNavigate;  // runs first in every Navigate call
  bool completes = true;             // raise document-complete for each page
  bool commits = true;               // a navigation produces a document at all
  bool asyncReads = false;           // hold reads until deliverReads()
  bool throwOnNavigate = false;
  std::deque<std::function<void()>> heldReads;

  void Navigate(const std::string& address) override {
    if (onNavigate) onNavigate();
    requests.push_back(address);
    requestTimes.push_back(clock_.now);
    if (throwOnNavigate) throw std::runtime_error("navigation refused");
    if (!commits) return;
    hasDocument_ = true;
    current_ = pageFor ? pageFor(address) : env::PageText{};
    if (completes && OnDocumentComplete) OnDocumentComplete();
  }
  bool hasDocument() const override { return hasDocument_; }
  void readBodyText(std::function<void(env::PageText)> done) override {
    if (asyncReads) {
      heldReads.push_back([done, page = current_] { done(page); });
    } else {
      done(current_);
    }
  }
  // The user follows a link or sends a form in the browser pane: a page the
  // run did not ask for completes.
  void showInPane(env::PageText page) {
    hasDocument_ = true;
    current_ = std::move(page);
    if (OnDocumentComplete) OnDocumentComplete();
  }
  void deliverReads() {
    while (!heldReads.empty()) {
      auto f = std::move(heldReads.front());
      heldReads.pop_front();
      f();
    }
  }

 private:
  FakeClock& clock_;
  bool hasDocument_ = false;
  env::PageText current_;
};

class FakeResultList : public harvest::ExtractionSink {
 public:
  harvest::NumberList list;
  bool dedup = false;
  std::string panel5;
  bool dedupTicked() override { return dedup; }
  bool hasCaption(std::string_view c) override { return list.contains(c); }
  void addNumber(const GbkString& n) override { list.append(n); }
  void showFoundCount(std::int32_t n) override { panel5 = std::to_string(n); }
  // The history rule and the sightings, for the tests of the number store.
  std::function<bool(std::string_view)> known;
  std::function<void(const GbkString&, std::string_view, harvest::Sighting)> seen;
  bool wide = false;  // 扩展识别
  bool wideReading() override { return wide; }
  bool knownBefore(std::string_view n) override { return known && known(n); }
  void sighted(const GbkString& n, std::string_view line, harvest::Sighting what) override {
    if (seen) seen(n, line, what);
  }
};

// What the run's services do, field by field; a test sets the ones it needs.
struct FakeServiceHooks {
  std::function<void()> saveProgress;
  std::function<void()> checkpointProgress;
  std::function<void()> startAutosave;
  std::function<void(const GbkString& number)> autosaveNumber;
  std::function<std::optional<GbkString>()> flushAutosave;
  std::function<void(const harvest::PageSource& page)> pageRead;
  // The store's answer, given at once unless answers are held.
  std::function<std::optional<GbkString>()> commitStore;
  std::function<std::vector<search::Proxy>()> loadProxies;
  search::ProxySwitch* proxySwitch = nullptr;
};

// The run's services over the hooks, with the result list behind a sink that
// hands every listed number to the autosave hook. With `holdStoreAnswers`
// the store's answers wait until answerStore().
class FakeServices : public search::RunServices, private harvest::ExtractionSink {
 public:
  explicit FakeServices(FakeResultList& list) : list_(list) {}

  FakeServiceHooks hooks;
  std::string localAddressValue = "192.0.2.10";
  int progressSaves = 0;
  std::vector<int> pauses;
  int cleanups = 0;
  bool holdStoreAnswers = false;
  std::deque<search::StoreAnswer> heldAnswers;

  // Answers the oldest commit still waiting; false when none is.
  bool answerStore(std::optional<GbkString> text = std::nullopt) {
    if (heldAnswers.empty()) return false;
    search::StoreAnswer answer = std::move(heldAnswers.front());
    heldAnswers.pop_front();
    answer(std::move(text));
    return true;
  }

  std::string localAddress() override { return localAddressValue; }
  void clearBrowserData() override { ++cleanups; }
  void saveProgress() override {
    if (hooks.saveProgress) return hooks.saveProgress();
    ++progressSaves;
  }
  void pause(int ms) override { pauses.push_back(ms); }
  harvest::ExtractionSink& resultSink() override { return *this; }
  void checkpointProgress() override {
    if (hooks.checkpointProgress) hooks.checkpointProgress();
  }
  void searchStarting() override {
    if (hooks.startAutosave) hooks.startAutosave();
  }
  std::optional<GbkString> flushAutosave() override {
    return hooks.flushAutosave ? hooks.flushAutosave() : std::nullopt;
  }
  void pageRead(const harvest::PageSource& page) override {
    if (hooks.pageRead) hooks.pageRead(page);
  }
  void commitStore(search::StoreAnswer answer) override {
    if (holdStoreAnswers) return heldAnswers.push_back(std::move(answer));
    answer(hooks.commitStore ? hooks.commitStore() : std::nullopt);
  }
  std::vector<search::Proxy> loadProxies() override {
    return hooks.loadProxies ? hooks.loadProxies() : std::vector<search::Proxy>{};
  }
  search::ProxySwitch* proxySwitch() override { return hooks.proxySwitch; }

 private:
  bool dedupTicked() override { return list_.dedupTicked(); }
  bool hasCaption(std::string_view n) override { return list_.hasCaption(n); }
  void addNumber(const GbkString& n) override {
    list_.addNumber(n);
    if (hooks.autosaveNumber) hooks.autosaveNumber(n);
  }
  void showFoundCount(std::int32_t n) override { list_.showFoundCount(n); }
  bool knownBefore(std::string_view n) override { return list_.knownBefore(n); }
  void sighted(const GbkString& n, std::string_view line, harvest::Sighting what) override {
    list_.sighted(n, line, what);
  }
  bool wideReading() override { return list_.wideReading(); }

  FakeResultList& list_;
};

class FakeWindow : public search::RunWindow {
 public:
  TextLines Memo2;
  GbkString engine = "http://www.baidu.com";
  std::int32_t interval = 8;
  std::map<int, GbkString> panels;
  bool searchEnabled = true;
  bool stopEnabled = true;
  bool phaseShown = false;  // the buttons have followed a phase at least once
  FakeResultList results;
  std::vector<GbkString> informations, messages;
  std::optional<GbkString> nextAnswer = GbkString("0");
  GbkString askedCaption, askedPrompt, askedInitial;
  int prompts = 0;
  int resultClears = 0;
  std::vector<GbkString> statusLog;  // every text panel 6 was given
  std::vector<GbkString> blockedNotices;
  std::vector<std::int32_t> endings;

  int keywordLineCount() override { return Memo2.count(); }
  GbkString keywordLine(int i) override { return GbkString(Memo2.line(i)); }
  GbkString engineText() override { return engine; }
  std::int32_t intervalSeconds() override { return interval; }
  void setStatusText(int panel, const GbkString& text) override {
    panels[panel] = text;
    if (panel == 6) statusLog.push_back(text);
  }
  void setSearchEnabled(bool e) override { searchEnabled = e; }
  void setStopEnabled(bool e) override { stopEnabled = e; }
  void showRunPhase(search::RunPhase p) override {
    phaseShown = true;
    search::RunWindow::showRunPhase(p);
  }
  void repaintWindow() override {}
  void clearResultList() override {
    ++resultClears;
    results.list.clear();
  }
  void showInformation(const GbkString& t) override { informations.push_back(t); }
  void showMessage(const GbkString& t) override { messages.push_back(t); }
  std::optional<GbkString> inputQuery(const GbkString& c, const GbkString& p, const GbkString& i) override {
    ++prompts;
    askedCaption = c;
    askedPrompt = p;
    askedInitial = i;
    return nextAnswer;
  }
  std::vector<GbkString> endTexts;
  void searchEnded(std::int32_t found, const GbkString& text) override {
    endings.push_back(found);
    endTexts.push_back(text);
  }
  void blockedEpisodeBegan(const GbkString& text) override { blockedNotices.push_back(text); }
  std::string status(int panel) { return utf8FromGbk(panels[panel]); }
};

}  // namespace valo::testing
