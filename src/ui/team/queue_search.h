// The window's search from the team's queue: the main window's own run,
// browser and result list, fed one keyword at a time from the server
// instead of the keyword box, recording into the team's store. The keyword
// box, its place and the program's own store are left as they were and come
// back when the queue search ends.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "team/queue_feed.h"
#include "ui/main/run_binding.h"
#include "ui/team/team_store_holder.h"

namespace valo::ui {

class QueueSearch : private KeywordFeed {
 public:
  // `startSearch` starts the main window's search as its Search button does.
  QueueSearch(RunBinding& run, TeamStoreHolder& stores, std::function<void()> startSearch);
  ~QueueSearch() override;
  QueueSearch(const QueueSearch&) = delete;
  QueueSearch& operator=(const QueueSearch&) = delete;

  static constexpr int kLeaseSeconds = 60;
  static constexpr int kRetryMs = 5000;

  // Joins the queue on the options' team connection and searches its first
  // keyword. Throws AppError without a connection or while a search runs.
  void start();
  // Stops the keyword in hand, which goes back to the queue, and ends.
  void stop();
  bool active() const { return active_; }
  // The last thing said, and a call each time it changes (or active()).
  QString statusText() const { return status_; }
  std::function<void()> changed;
  // Keywords read to their end since start().
  int keywordsDone() const { return keywordsDone_; }

 private:
  // KeywordFeed
  GbkString keyword() override { return keyword_; }
  GbkString engine() override { return engine_; }
  bool clearsList() override { return firstKeyword_; }
  void pageHarvested() override { ++pages_; }
  void searchEnded(std::int32_t foundCount) override;
  void runIdle() override;

  // Talks to the server off the window's thread (a server that does not
  // answer would hold it for seconds): `work` there, `then` back here.
  void offThread(std::function<void(team::QueueFeed&)> work, std::function<void(std::exception_ptr)> then);
  void next();
  void gotKeyword(std::optional<team::TakenKeyword> taken, std::exception_ptr error);
  void keywordOver();
  void end(const QString& why);
  void say(const QString& text);

  RunBinding& run_;
  TeamStoreHolder& stores_;
  std::function<void()> startSearch_;
  std::string conninfo_, machine_;
  std::unique_ptr<team::QueueFeed> feed_;
  std::thread talker_;  // at most one call to the server at a time
  QObject context_;
  QTimer retry_;
  GbkString keyword_, engine_;
  std::int32_t savedKeywordIndex_ = 0;
  std::optional<std::int32_t> ended_;  // the found count of the keyword's end step
  int pages_ = 0, keywordsDone_ = 0;
  bool active_ = false, firstKeyword_ = false, stopping_ = false, overQueued_ = false;
  bool talking_ = false;  // a call to the server is on its way
  QString status_;
};

}  // namespace valo::ui
