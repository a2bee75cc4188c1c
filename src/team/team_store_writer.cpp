// See team_store_writer.h.
#include "team/team_store_writer.h"

#include <chrono>

#include "team/team_batch_writer.h"
#include "team/team_schema.h"

namespace valo::team {
namespace {

using files::store::RecordBatch;
using files::store::WaitingJournal;

// Two machines' transactions that touched the same numbers: one of them is
// rolled back and simply tried again.
bool lostRace(const TeamError& e) {
  return e.sqlState() == "40001" || e.sqlState() == "40P01";
}

std::int64_t rowsOf(const RecordBatch& batch) {
  return static_cast<std::int64_t>(batch.rows().size());
}

}  // namespace

TeamStore::Writer::Writer(TeamStoreSetup setup)
    : setup_(std::move(setup)),
      journal_(setup_.journalPath),
      adopted_(WaitingJournal::takeOverLeftJournals(setup_.journalPath.substr(0, setup_.journalPath.rfind("-waiting")),
                                                    journal_.path())) {
  // What a killed run left waiting is known to 历史去重 from the start.
  for (auto& journal : adopted_) {
    for (RecordBatch& b : journal->readAll()) {
      for (const RecordBatch::Row& r : b.rows()) {
        if (r.what() == harvest::Sighting::Listed) ++waitingListed_[std::string(b.number(r))];
      }
      // Moved into this program's own journal, so one file holds the order.
      if (journal_.append(b).empty()) {
        journalRows_ += rowsOf(b);
        ++journalBatches_;
      } else {
        held_.push_back(std::move(b));
      }
    }
    journal->remove();
  }
  adopted_.clear();
  thread_ = std::thread([this] { run(); });
}

TeamStore::Writer::~Writer() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
  if (journalBatches_ == 0 && held_.empty()) journal_.remove();
}

void TeamStore::Writer::submit(RecordBatch batch, files::store::BatchAnswer done) {
  {
    std::lock_guard lock(mutex_);
    queuedRows_ += rowsOf(batch);
    queue_.push_back(Task{std::move(batch), std::move(done), {}, {}});
  }
  wake_.notify_all();
}

void TeamStore::Writer::post(std::function<void(PgLink&)> job, std::function<void(std::exception_ptr)> done) {
  {
    std::lock_guard lock(mutex_);
    Task task;
    task.job = std::move(job);
    task.jobDone = std::move(done);
    queue_.push_back(std::move(task));
  }
  wake_.notify_all();
}

void TeamStore::Writer::runJob(Task& task) {
  std::exception_ptr failure;
  PgLink* l = link();
  if (l == nullptr) {
    std::optional<std::string> why;
    {
      std::lock_guard lock(mutex_);
      why = failure_;
    }
    failure = std::make_exception_ptr(TeamError("08006", true, why.value_or("the team server cannot be reached")));
  } else {
    try {
      task.job(*l);
      checksDue_ = true;
    } catch (const TeamError& e) {
      if (e.connectionLost()) link_.reset();
      failure = std::current_exception();
    } catch (...) {
      failure = std::current_exception();
    }
  }
  if (task.jobDone) task.jobDone(failure);
}

bool TeamStore::Writer::waitUntilIdle(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
    return queue_.empty() && !busy_ && journalBatches_ == 0 && held_.empty();
  });
}

void TeamStore::Writer::run() {
  link();
  for (;;) {
    std::optional<Task> task;
    {
      std::unique_lock lock(mutex_);
      const bool backlog = journalBatches_ > 0 || !held_.empty();
      if (queue_.empty() && !stop_) {
        idle_.notify_all();
        if (checksDue_ && !backlog) {
          lock.unlock();
          checkSome();
          continue;
        }
        if (backlog) {
          wake_.wait_for(lock, std::chrono::milliseconds(setup_.retryMs));
        } else {
          wake_.wait(lock);
        }
      }
      if (!queue_.empty()) {
        task = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
      } else if (stop_) {
        break;
      } else if (!(journalBatches_ > 0 || !held_.empty())) {
        continue;
      } else {
        busy_ = true;
      }
    }
    if (task && task->job) {
      runJob(*task);
    } else if (task) {
      // Behind whatever waits already, so the server gets batches in order.
      if (flushBacklog()) {
        write(task->batch);
      } else {
        toJournal(task->batch);
      }
      {
        std::lock_guard lock(mutex_);
        queuedRows_ -= rowsOf(task->batch);
      }
      if (task->answer) task->answer(statusText());
    } else {
      flushBacklog();
    }
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
    }
    statusChanged();
  }
  // Ending: one last try, then the journal keeps the rest for the next start.
  flushBacklog();
}

PgLink* TeamStore::Writer::link() {
  if (link_ && link_->healthy()) return link_.get();
  link_.reset();
  const auto now = std::chrono::steady_clock::now();
  if (lastTry_ != std::chrono::steady_clock::time_point{} &&
      now - lastTry_ < std::chrono::milliseconds(setup_.retryMs)) {
    return nullptr;
  }
  lastTry_ = now;
  try {
    auto fresh = std::make_unique<PgLink>(setup_.conninfo, setup_.connectTimeoutSeconds);
    if (!migrated_) createOrMigrateTeam(*fresh);
    migrated_ = true;
    link_ = std::move(fresh);
  } catch (const TeamError& e) {
    failed(e);
  }
  return link_.get();
}

void TeamStore::Writer::write(RecordBatch& batch) {
  for (int attempt = 0;; ++attempt) {
    PgLink* l = link();
    if (l == nullptr) return toJournal(batch);
    try {
      TeamBatchWriter(*l, setup_.machine).write(batch);
      written(batch);
      recovered();
      checksDue_ = true;
      return;
    } catch (const TeamError& e) {
      if (lostRace(e) && attempt < 5) continue;
      failed(e);
      return toJournal(batch);
    }
  }
}

void TeamStore::Writer::checkSome() {
  checksDue_ = false;
  PgLink* l = link();
  if (l == nullptr) return;
  try {
    checksDue_ = checkUncheckedNumbers(*l, kChecksAtOnce) == kChecksAtOnce;
  } catch (const TeamError&) {
    // Tried again after the next page: the writes say what is wrong.
    link_.reset();
  }
}

bool TeamStore::Writer::flushBacklog() {
  {
    std::lock_guard lock(mutex_);
    if (journalBatches_ == 0 && held_.empty()) return true;
  }
  PgLink* l = link();
  if (l == nullptr) return false;
  try {
    // The journal first: it holds the older batches.
    std::vector<RecordBatch> batches = journal_.readAll();
    for (RecordBatch& b : batches) {
      TeamBatchWriter(*l, setup_.machine).write(b);  // a batch written before is passed over
      written(b);
      std::lock_guard lock(mutex_);
      journalRows_ -= rowsOf(b);
    }
    journal_.clear();
    {
      std::lock_guard lock(mutex_);
      journalBatches_ = 0;
      journalRows_ = 0;
    }
    for (;;) {
      RecordBatch b;
      {
        std::lock_guard lock(mutex_);
        if (held_.empty()) break;
        b = std::move(held_.front());
        held_.pop_front();
      }
      try {
        TeamBatchWriter(*l, setup_.machine).write(b);
      } catch (...) {
        std::lock_guard lock(mutex_);
        held_.push_front(std::move(b));
        throw;
      }
      written(b);
    }
    recovered();
    checksDue_ = true;
    return true;
  } catch (const TeamError& e) {
    // Counted again from the file at the next try.
    failed(e);
    std::lock_guard lock(mutex_);
    journalRows_ = 0;
    for (const RecordBatch& b : journal_.readAll()) journalRows_ += rowsOf(b);
    return false;
  }
}

void TeamStore::Writer::toJournal(RecordBatch& batch) {
  const std::string error = journal_.append(batch);
  std::lock_guard lock(mutex_);
  if (error.empty()) {
    journalRows_ += rowsOf(batch);
    ++journalBatches_;
  } else {
    // Kept in memory: the journal's disk refused, and nothing is dropped.
    held_.push_back(std::move(batch));
  }
}

void TeamStore::Writer::failed(const TeamError& e) {
  if (e.connectionLost()) link_.reset();
  std::lock_guard lock(mutex_);
  unreachable_ = e.connectionLost();
  failure_ = e.what();
}

void TeamStore::Writer::recovered() {
  std::lock_guard lock(mutex_);
  if (failure_ && journalBatches_ == 0 && held_.empty()) {
    notice_ = gbk("团队服务器已恢复，等待的记录都已写入");
    failure_.reset();
    unreachable_ = false;
  }
}

void TeamStore::Writer::written(const RecordBatch& batch) {
  std::lock_guard lock(mutex_);
  for (const RecordBatch::Row& r : batch.rows()) {
    if (r.what() != harvest::Sighting::Listed) continue;
    auto it = waitingListed_.find(std::string(batch.number(r)));
    if (it != waitingListed_.end() && --it->second == 0) waitingListed_.erase(it);
  }
}

bool TeamStore::Writer::waitingListed(std::string_view number) const {
  std::lock_guard lock(mutex_);
  return waitingListed_.contains(std::string(number));
}

void TeamStore::Writer::addWaitingListed(std::string_view number) {
  std::lock_guard lock(mutex_);
  ++waitingListed_[std::string(number)];
}

std::int64_t TeamStore::Writer::waitingRecords() const {
  std::lock_guard lock(mutex_);
  std::int64_t held = 0;
  for (const RecordBatch& b : held_) held += rowsOf(b);
  return queuedRows_ + journalRows_ + held;
}

std::optional<GbkString> TeamStore::Writer::statusText() const {
  std::lock_guard lock(mutex_);
  if (!failure_) return std::nullopt;
  std::int64_t waiting = journalRows_;
  for (const RecordBatch& b : held_) waiting += rowsOf(b);
  const std::string what = unreachable_ ? "团队服务器连接失败" : "团队服务器拒绝写入（" + *failure_ + "）";
  return gbkFromUtf8(what + "，" + std::to_string(waiting) + " 条记录在本机等待");
}

GbkString TeamStore::Writer::takeNotice() {
  std::lock_guard lock(mutex_);
  return std::exchange(notice_, GbkString());
}

int TeamStore::Writer::addListener(std::function<void()> listener) {
  std::lock_guard lock(notifying_);
  listeners_.emplace_back(nextListener_, std::move(listener));
  return nextListener_++;
}

void TeamStore::Writer::removeListener(int id) {
  std::lock_guard lock(notifying_);
  std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

void TeamStore::Writer::statusChanged() {
  const std::optional<GbkString> now = statusText();
  {
    std::lock_guard lock(mutex_);
    if (now == lastStatus_) return;
    lastStatus_ = now;
  }
  std::lock_guard lock(notifying_);
  for (const auto& [id, listener] : listeners_) listener();
}

}  // namespace valo::team
