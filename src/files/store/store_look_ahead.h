// The 历史去重 look-ups of a page made ahead of its harvest (used only by
// NumberStore): on a thread of its own, the page's numbers are looked up in
// key order in one read of the store, and the harvest then asks memory. A
// store with millions of numbers needs a disk read or more for most look-ups;
// made here, those reads never hold up the thread that lists the numbers.
#pragma once

#include <QString>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "files/store/sqlite_handle.h"

namespace valo::files::store {

class StoreLookAhead {
 public:
  // What to look up, produced on the look-ahead's thread (reading a page
  // there, not on the caller's).
  using Numbers = std::function<std::vector<std::string>()>;

  // `generation` tells when the store file was opened anew: answers read
  // from an older file are not given.
  StoreLookAhead(QString path, std::function<int()> generation);
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

  const QString path_;
  const std::function<int()> generation_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Request> next_;
  std::vector<std::function<void()>> replaced_;  // told after the next look-up
  Answers answers_;
  std::uint64_t epoch_ = 0;  // pages committed: answers asked before are not taken
  bool stopping_ = false;

  // The look-ahead thread's own.
  Connection reader_;
  std::unique_ptr<Statement> find_;
  int readerGeneration_ = -1;

  std::thread thread_;  // last: starts once the rest is made
};

}  // namespace valo::files::store
