// See number_check_worker.h. The worker's failures (a store that cannot be
// read or written) end its work and are not reported: the numbers stay
// unchecked and the next start of the program tries again.
#include "files/store/number_check_worker.h"

#include <chrono>
#include <future>
#include <vector>

#include "files/store/number_store.h"
#include "files/store/store_schema.h"

namespace valo::files::store {
namespace {

// The pause before a batch that found the store held by another program is
// tried again.
constexpr auto kRetryPause = std::chrono::milliseconds(200);

}  // namespace

NumberCheckWorker::NumberCheckWorker(NumberStore& store, int batch) : store_(store), batch_(batch) {}

NumberCheckWorker::~NumberCheckWorker() {
  stop();
}

void NumberCheckWorker::start() {
  std::lock_guard lock(mutex_);
  if (running_) {
    again_ = true;
    return;
  }
  if (thread_.joinable()) thread_.join();  // ended already; only its handle is left
  stop_ = false;
  again_ = false;
  running_ = true;
  thread_ = std::thread([this] { run(); });
}

void NumberCheckWorker::stop() {
  stop_ = true;
  std::thread ending;
  {
    std::lock_guard lock(mutex_);
    ending = std::move(thread_);
  }
  if (ending.joinable()) ending.join();
}

void NumberCheckWorker::waitUntilIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return !running_; });
}

bool NumberCheckWorker::busy() const {
  std::lock_guard lock(mutex_);
  return running_;
}

void NumberCheckWorker::run() {
  try {
    Connection db = store_.openReader();
    for (;;) {
      bool more = false;
      try {
        more = runBatch(db);
      } catch (const SqliteError& e) {
        if (e.primaryCode() != SQLITE_BUSY && e.primaryCode() != SQLITE_LOCKED) throw;
        std::this_thread::sleep_for(kRetryPause);
        more = true;
      }
      if (stop_) break;
      if (more) continue;
      std::lock_guard lock(mutex_);
      if (!again_) break;
      again_ = false;
    }
  } catch (const std::exception&) {
    // See the file's comment: the numbers wait for the next start.
  }
  std::lock_guard lock(mutex_);
  running_ = false;
  idle_.notify_all();
}

bool NumberCheckWorker::runBatch(Connection& db) {
  std::vector<std::string> numbers;
  {
    Statement pending(db.get(), "SELECT number FROM numbers WHERE valid IS NULL LIMIT ?1");
    pending.bind(1, std::int64_t{batch_});
    while (pending.step()) numbers.emplace_back(pending.columnText(0));
  }
  if (numbers.empty()) return false;
  std::vector<harvest::NumberCheck> checks;
  checks.reserve(numbers.size());
  for (const std::string& number : numbers) {
    if (stop_) break;
    checks.push_back(harvest::checkMainlandNumber(number));
  }
  // The numbers are those of the list, so what was checked before a stop is
  // kept. The writes go through the store's writer, between a search's pages.
  std::promise<void> written;
  std::future<void> done = written.get_future();
  store_.post(
      [&numbers, &checks](Connection& writer) { writeNumberChecks(writer, numbers, checks); },
      [&written](std::exception_ptr error) {
        if (error) {
          written.set_exception(error);
        } else {
          written.set_value();
        }
      });
  done.get();
  checked_ += static_cast<std::int64_t>(checks.size());
  return true;
}

}  // namespace valo::files::store
