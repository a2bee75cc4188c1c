// The search session bound to the main window: the run's window over the
// controls (keyword box, engine and interval boxes, status bar, buttons,
// dialogs), the result list with its duplicates box, and the progress file's
// values. The session owns everything else a search needs.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "files/progress_file.h"
#include "session/search_session.h"

class QWidget;

namespace valo::ui {

class KeywordBox;
class WebEngineProxySwitch;
class ResultListModel;
struct MainWindowControls;

// What the binding asks of the program around it, looked up at each call so
// that tests can replace them after the window is made.
struct RunHooks {
  std::function<std::string()> localAddress;
  std::function<void()> clearBrowserData;
  std::function<void(int milliseconds)> pause;
  // A window hidden in the tray says these there.
  std::function<void(std::int32_t foundCount, const GbkString& endText)> searchEnded;
  std::function<void(const GbkString& statusText)> blockedEpisodeBegan;
  // How far the search is; empty once it has ended.
  std::function<void(const QString& text)> runProgress;
};

// Keywords from somewhere other than the keyword box (a team's queue): one
// keyword a search, with its engine, and told how each search went.
class KeywordFeed {
 public:
  virtual ~KeywordFeed() = default;
  // Empty while no keyword is in hand.
  virtual GbkString keyword() = 0;
  virtual GbkString engine() = 0;
  // Whether this search's start clears the result list.
  virtual bool clearsList() = 0;
  virtual void pageHarvested() {}
  // The search's end step ran (after its last page, a stop or a refusal).
  virtual void searchEnded(std::int32_t foundCount) = 0;
  // The run is idle again, after its end step or without one.
  virtual void runIdle() = 0;
};

class RunBinding : public session::SessionWindow, public session::ResultList, public files::ProgressTarget {
 public:
  // Makes the session; its timers become `Timer1` to `Timer3` of `controls`.
  RunBinding(QWidget& window, MainWindowControls& controls, ResultListModel& results, KeywordBox& keywords,
             RunHooks hooks);
  ~RunBinding() override;

  session::SearchSession& session() { return *session_; }
  search::SearchRunDriver& driver() { return session_->driver(); }
  files::ProgressValues progressValues() { return progressValues(driver().state().KeywordIndex); }
  // The searches to come take their keyword from `feed` (null: the box).
  void feedFrom(KeywordFeed* feed) { feed_ = feed; }

  // search::RunWindow
  int keywordLineCount() override;
  GbkString keywordLine(int index) override;
  GbkString engineText() override;
  std::int32_t intervalSeconds() override;
  void setStatusText(int panel, const GbkString& text) override;
  void showRunPhase(search::RunPhase phase) override;
  void repaintWindow() override;
  void clearResultList() override;
  void showInformation(const GbkString& text) override;
  void showMessage(const GbkString& text) override;
  std::optional<GbkString> inputQuery(const GbkString& caption, const GbkString& prompt,
                                      const GbkString& initial) override;
  void searchEnded(std::int32_t foundCount, const GbkString& endText) override;
  void blockedEpisodeBegan(const GbkString& statusText) override;

  // session::SessionWindow
  std::string localAddress() override { return hooks_.localAddress(); }
  void clearBrowserData() override { hooks_.clearBrowserData(); }
  void pause(int milliseconds) override { hooks_.pause(milliseconds); }
  files::ProgressValues progressValues(std::int32_t keywordIndex) override;
  void reportError(std::exception_ptr error) override;
  void showRunProgress(const GbkString& text) override;
  search::ProxySwitch* proxySwitch() override;
  void pageHarvested(const harvest::PageSource& page) override;

  // session::ResultList: the result list, the duplicates box, panel 5.
  bool dedupTicked() override;
  bool hasCaption(std::string_view caption) override;
  void addNumber(const GbkString& number) override;
  void showFoundCount(std::int32_t count) override;

  // files::ProgressTarget
  void setEngineText(const GbkString& text) override;
  void setKeywordIndex(std::int32_t index) override;
  void setDedupTicked(bool ticked) override;
  void setIntervalSeconds(std::int32_t seconds) override;

 private:
  void showListSoon();
  void showList();

  QWidget& window_;
  MainWindowControls& c_;
  ResultListModel& results_;
  KeywordBox& keywords_;
  RunHooks hooks_;
  KeywordFeed* feed_ = nullptr;
  std::unique_ptr<WebEngineProxySwitch> proxySwitch_;
  std::unique_ptr<session::SearchSession> session_;
  bool listShowQueued_ = false;
  std::optional<std::int32_t> foundCount_;  // panel 5's count, until shown
};

}  // namespace valo::ui
