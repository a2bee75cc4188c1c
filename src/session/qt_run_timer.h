// A QTimer as the search run drives it: enabling an enabled timer changes
// nothing, and a new interval restarts a running timer.
#pragma once

#include <QTimer>

#include "search/run_ports.h"

namespace valo::session {

class QtRunTimer : public search::RunTimer {
 public:
  explicit QtRunTimer(QTimer* timer) : timer_(timer) {}
  void setEnabled(bool on) override {
    if (on && !timer_->isActive()) timer_->start();
    if (!on) timer_->stop();
  }
  bool enabled() const override { return timer_->isActive(); }
  void setInterval(int ms) override { timer_->setInterval(ms); }
  int interval() const override { return timer_->interval(); }

 private:
  QTimer* timer_;
};

}  // namespace valo::session
