// Fills in the checks (valid, kind, region) of numbers an import left
// unchecked, on a thread of its own, a few thousand numbers a batch: it
// reads and checks outside any transaction and hands each batch's updates to
// the store's writer, so a search's page waits at most for one short batch.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "files/store/sqlite_handle.h"
#include "harvest/number_check.h"

namespace valo::files::store {

class NumberStore;

class NumberCheckWorker {
 public:
  // `batch` numbers are checked and written per transaction.
  explicit NumberCheckWorker(NumberStore& store, int batch = 2000);
  ~NumberCheckWorker();  // stops and waits, see stop()
  NumberCheckWorker(const NumberCheckWorker&) = delete;
  NumberCheckWorker& operator=(const NumberCheckWorker&) = delete;

  // Starts checking, or when already at work makes it look again for
  // unchecked numbers before it ends. Returns at once. A store that is
  // missing or cannot be opened ends the work quietly.
  void start();
  // Asks the work to end after the number being checked and waits for it;
  // what earlier batches wrote stays. start() may begin it again.
  void stop();
  // Waits until nothing is left to check (or stop()); for tests and tools.
  void waitUntilIdle();
  bool busy() const;
  // Numbers checked and written since construction.
  std::int64_t checkedCount() const { return checked_.load(); }

 private:
  void run();
  bool runBatch(Connection& db);  // false when nothing was left

  NumberStore& store_;
  int batch_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<std::int64_t> checked_{0};
  mutable std::mutex mutex_;
  std::condition_variable idle_;
  bool running_ = false;  // under mutex_
  bool again_ = false;    // under mutex_: look once more before ending
};

}  // namespace valo::files::store
