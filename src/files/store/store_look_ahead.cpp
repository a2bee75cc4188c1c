// See store_look_ahead.h.
#include "files/store/store_look_ahead.h"

#include <algorithm>
#include <exception>

namespace valo::files::store {

StoreLookAhead::StoreLookAhead(LookUp lookUp, std::function<int()> generation)
    : lookUp_(std::move(lookUp)), generation_(std::move(generation)), thread_([this] { run(); }) {}

StoreLookAhead::~StoreLookAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void StoreLookAhead::ask(Numbers numbers, std::function<void()> done) {
  {
    std::lock_guard lock(mutex_);
    if (next_ && next_->done) replaced_.push_back(std::move(next_->done));
    next_ = Request{std::move(numbers), std::move(done), epoch_};
  }
  wake_.notify_one();
}

std::optional<bool> StoreLookAhead::known(std::string_view number) const {
  std::lock_guard lock(mutex_);
  if (answers_.generation != generation_()) return std::nullopt;
  const auto it = std::lower_bound(answers_.numbers.begin(), answers_.numbers.end(), number);
  if (it == answers_.numbers.end() || *it != number) return std::nullopt;
  return answers_.known[static_cast<std::size_t>(it - answers_.numbers.begin())];
}

void StoreLookAhead::forget() {
  std::lock_guard lock(mutex_);
  answers_ = Answers{};
  ++epoch_;
}

void StoreLookAhead::drain() {
  std::unique_lock lock(mutex_);
  next_.reset();
  replaced_.clear();
  idle_.wait(lock, [this] { return !running_; });
}

StoreLookAhead::Answers StoreLookAhead::lookUp(std::vector<std::string> numbers) {
  Answers answers;
  answers.generation = generation_();
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  if (numbers.empty()) return answers;
  std::optional<std::vector<bool>> known = lookUp_(numbers);
  if (!known || known->size() != numbers.size()) return Answers{};
  answers.numbers = std::move(numbers);
  answers.known = std::move(*known);
  return answers;
}

void StoreLookAhead::run() {
  for (;;) {
    Request request;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || next_.has_value(); });
      if (stopping_) return;
      request = std::move(*next_);
      next_.reset();
      running_ = true;
    }
    Answers answers;
    try {
      answers = lookUp(request.numbers ? request.numbers() : std::vector<std::string>{});
    } catch (const std::exception&) {
      // Reading the page failed (out of memory): the harvest asks the store.
    }
    std::vector<std::function<void()>> told;
    {
      std::lock_guard lock(mutex_);
      // Answers that come after their page was committed would be older
      // than what that page wrote.
      if (request.epoch == epoch_) answers_ = std::move(answers);
      told.swap(replaced_);
    }
    for (auto& done : told) done();
    if (request.done) request.done();
    std::lock_guard lock(mutex_);
    running_ = false;
    idle_.notify_all();
  }
}

}  // namespace valo::files::store
