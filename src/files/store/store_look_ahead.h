// The 历史去重 look-ups of a page made ahead of its harvest, for a store's
// owner (the number store, a team's store): on a thread of its own, the
// page's numbers are looked up together, in key order, and the harvest then
// asks memory. A store with millions of numbers needs a disk read or more
// for most look-ups, a team's server a round trip; made here, they never
// hold up the thread that lists the numbers.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace valo::files::store {

class StoreLookAhead {
 public:
  // What to look up, produced on the look-ahead's thread (reading a page
  // there, not on the caller's).
  using Numbers = std::function<std::vector<std::string>()>;

  // Whether each of the numbers (sorted, distinct) is in the store, in
  // their order; nullopt when the store cannot be read now. Called on the
  // look-ahead's thread only, so it may keep its connection between calls.
  using LookUp = std::function<std::optional<std::vector<bool>>(const std::vector<std::string>& numbers)>;

  // `generation` tells when the store was opened anew: answers read from an
  // older store are not given.
  StoreLookAhead(LookUp lookUp, std::function<int()> generation);
  // Waits for a look-up under way, drops one not begun.
  ~StoreLookAhead();
  StoreLookAhead(const StoreLookAhead&) = delete;
  StoreLookAhead& operator=(const StoreLookAhead&) = delete;

  // Looks the numbers up; `done` is called on the look-ahead's thread once
  // the answers are there, or once the store could not be read (then none
  // are). A newer call replaces one not begun; its `done` is still called.
  void ask(Numbers numbers, std::function<void()> done);
  // Whether the last look-up found the number in the store; nullopt when it
  // did not ask about it, or read a store file since replaced.
  std::optional<bool> known(std::string_view number) const;
  // The answers are of a page that is harvested: none from now on.
  void forget();
  // Drops a look-up not begun, without its `done`, and waits for one under
  // way to finish: afterwards no `done` of an earlier ask is called, so
  // whoever asked may go.
  void drain();

 private:
  struct Answers {
    std::vector<std::string> numbers;  // in key order
    std::vector<bool> known;
    int generation = -1;
  };
  struct Request {
    Numbers numbers;
    std::function<void()> done;
    std::uint64_t epoch = 0;
  };

  void run();
  Answers lookUp(std::vector<std::string> numbers);

  LookUp lookUp_;
  const std::function<int()> generation_;

  mutable std::mutex mutex_;
  std::condition_variable wake_, idle_;
  bool running_ = false;  // a request taken, its `done` not yet over
  std::optional<Request> next_;
  std::vector<std::function<void()>> replaced_;  // told after the next look-up
  Answers answers_;
  std::uint64_t epoch_ = 0;  // pages committed: answers asked before are not taken
  bool stopping_ = false;

  std::thread thread_;  // last: starts once the rest is made
};

}  // namespace valo::files::store
