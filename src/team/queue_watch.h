// The team's queue as a window shows it: its counts and its first rows,
// read again and again on a thread and a connection of its own, so a slow
// or absent server never holds the window. Each reading is handed over
// whole; a server that cannot be reached is said so, and tried again.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "team/keyword_queue.h"

namespace valo::team {

struct QueueSnapshot {
  QueueCounts counts;
  std::vector<QueueRow> rows;
  std::optional<std::string> error;  // UTF-8; set when the server could not be read
};

class QueueWatch {
 public:
  // `seen` is called on the watch's thread after every reading, the first
  // at once. At most `rowLimit` rows are read: the keywords not yet done
  // first, then the latest done.
  QueueWatch(std::string conninfo, int intervalMs, int rowLimit, std::function<void(QueueSnapshot)> seen);
  ~QueueWatch();
  QueueWatch(const QueueWatch&) = delete;
  QueueWatch& operator=(const QueueWatch&) = delete;

  // A server that does not answer holds the watch (and a window closing
  // it) this long at most.
  static constexpr int kConnectSeconds = 3;
  // Reads again now rather than at the next interval.
  void readNow();

 private:
  void run();

  const std::string conninfo_;
  const int intervalMs_, rowLimit_;
  const std::function<void(QueueSnapshot)> seen_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false, now_ = false;
  std::thread thread_;
};

}  // namespace valo::team
