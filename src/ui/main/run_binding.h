// The search run bound to the main window: the adapter that lets the run,
// the extractor and the progress file act on the window's controls, with the
// run's timers, its driver and the services it calls (network check,
// browser clean-up, progress file, result autosave, number store).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "files/program_options.h"
#include "files/progress_file.h"
#include "files/result_autosave.h"
#include "files/store/number_store.h"
#include "search/run_driver.h"
#include "ui/main/qt_run_timer.h"

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
  // The options of the options window as they stand now.
  std::function<files::ProgramOptions()> options;
};

class RunBinding : public search::RunWindow,
                   public harvest::ExtractionSink,
                   public files::ProgressTarget {
 public:
  // Creates the timers `Timer1` to `Timer3` as children of `window` and
  // stores them in `controls`.
  RunBinding(QWidget& window, MainWindowControls& controls, ResultListModel& results, KeywordBox& keywords,
             RunHooks hooks);
  ~RunBinding() override;

  search::SearchRunDriver& driver() { return *driver_; }
  files::store::NumberStore& numberStore() { return *store_; }
  QString autosavePath() const { return autosave_.path(); }
  files::ProgressValues progressValues();

  // search::RunWindow
  int keywordLineCount() override;
  GbkString keywordLine(int index) override;
  GbkString engineText() override;
  std::int32_t intervalSeconds() override;
  void setStatusText(int panel, const GbkString& text) override;
  void showRunPhase(search::RunPhase phase) override;
  void repaintWindow() override;
  void clearResultList() override;
  harvest::ExtractionSink& resultSink() override { return *this; }
  void showInformation(const GbkString& text) override;
  void showMessage(const GbkString& text) override;
  std::optional<GbkString> inputQuery(const GbkString& caption, const GbkString& prompt,
                                      const GbkString& initial) override;
  void searchEnded(std::int32_t foundCount, const GbkString& endText) override;
  void blockedEpisodeBegan(const GbkString& statusText) override;

  // harvest::ExtractionSink: the result list, the duplicates box, panel 5.
  bool dedupTicked() override;
  bool hasCaption(std::string_view caption) override;
  void addNumber(const GbkString& number) override;
  void showFoundCount(std::int32_t count) override;
  // 历史去重 and the number store's sightings.
  bool knownBefore(std::string_view number) override;
  void sighted(const GbkString& number, std::string_view line, harvest::Sighting what) override;
  // "扩展识别" of the options window, read afresh for every page.
  bool wideReading() override;

  // files::ProgressTarget
  void setEngineText(const GbkString& text) override;
  void setKeywordIndex(std::int32_t index) override;
  void setDedupTicked(bool ticked) override;
  void setIntervalSeconds(std::int32_t seconds) override;

 private:
  QWidget& window_;
  MainWindowControls& c_;
  ResultListModel& results_;
  KeywordBox& keywords_;
  RunHooks hooks_;
  std::unique_ptr<QtRunTimer> timer1_, timer2_, timer3_;
  std::unique_ptr<WebEngineProxySwitch> proxySwitch_;
  files::ResultAutosave autosave_;
  std::unique_ptr<files::store::NumberStore> store_;
  std::unique_ptr<search::SearchRunDriver> driver_;
};

}  // namespace valo::ui
