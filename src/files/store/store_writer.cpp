// See store_writer.h.
#include "files/store/store_writer.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <chrono>

#include "files/store/store_open.h"
#include "files/store/store_schema.h"
#include "files/store/store_transaction.h"

namespace valo::files::store {
namespace {

// Before a page is written, this many of those transactions at most.
constexpr int kBacklogTurnsBeforeAPage = 3;

GbkString pathText(const QString& path) {
  return gbkFromUtf8(QDir::toNativeSeparators(path).toStdString());
}

std::string randomKey() {
  char key[17];
  std::snprintf(key, sizeof key, "%016llx",
                static_cast<unsigned long long>(QRandomGenerator::system()->generate64()));
  return key;
}

bool isBusy(const SqliteError& e) {
  return e.primaryCode() == SQLITE_BUSY || e.primaryCode() == SQLITE_LOCKED;
}

}  // namespace

NumberStore::Writer::Writer(QString path, std::function<QDateTime()> now, Timing timing)
    : path_(std::move(path)),
      now_(std::move(now)),
      timing_(timing),
      journal_(QFile::encodeName(waitingJournalPath(path_)).toStdString() + "-" + std::to_string(::getpid())),
      adopted_(
          WaitingJournal::takeOverLeftJournals(QFile::encodeName(path_).toStdString(), journal_.path())) {
  // Records a killed run left waiting are known to 历史去重 from the start.
  std::deque<RecordBatch> left;
  std::vector<RecordBatch> batches;
  for (auto& journal : adopted_) {
    std::vector<RecordBatch> got = journal->readAll();
    // An empty journal of a program that ended has nothing to hand on.
    if (got.empty()) journal->remove();
    for (RecordBatch& b : got) batches.push_back(std::move(b));
  }
  for (RecordBatch& b : batches) {
    for (const RecordBatch::Row& r : b.rows()) {
      if (r.what() == harvest::Sighting::Listed) ++waitingListed_[std::string(b.number(r))];
    }
    journalRows_ += static_cast<std::int64_t>(b.rows().size());
    ++journalBatches_;
    left.push_back(std::move(b));
  }
  if (!left.empty()) loaded_ = std::move(left);
  thread_ = std::thread([this] { run(); });
}

NumberStore::Writer::~Writer() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
  // A journal emptied by this program goes with it; one that still holds
  // records stays for the next start.
  if (journalBatches_ == 0 && held_.empty()) journal_.remove();
}

void NumberStore::Writer::submit(RecordBatch batch, Answer done) {
  {
    std::lock_guard lock(mutex_);
    queuedRows_ += static_cast<std::int64_t>(batch.rows().size());
    queue_.push_back(Task{std::move(batch), std::move(done), {}, {}});
  }
  wake_.notify_all();
}

void NumberStore::Writer::post(Job job, std::function<void(std::exception_ptr)> done) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(Task{std::nullopt, {}, std::move(job), std::move(done)});
  }
  wake_.notify_all();
}

bool NumberStore::Writer::waitUntilIdle(int timeoutMs) {
  std::unique_lock lock(mutex_);
  // A store that refused the backlog is tried once more after the call, so
  // a store let go meanwhile gets it before this returns.
  const std::uint64_t triesBefore = backlogTriesBegun_;
  return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this, triesBefore] {
    return opened_ && queue_.empty() && !busyWithTask_ &&
           (journalBatches_ + held_.size() == 0 || (!storeFree_ && backlogTries_ > triesBefore));
  });
}

void NumberStore::Writer::run() {
  // The store opens at once, so that a store set aside is told before any
  // search, and no search waits for the opening.
  ensureOpen();
  {
    std::lock_guard lock(mutex_);
    opened_ = true;
  }
  bool flushed = true;  // whether the last turn wrote backlog, so another turn follows at once
  for (;;) {
    std::optional<Task> task;
    {
      std::unique_lock lock(mutex_);
      const bool backlog = journalBatches_ + held_.size() > 0;
      if (queue_.empty() && !stop_) {
        if (!backlog) storeFree_ = true;
        if (!backlog || !flushed) {
          idle_.notify_all();
          const auto woken = [this] { return stop_ || !queue_.empty(); };
          if (backlog) {
            wake_.wait_for(lock, std::chrono::milliseconds(timing_.retryMs), woken);
          } else {
            wake_.wait(lock, woken);
          }
        }
      }
      if (!queue_.empty()) {
        task = std::move(queue_.front());
        queue_.pop_front();
        busyWithTask_ = true;
      } else if (stop_) {
        break;
      }
    }
    if (task) {
      // A batch leaves the queue's count where it is handed on, before its
      // answer: a caller told of it never sees it counted twice.
      if (task->batch) {
        handleBatch(*task->batch, task->answer);
      } else {
        handleJob(*task);
      }
      checkWritten();
      std::lock_guard lock(mutex_);
      busyWithTask_ = false;
      continue;
    }
    {
      std::lock_guard lock(mutex_);
      ++backlogTriesBegun_;
    }
    flushed = ensureOpen() && flushSome();
    checkWritten();
    std::lock_guard lock(mutex_);
    storeFree_ = flushed;
    ++backlogTries_;
  }
  // What waits is written before the end where the store takes it; the
  // journal keeps the rest for the next start.
  for (int turn = 0; turn < 50 && backlogWaiting() && db_; ++turn) {
    if (!flushSome()) break;
  }
  checkWritten();
  // Records only memory held are given to the journal before the end.
  while (!held_.empty()) {
    RecordBatch b = std::move(held_.front());
    held_.pop_front();
    b.journalKey.clear();
    journal_.append(b);
  }
  idle_.notify_all();
}

bool NumberStore::Writer::ensureOpen() {
  if (db_) return true;
  try {
    db_ = openStoreConnection(path_, timing_.writeWaitMs);
    batchWriter_ = std::make_unique<BatchWriter>(db_, timing_.machine);
  } catch (const NewerStoreError&) {
    setAside(gbk("版本比本程序新"));
  } catch (const SqliteError& e) {
    batchWriter_.reset();
    db_ = Connection();
    if (storeUnusable(e) || e.primaryCode() == SQLITE_FORMAT || e.primaryCode() == SQLITE_ERROR) {
      setAside(storeReasonText(e));
    } else if (isBusy(e)) {
      std::lock_guard lock(mutex_);
      waitingForStore_ = true;
    } else {
      std::lock_guard lock(mutex_);
      const GbkString text = gbk("号码库无法使用（") + storeReasonText(e) + gbk("）：") + pathText(path_);
      if (failure_ != text) notice_ = text;
      failure_ = text;
    }
  }
  if (db_) {
    std::lock_guard lock(mutex_);
    waitingForStore_ = false;
    ++generation_;
  }
  statusChanged();
  return static_cast<bool>(db_);
}

void NumberStore::Writer::handleBatch(RecordBatch& batch, const Answer& answer) {
  // Records that waited go first, so the store keeps the order they were
  // read in; a long backlog is left to the quiet time between pages.
  for (int turn = 0; turn < kBacklogTurnsBeforeAPage && backlogWaiting() && ensureOpen(); ++turn) {
    if (!flushSome()) break;
  }
  bool stored = false;
  for (int attempt = 0; attempt < 2 && !stored && ensureOpen() && !backlogWaiting(); ++attempt) {
    try {
      Transaction page(db_, "a page");
      batchWriter_->write(batch);
      page.commit();
      stored = true;
    } catch (const SqliteError& e) {
      batchWriter_->forgetSearchIds();
      // Only a store set aside for damage is worth a second try at once.
      if (!writeFailed(e)) break;
    }
  }
  const auto rows = static_cast<std::int64_t>(batch.rows().size());
  if (stored) {
    {
      std::lock_guard lock(mutex_);
      queuedRows_ -= rows;
    }
    written(batch);
    notify(StoreEvent::Committed);
  } else {
    toJournal(batch, rows);
  }
  if (answer) answer(statusText());
}

// After the answer: the verdicts of the numbers new to the store.
void NumberStore::Writer::checkWritten() {
  if (!batchWriter_) return;
  try {
    if (batchWriter_->checkNew()) notify(StoreEvent::Committed);
  } catch (const SqliteError&) {
    // Kept for the next turn; the background checks find any left at the end.
  }
}

void NumberStore::Writer::handleJob(Task& task) {
  std::exception_ptr error;
  try {
    if (!ensureOpen()) throw SqliteError(SQLITE_BUSY, "the number store cannot be opened now");
    task.job(db_);
  } catch (const SqliteError& e) {
    error = std::current_exception();
    if (batchWriter_) batchWriter_->forgetSearchIds();
    writeFailed(e);
  } catch (...) {
    error = std::current_exception();
  }
  if (!error) notify(StoreEvent::Committed);
  if (task.jobDone) task.jobDone(error);
}

bool NumberStore::Writer::backlogWaiting() const {
  std::lock_guard lock(mutex_);
  return journalBatches_ + held_.size() > 0;
}

void NumberStore::Writer::toJournal(RecordBatch& batch, std::int64_t leavingQueue) {
  const std::string error = journal_.append(batch);
  {
    std::lock_guard lock(mutex_);
    queuedRows_ -= leavingQueue;
    if (error.empty()) {
      journalRows_ += static_cast<std::int64_t>(batch.rows().size());
      ++journalBatches_;
      if (loaded_) loaded_->push_back(std::move(batch));
    } else {
      // Neither the store nor the journal takes it: memory keeps it, and the
      // user is told, until one of them does.
      failure_ = gbk("号码库和等待记录都无法写入（") + gbkFromUtf8(error) + gbk("）：") + pathText(path_);
      batch.journalKey = randomKey();
      heldRows_ += static_cast<std::int64_t>(batch.rows().size());
      held_.push_back(std::move(batch));
    }
  }
  statusChanged();
}

void NumberStore::Writer::written(const RecordBatch& batch) {
  std::lock_guard lock(mutex_);
  waitingForStore_ = false;
  failure_.reset();
  for (const RecordBatch::Row& r : batch.rows()) {
    if (r.what() != harvest::Sighting::Listed) continue;
    auto it = waitingListed_.find(std::string(batch.number(r)));
    if (it != waitingListed_.end() && --it->second <= 0) waitingListed_.erase(it);
  }
}

bool NumberStore::Writer::waitingListed(std::string_view number) const {
  std::lock_guard lock(mutex_);
  return waitingListed_.contains(std::string(number));
}

void NumberStore::Writer::addWaitingListed(std::string_view number) {
  std::lock_guard lock(mutex_);
  ++waitingListed_[std::string(number)];
}

std::int64_t NumberStore::Writer::waitingRecords() const {
  std::lock_guard lock(mutex_);
  return queuedRows_ + journalRows_ + heldRows_;
}

std::optional<GbkString> NumberStore::Writer::statusText() const {
  std::lock_guard lock(mutex_);
  GbkString text;
  const auto add = [&text](const GbkString& part) {
    if (part.empty()) return;
    if (!text.empty()) text += gbk("；");
    text += part;
  };
  if (failure_) add(*failure_);
  if (waitingForStore_ && !failure_) add(gbk("正在等待号码库：") + pathText(path_));
  if (const std::int64_t waiting = journalRows_ + heldRows_; waiting > 0) {
    add(std::to_string(waiting) + gbk(" 条号码记录等待写入号码库"));
  }
  add(shownNotice_);
  if (text.empty()) return std::nullopt;
  return text;
}

GbkString NumberStore::Writer::takeNotice() {
  std::lock_guard lock(mutex_);
  return std::exchange(notice_, GbkString());
}

void NumberStore::Writer::searchEnded() {
  {
    std::lock_guard lock(mutex_);
    shownNotice_.clear();
  }
  statusChanged();
}

int NumberStore::Writer::addListener(std::function<void(StoreEvent)> listener) {
  std::lock_guard lock(mutex_);
  listeners_.emplace_back(nextListener_, std::move(listener));
  return nextListener_++;
}

void NumberStore::Writer::removeListener(int id) {
  // Once this returns the listener is not running and is never called again.
  std::lock_guard calling(notifying_);
  std::lock_guard lock(mutex_);
  std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

void NumberStore::Writer::notify(StoreEvent event) {
  // Listeners are called without the lock, so one may ask the store back.
  std::lock_guard calling(notifying_);
  std::vector<std::function<void(StoreEvent)>> now;
  {
    std::lock_guard lock(mutex_);
    for (const auto& l : listeners_) now.push_back(l.second);
  }
  for (const auto& l : now) l(event);
}

void NumberStore::Writer::statusChanged() {
  std::optional<GbkString> text = statusText();
  {
    std::lock_guard lock(mutex_);
    if (text == lastStatus_) return;
    lastStatus_ = text;
  }
  notify(StoreEvent::StatusChanged);
}

}  // namespace valo::files::store
