// The number store's writer thread (used only by NumberStore): a queue of
// page batches and jobs, the store's one writing connection, and the journal
// that takes batches while the store cannot. It keeps the set of listed
// numbers not yet in the store, which 历史去重 counts as known.
#pragma once

#include <QDateTime>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "files/store/number_store.h"
#include "files/store/store_batch.h"
#include "files/store/store_batch_writer.h"
#include "files/store/store_journal.h"

namespace valo::files::store {

class NumberStore::Writer {
 public:
  Writer(QString path, std::function<QDateTime()> now, Timing timing);
  ~Writer();

  void submit(RecordBatch batch, Answer done);
  void post(Job job, std::function<void(std::exception_ptr)> done);
  bool waitUntilIdle(int timeoutMs);

  bool waitingListed(std::string_view number) const;
  void addWaitingListed(std::string_view number);
  std::int64_t waitingRecords() const;
  std::optional<GbkString> statusText() const;
  GbkString takeNotice();
  void searchEnded();  // the notice of a store set aside leaves panel 6
  // Bumped whenever the writer opens a store file anew, so readers reopen.
  int generation() const { return generation_.load(); }

  int addListener(std::function<void(StoreEvent)> listener);
  void removeListener(int id);

 private:
  struct Task {
    std::optional<RecordBatch> batch;
    Answer answer;
    Job job;
    std::function<void(std::exception_ptr)> jobDone;
  };

  void run();
  bool ensureOpen();
  void checkWritten();
  void openFailed(const std::exception& e);
  void handleBatch(RecordBatch& batch, const Answer& answer);
  void handleJob(Task& task);
  // Writes as much of the backlog as one short transaction takes; true when
  // something was written.
  bool flushSome();
  bool backlogWaiting() const;
  // `leavingQueue`: the rows the queue's count gives up in the same step.
  void toJournal(RecordBatch& batch, std::int64_t leavingQueue);
  // A failed write: the store set aside when it is damaged, otherwise the
  // failure kept for panel 6. Returns true when a new store took its place.
  bool writeFailed(const SqliteError& error);
  bool damaged();
  void setAside(const GbkString& reason);
  void written(const RecordBatch& batch);
  void notify(StoreEvent event);
  void statusChanged();

  const QString path_;
  const std::function<QDateTime()> now_;
  const Timing timing_;
  WaitingJournal journal_;
  std::vector<std::unique_ptr<WaitingJournal>> adopted_;  // left by programs that ended

  // The writer thread's own.
  Connection db_;
  std::unique_ptr<BatchWriter> batchWriter_;
  std::optional<std::deque<RecordBatch>> loaded_;  // the journal's batches while they are written out
  std::deque<RecordBatch> held_;                   // taken by neither store nor journal

  mutable std::mutex mutex_;
  std::mutex notifying_;  // held while listeners are called
  std::condition_variable wake_, idle_;
  std::deque<Task> queue_;
  bool busyWithTask_ = false;
  bool stop_ = false;
  std::unordered_map<std::string, int> waitingListed_;
  std::int64_t queuedRows_ = 0, journalRows_ = 0, heldRows_ = 0;
  std::size_t journalBatches_ = 0;
  bool opened_ = false;  // the first opening has been tried
  bool storeFree_ = true;
  std::uint64_t backlogTries_ = 0, backlogTriesBegun_ = 0;  // the last try at the backlog did not fail
  std::optional<GbkString> lastStatus_;
  bool waitingForStore_ = false;
  std::optional<GbkString> failure_;
  GbkString notice_, shownNotice_;
  std::vector<std::pair<int, std::function<void(StoreEvent)>>> listeners_;
  int nextListener_ = 1;
  std::atomic<int> generation_{0};

  std::thread thread_;
};

}  // namespace valo::files::store
