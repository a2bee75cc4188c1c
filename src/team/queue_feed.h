// One machine's hold on the team's keyword queue: the keyword it reads now,
// under a lease kept alive meanwhile, and the end it has to tell. A server
// away when a keyword ends does not lose that end: it is told before the
// next keyword is taken. The headless worker and the window's queue search
// both take their keywords through it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "team/keyword_queue.h"
#include "team/lease_keeper.h"

namespace valo::team {

class QueueFeed {
 public:
  QueueFeed(std::string conninfo, std::string machine, int leaseSeconds);
  ~QueueFeed();
  QueueFeed(const QueueFeed&) = delete;
  QueueFeed& operator=(const QueueFeed&) = delete;

  // Told whenever a keyword's end reached the server; `first` is false when
  // another machine had marked it done already.
  std::function<void(const TakenKeyword&, const KeywordResult&, bool first)> doneTold;

  // Tells an end still owed, then takes the next keyword and starts its
  // lease; nullopt when none is left. Throws TeamError (connectionLost() when
  // the server could not be reached).
  std::optional<TakenKeyword> take();
  // The keyword in hand was read to its end. When the server is away the end
  // is kept for the next take() and the error thrown.
  void finish(const KeywordResult& result);
  // The keyword in hand goes back to waiting, unless its lease was lost
  // meanwhile. A server away lets the lease run out instead; thrown.
  void giveBack();

  const std::optional<TakenKeyword>& inHand() const { return inHand_; }
  // Another machine holds the keyword in hand now.
  bool leaseLost() const { return lease_ && lease_->lost(); }
  // An end is waiting to be told.
  bool owesEnd() const { return owed_.has_value(); }

 private:
  KeywordQueue& queue();  // connects (and makes the tables) when needed
  void tell(const TakenKeyword& taken, const KeywordResult& result);

  const std::string conninfo_, machine_;
  const int leaseSeconds_;
  std::unique_ptr<PgLink> link_;
  std::unique_ptr<KeywordQueue> queue_;
  std::optional<TakenKeyword> inHand_;
  std::unique_ptr<LeaseKeeper> lease_;
  std::optional<std::pair<TakenKeyword, KeywordResult>> owed_;
};

}  // namespace valo::team
