// See queue_watch.h.
#include "team/queue_watch.h"

#include <chrono>
#include <memory>

#include "team/team_schema.h"

namespace valo::team {

QueueWatch::QueueWatch(std::string conninfo, int intervalMs, int rowLimit, std::function<void(QueueSnapshot)> seen)
    : conninfo_(std::move(conninfo)), intervalMs_(intervalMs), rowLimit_(rowLimit), seen_(std::move(seen)) {
  thread_ = std::thread([this] { run(); });
}

QueueWatch::~QueueWatch() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void QueueWatch::readNow() {
  {
    std::lock_guard lock(mutex_);
    now_ = true;
  }
  wake_.notify_all();
}

void QueueWatch::run() {
  std::unique_ptr<PgLink> link;
  for (;;) {
    QueueSnapshot snapshot;
    try {
      if (!link || !link->healthy()) {
        link = std::make_unique<PgLink>(conninfo_, kConnectSeconds);
        createOrMigrateTeam(*link);
      }
      KeywordQueue queue(*link, std::string());
      snapshot.counts = queue.counts();
      snapshot.rows = queue.openFirst(rowLimit_);
    } catch (const TeamError& e) {
      link.reset();
      snapshot.error = e.what();
    }
    seen_(std::move(snapshot));
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(intervalMs_), [this] { return stop_ || now_; });
    if (stop_) return;
    now_ = false;
  }
}

}  // namespace valo::team
