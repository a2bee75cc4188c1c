// A search without a window: the search session driven from the command
// line, its window's duties taken by plain fields and its messages written
// as lines to standard error. The browser comes from outside (the program
// gives it an off-screen one), so this stays free of widgets.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

#include "headless/headless_arguments.h"
#include "search/engine_catalogue.h"
#include "session/search_session.h"
#include "text/text_lines.h"

namespace valo::headless {

// The exit codes, as the README lists them.
enum ExitCode : int {
  kExitFinished = 0,
  kExitFailure = 1,
  kExitUsage = 2,
  kExitSignal = 3,
  kExitEngineRefuses = 4,
  kExitNoUsableProxy = 5,
};

// What the program's files and the command line settle before the run: read
// and checked without writing anything.
struct RunPlan {
  GbkString keywords;  // the keyword file's text
  GbkString engine;
  int pauseSeconds = 1;
  bool dedup = false;
  std::int32_t keywordIndex = -1;  // as the progress file leaves the run
  std::optional<int> startLine;
  search::FileEngines fileEngines;
  QStringList engineProblems;  // engines of the file that were not loaded
};

// Throws UsageError for a keyword file that cannot be read or an engine that
// is not known; AppError for a progress file that cannot be read.
RunPlan planRun(const HeadlessArguments& arguments);
// The keyword file the arguments name (or the window's); throws UsageError
// when it is missing or cannot be read.
GbkString readKeywordFile(const HeadlessArguments& arguments);
// Loads the engines file into `plan` and checks its engine; throws UsageError
// for an engine that is not known.
void planEngines(RunPlan& plan);

struct HeadlessSetup {
  std::function<void(const QString&)> writeLine;  // one line of standard error
  search::ProxySwitch* proxySwitch = nullptr;
  std::function<void()> clearBrowserData;
  std::function<std::string()> localAddress;  // null: the machine's own check
  std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
  // Where the numbers are recorded; null: the program's number store.
  std::function<std::unique_ptr<session::PageStore>()> makeStore;
  bool keepsProgress = true;  // see SessionSetup
  bool writesEndLine = true;  // a team's worker writes one for all its keywords
  std::int64_t queueId = 0;   // named on every page line; 0: none
};

class HeadlessRun : public session::SessionWindow, public session::ResultList {
 public:
  HeadlessRun(const HeadlessArguments& arguments, RunPlan plan, env::BrowserControl& browser,
              HeadlessSetup setup);
  ~HeadlessRun() override;

  // Runs once the search has ended, or could not begin, with the exit code.
  std::function<void(int exitCode)> finished;

  // Search, with the plan's start line as the answer to the start question.
  void start();
  // The first signal: the page in hand is finished and the position saved.
  void stop();
  // The second: the end step now, keeping everything read.
  void endNow();

  session::SearchSession& session() { return *session_; }
  std::int32_t found() const { return found_; }
  std::int32_t pages() const { return pages_; }

 private:
  // search::RunWindow
  int keywordLineCount() override { return keywords_.count(); }
  GbkString keywordLine(int index) override { return GbkString(keywords_.line(index)); }
  GbkString engineText() override { return plan_.engine; }
  std::int32_t intervalSeconds() override { return plan_.pauseSeconds; }
  void setStatusText(int panel, const GbkString& text) override;
  void repaintWindow() override {}
  void clearResultList() override { listed_.clear(); }
  void showInformation(const GbkString& text) override;
  void showMessage(const GbkString& text) override;
  std::optional<GbkString> inputQuery(const GbkString& caption, const GbkString& prompt,
                                      const GbkString& initial) override;
  void searchEnded(std::int32_t foundCount, const GbkString& endText) override;
  void blockedEpisodeBegan(const GbkString& statusText) override;
  // session::SessionWindow
  std::string localAddress() override;
  void clearBrowserData() override;
  files::ProgressValues progressValues(std::int32_t keywordIndex) override;
  void reportError(std::exception_ptr error) override;
  void pageHarvested(const harvest::PageSource& page) override;
  search::ProxySwitch* proxySwitch() override { return setup_.proxySwitch; }
  // session::ResultList
  bool dedupTicked() override { return plan_.dedup; }
  bool hasCaption(std::string_view number) override { return listed_.contains(std::string(number)); }
  void addNumber(const GbkString& number) override { listed_.insert(number); }
  void showFoundCount(std::int32_t count) override { found_ = count; }

  void notice(const QString& kind, const GbkString& text);
  QString timeNow() const;
  void finish(int exitCode);

  HeadlessArguments arguments_;
  RunPlan plan_;
  HeadlessSetup setup_;
  TextLines keywords_;
  std::unordered_set<std::string> listed_;
  std::int32_t found_ = 0;
  std::int32_t foundAtLastPage_ = 0;
  std::int32_t pages_ = 0;
  std::int32_t pageInKeyword_ = 0;
  std::int32_t lastKeywordLine_ = 0;
  bool stoppedBySignal_ = false;
  bool storeTrouble_ = false;  // a failure to keep things on disk was told
  bool done_ = false;
  std::unique_ptr<session::SearchSession> session_;
};

}  // namespace valo::headless
