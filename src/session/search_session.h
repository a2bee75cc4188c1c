// A search session: everything a search needs besides the window. It owns
// the run driver with its three timers, the engine catalogue, the program
// options, the result autosave and the number store, and is the run's
// services. A page's text goes browser -> driver -> extractor -> session ->
// store; the window only shows what the session tells it. QtCore only, so a
// session runs without a display as well.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "env/browser_control.h"
#include "files/result_autosave.h"
#include "search/engine_catalogue.h"
#include "search/run_driver.h"
#include "session/options_keeper.h"
#include "session/page_store.h"
#include "session/qt_run_timer.h"
#include "session/run_progress.h"
#include "session/session_ports.h"

namespace valo::session {

// Where a session's clock and store come from; the defaults are the
// program's own.
struct SessionSetup {
  // Local time: the autosave file's name, the store's records, the end estimate.
  std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
  // Null: the program's number store over the data folder's file, opened now.
  std::unique_ptr<PageStore> store;
  // Whether the search's position is kept in the progress file; a run whose
  // keywords come from a team's queue keeps its place there instead.
  bool keepsProgress = true;
};

class SearchSession : private search::RunServices, private harvest::ExtractionSink {
 public:
  // The store opens here, so that a store set aside is told before any
  // search and no search waits for the opening.
  SearchSession(SessionWindow& window, ResultList& results, env::BrowserControl& browser,
                SessionSetup setup = {});
  ~SearchSession() override;
  SearchSession(const SearchSession&) = delete;
  SearchSession& operator=(const SearchSession&) = delete;

  search::SearchRunDriver& driver() { return *driver_; }
  search::EngineCatalogue& engines() { return engines_; }
  // The program's number store, for the windows that show and change it;
  // null when the setup brought a store of its own.
  files::store::NumberStore* numberStore() { return numberStore_.get(); }
  OptionsKeeper& options() { return options_; }
  // Between searches only: the searches to come record into `store` and keep
  // their place in the progress file or not. Null goes back to the
  // program's own store. Throws AppError while a search runs.
  void useStore(std::unique_ptr<PageStore> store, bool keepsProgress);
  // Where the current search's numbers are kept on disk; empty before its first.
  QString autosavePath() const { return autosave_.path(); }
  // The poll, the watchdog and the refusal / proxy wait, named Timer1 to Timer3.
  QTimer& timer(int number) { return *timers_[number - 1]; }

 private:
  // search::RunServices
  std::string localAddress() override;
  void clearBrowserData() override;
  void saveProgress() override;
  void pause(int milliseconds) override;
  harvest::ExtractionSink& resultSink() override { return *this; }
  void checkpointProgress() override;
  void searchStarting() override;
  std::optional<GbkString> flushAutosave() override;
  void lookAhead(env::PageText page, std::function<void(env::PageText)> then) override;
  void pageRead(const harvest::PageSource& page) override;
  void commitStore(search::StoreAnswer answer) override;
  void searchEnded(std::int32_t foundCount, const GbkString& endText) override;
  GbkString clockAfter(int milliseconds) override;
  std::vector<search::Proxy> loadProxies() override;
  search::ProxySwitch* proxySwitch() override;

  // harvest::ExtractionSink: the window's list, with the autosave and the store.
  bool dedupTicked() override;
  bool hasCaption(std::string_view number) override;
  void addNumber(const GbkString& number) override;
  void showFoundCount(std::int32_t count) override;
  bool knownBefore(std::string_view number) override;
  void sighted(const GbkString& number, std::string_view line, harvest::Sighting what) override;
  bool wideReading() override;

  void attachStore();
  // Runs `step` on the session's thread: at once when called there during
  // the store's commit call, otherwise queued; errors go to the window.
  void onSessionThread(std::function<void()> step);

  SessionWindow& window_;
  ResultList& results_;
  std::function<QDateTime()> now_;
  bool keepsProgress_;
  QObject context_;  // where the store's answers are delivered
  search::EngineCatalogue engines_;
  OptionsKeeper options_;
  files::ResultAutosave autosave_;
  RunProgress progress_;
  std::unique_ptr<QTimer> timers_[3];
  std::unique_ptr<QtRunTimer> runTimers_[3];
  std::unique_ptr<search::SearchRunDriver> driver_;
  bool committing_ = false;
  std::optional<harvest::PageSource> harvesting_;  // read, not yet committed
  // Last, so that it is gone (its writer finished) before anything its
  // answers would reach.
  std::unique_ptr<files::store::NumberStore> numberStore_;  // before the port over it
  std::unique_ptr<PageStore> store_;
};

}  // namespace valo::session
