// Opens the team's queue window over the options' team connection and
// keeps this copy's queue search, which outlives the window: closing the
// window stops only the reading of the queue, not the search.
#pragma once

#include <QPointer>

#include "ui/team/team_queue_window.h"
#include <functional>
#include <memory>

class QWidget;

namespace valo::ui {

class QueueSearch;
class RunBinding;
class TeamStoreHolder;

class TeamQueueBinding {
 public:
  TeamQueueBinding(QWidget& owner, RunBinding& run, TeamStoreHolder& stores, std::function<void()> startSearch);
  ~TeamQueueBinding();
  TeamQueueBinding(const TeamQueueBinding&) = delete;
  TeamQueueBinding& operator=(const TeamQueueBinding&) = delete;

  // Shows the window, or brings it to the front. Throws AppError when no
  // team connection is set.
  void open();
  TeamQueueWindow* window() const { return window_; }
  QueueSearch& search() { return *search_; }

 private:
  QWidget& owner_;
  RunBinding& run_;
  std::unique_ptr<QueueSearch> search_;
  QPointer<TeamQueueWindow> window_;
};

}  // namespace valo::ui
