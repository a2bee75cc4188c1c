// SIGTERM and SIGINT as events of the Qt event loop: the handler only writes
// a byte to a socket pair, whose other end the loop reads, so everything the
// signal sets off runs as an ordinary step of the run's thread.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace valo::headless {

class SignalWatch {
 public:
  // `arrived` runs on the loop's thread once per signal, with the count so far.
  explicit SignalWatch(std::function<void(int count)> arrived);
  ~SignalWatch();
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

 private:
  std::function<void(int)> arrived_;
  std::unique_ptr<QSocketNotifier> notifier_;
  int count_ = 0;
};

}  // namespace valo::headless
