// The team's shared keyword queue on the server. A machine takes the next
// keyword under a lease that it renews while it reads that keyword's pages;
// a keyword whose taker stopped renewing is taken again by another, from
// its first page. Keywords and engines are UTF-8 here; callers convert.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "team/pg_link.h"

namespace valo::team {

struct TakenKeyword {
  std::int64_t id = 0;
  std::string keyword, engine;
  std::int32_t listLine = 0;  // its line in the list it came from, from 1
  std::int64_t leaseToken = 0;
  std::int32_t takes = 0;     // 1 the first time; more once a taker was lost
};

struct KeywordResult {
  std::int32_t numbersFound = 0, pagesRead = 0, refusals = 0;
};

struct QueueRow {
  std::int64_t id = 0;
  std::string keyword, engine, state, taker;
  std::int32_t takes = 0;
  std::optional<std::int32_t> numbersFound;
};

struct QueueCounts {
  std::int64_t waiting = 0, taken = 0, done = 0, numbersFound = 0;
};

class KeywordQueue {
 public:
  // `machine` names this taker in the queue and in its leases.
  KeywordQueue(PgLink& link, std::string machine) : link_(link), machine_(std::move(machine)) {}

  // Appends the non-empty lines of `keywords`, in order, with `engine`.
  // Returns how many were put on the queue.
  std::int64_t upload(const std::vector<std::string>& keywords, const std::string& engine);
  // The oldest keyword waiting, or one whose lease ran out; nullopt when
  // none is left to take.
  std::optional<TakenKeyword> take(int leaseSeconds);
  // False when the lease was lost: another machine holds the keyword, or it
  // is done.
  bool renew(const TakenKeyword& taken, int leaseSeconds);
  // Marks the keyword done with its counts; false when another machine had
  // marked it done already (it then keeps that machine's counts).
  bool finish(const TakenKeyword& taken, const KeywordResult& result);
  // Puts a keyword this machine still holds back to waiting (a stop before
  // its end).
  void release(const TakenKeyword& taken);

  QueueCounts counts();
  // The queue in order, at most `limit` rows from `offset`, for the window.
  std::vector<QueueRow> rows(int offset, int limit);
  // At most `limit` rows: the keywords not yet done in order, then the
  // latest done.
  std::vector<QueueRow> openFirst(int limit);
  // Whether any keyword is waiting or held under a live lease.
  bool anythingOpen();

 private:
  PgLink& link_;
  std::string machine_;
};

// Connects to the team's server (making its tables when they are missing)
// and puts `keywords` on the queue with `engine`; returns how many went on.
// For the window's command and the command line's --upload. Throws TeamError.
std::int64_t uploadToQueue(const std::string& conninfo, const std::string& machine,
                           const std::vector<std::string>& keywords, const std::string& engine);

}  // namespace valo::team
