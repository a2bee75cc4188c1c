// A team's worker without a window: takes the next keyword from the team's
// queue, searches it as a run of one keyword into the team's store, marks
// it done with its counts, and takes the next, until none is left (or, with
// --wait, for good). Its lease is renewed meanwhile; a keyword it cannot
// finish (a stop, a refusing engine) goes back to the queue.
#pragma once

#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "headless/headless_run.h"
#include "team/queue_feed.h"
#include "team/team_store.h"

namespace valo::headless {

struct TeamPlan {
  std::string conninfo;  // UTF-8
  std::string machine;
  RunPlan base;  // the pause and switches of every keyword's run
};

// Settles the connection and machine from the arguments and the options
// file. Throws UsageError when no connection is set anywhere.
TeamPlan planTeam(const HeadlessArguments& arguments);

// --upload: puts the keyword file (as planRun reads it) on the queue with
// the plan's engine; returns how many keywords went on. Throws TeamError.
std::int64_t uploadKeywords(const HeadlessArguments& arguments, const TeamPlan& plan);

class TeamWorker {
 public:
  TeamWorker(const HeadlessArguments& arguments, TeamPlan plan, env::BrowserControl& browser, HeadlessSetup setup);
  ~TeamWorker();

  std::function<void(int exitCode)> finished;
  // Tests: called on every keyword's run before it starts.
  std::function<void(HeadlessRun&)> prepare;
  void start();
  void stop();
  void endNow();
  // The run of the keyword in hand, for the browser's page loads.
  HeadlessRun* currentRun() { return run_.get(); }

 private:
  void next();
  void keywordEnded(int code);
  void finish(int code);
  void notice(const QString& kind, const QString& text);

  HeadlessArguments arguments_;
  TeamPlan plan_;
  env::BrowserControl& browser_;
  HeadlessSetup setup_;
  std::unique_ptr<team::TeamStore> store_;
  team::QueueFeed feed_;
  std::unique_ptr<HeadlessRun> run_;
  QTimer retry_;
  std::int32_t keywordsDone_ = 0, found_ = 0, pages_ = 0;
  int queueTries_ = 0;
  int storeListener_ = 0;
  bool storeTrouble_ = false;
  bool stopping_ = false, done_ = false;
};

}  // namespace valo::headless
