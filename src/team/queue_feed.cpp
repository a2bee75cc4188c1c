// See queue_feed.h. Any failure drops the connection, so the next call
// starts from a fresh one: a server that restarted leaves a link that
// looks open but answers nothing.
#include "team/queue_feed.h"

#include <utility>

#include "team/team_schema.h"

namespace valo::team {

QueueFeed::QueueFeed(std::string conninfo, std::string machine, int leaseSeconds)
    : conninfo_(std::move(conninfo)), machine_(std::move(machine)), leaseSeconds_(leaseSeconds) {}

QueueFeed::~QueueFeed() = default;

KeywordQueue& QueueFeed::queue() {
  if (!link_ || !link_->healthy()) {
    queue_.reset();
    link_ = std::make_unique<PgLink>(conninfo_);
    createOrMigrateTeam(*link_);
    queue_ = std::make_unique<KeywordQueue>(*link_, machine_);
  }
  return *queue_;
}

std::optional<TakenKeyword> QueueFeed::take() {
  lease_.reset();
  inHand_.reset();
  try {
    if (owed_) {
      tell(owed_->first, owed_->second);
      owed_.reset();
    }
    inHand_ = queue().take(leaseSeconds_);
  } catch (const TeamError&) {
    link_.reset();
    throw;
  }
  if (inHand_) lease_ = std::make_unique<LeaseKeeper>(conninfo_, machine_, *inHand_, leaseSeconds_);
  return inHand_;
}

void QueueFeed::finish(const KeywordResult& result) {
  if (!inHand_) return;
  lease_.reset();
  const TakenKeyword taken = *std::exchange(inHand_, std::nullopt);
  try {
    tell(taken, result);
  } catch (const TeamError&) {
    // Meanwhile its lease may run out and another machine read it again,
    // which 历史去重 on the team's store makes harmless.
    link_.reset();
    owed_ = {taken, result};
    throw;
  }
}

void QueueFeed::giveBack() {
  if (!inHand_) return;
  const bool lost = leaseLost();
  lease_.reset();
  const TakenKeyword taken = *std::exchange(inHand_, std::nullopt);
  if (lost) return;
  try {
    queue().release(taken);
  } catch (const TeamError&) {
    link_.reset();
    throw;
  }
}

void QueueFeed::tell(const TakenKeyword& taken, const KeywordResult& result) {
  const bool first = queue().finish(taken, result);
  if (doneTold) doneTold(taken, result, first);
}

}  // namespace valo::team
