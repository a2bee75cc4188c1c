// Keeps a taken keyword's lease alive while its pages are read, on a thread
// and a connection of its own, so a long pause between pages or a page that
// holds the reading thread never lets the lease run out. A server that
// cannot be reached is tried again; a lease another machine took over is
// given up, and said so.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "team/keyword_queue.h"

namespace valo::team {

class LeaseKeeper {
 public:
  // Renews every third of `leaseSeconds`.
  LeaseKeeper(std::string conninfo, std::string machine, TakenKeyword taken, int leaseSeconds);
  ~LeaseKeeper();
  LeaseKeeper(const LeaseKeeper&) = delete;
  LeaseKeeper& operator=(const LeaseKeeper&) = delete;

  // Another machine holds the keyword now, or it was done meanwhile.
  bool lost() const { return lost_.load(); }
  // The last renewal could not reach the server.
  bool unreachable() const { return unreachable_.load(); }

 private:
  void run();

  const std::string conninfo_, machine_;
  const TakenKeyword taken_;
  const int leaseSeconds_;
  std::atomic<bool> lost_{false}, unreachable_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace valo::team
