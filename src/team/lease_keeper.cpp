// See lease_keeper.h.
#include "team/lease_keeper.h"

#include <chrono>
#include <memory>

namespace valo::team {

LeaseKeeper::LeaseKeeper(std::string conninfo, std::string machine, TakenKeyword taken, int leaseSeconds)
    : conninfo_(std::move(conninfo)),
      machine_(std::move(machine)),
      taken_(std::move(taken)),
      leaseSeconds_(leaseSeconds),
      thread_([this] { run(); }) {}

LeaseKeeper::~LeaseKeeper() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void LeaseKeeper::run() {
  const auto every = std::chrono::milliseconds(std::max(200, leaseSeconds_ * 1000 / 3));
  std::unique_ptr<PgLink> link;
  std::unique_lock lock(mutex_);
  while (!stop_ && !lost_) {
    wake_.wait_for(lock, every);
    if (stop_) break;
    lock.unlock();
    try {
      if (!link || !link->healthy()) link = std::make_unique<PgLink>(conninfo_, std::max(1, leaseSeconds_ / 3));
      if (!KeywordQueue(*link, machine_).renew(taken_, leaseSeconds_)) lost_ = true;
      unreachable_ = false;
    } catch (const TeamError& e) {
      unreachable_ = true;
      if (e.connectionLost()) link.reset();
    }
    lock.lock();
  }
}

}  // namespace valo::team
