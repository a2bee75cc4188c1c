// The team store's writer thread (used only by TeamStore): a queue of
// record batches, one connection to the server, and the local journal that
// takes batches while the server cannot. Batches reach the server in the
// order they were handed over: while the journal holds any, a new batch
// goes behind them.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "files/store/store_journal.h"
#include "team/pg_link.h"
#include "team/team_store.h"

namespace valo::team {

class TeamStore::Writer {
 public:
  explicit Writer(TeamStoreSetup setup);
  ~Writer();

  const TeamStoreSetup& setup() const { return setup_; }
  void submit(files::store::RecordBatch batch, files::store::BatchAnswer done);
  void post(std::function<void(PgLink&)> job, std::function<void(std::exception_ptr)> done);
  bool waitUntilIdle(int timeoutMs);

  bool waitingListed(std::string_view number) const;
  void addWaitingListed(std::string_view number);
  std::int64_t waitingRecords() const;
  std::optional<GbkString> statusText() const;
  GbkString takeNotice();
  int addListener(std::function<void()> listener);
  void removeListener(int id);

 private:
  struct Task {
    files::store::RecordBatch batch;
    files::store::BatchAnswer answer;
    std::function<void(PgLink&)> job;  // set: a job instead of a batch
    std::function<void(std::exception_ptr)> jobDone;
  };
  void runJob(Task& task);

  void run();
  // A connection with the tables in place, or null while the server cannot
  // be reached (tried at most once per retry interval).
  PgLink* link();
  void write(files::store::RecordBatch& batch);  // with retries of a lost race
  // Writes the journal's batches; true when none is left.
  bool flushBacklog();
  void toJournal(files::store::RecordBatch& batch);
  // Checks a share of the numbers that came in unchecked, while no page waits.
  void checkSome();
  static constexpr int kChecksAtOnce = 500;
  void failed(const TeamError& error);
  void recovered();
  void written(const files::store::RecordBatch& batch);
  void statusChanged();

  const TeamStoreSetup setup_;
  files::store::WaitingJournal journal_;
  std::vector<std::unique_ptr<files::store::WaitingJournal>> adopted_;

  // The writer thread's own.
  std::unique_ptr<PgLink> link_;
  std::chrono::steady_clock::time_point lastTry_{};
  bool migrated_ = false;
  bool checksDue_ = true;  // numbers may wait unchecked, from here or elsewhere

  mutable std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<Task> queue_;
  std::deque<files::store::RecordBatch> held_;  // taken by neither server nor journal
  bool busy_ = false;
  bool stop_ = false;
  std::unordered_map<std::string, int> waitingListed_;
  std::int64_t queuedRows_ = 0, journalRows_ = 0;
  std::size_t journalBatches_ = 0;
  std::optional<std::string> failure_;  // the server's last refusal, UTF-8
  bool unreachable_ = false;
  std::optional<GbkString> lastStatus_;
  GbkString notice_;
  std::mutex notifying_;
  std::vector<std::pair<int, std::function<void()>>> listeners_;
  int nextListener_ = 1;
  std::thread thread_;
};

}  // namespace valo::team
