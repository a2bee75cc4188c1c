// See store_import.h. The checks of libphonenumber cost far more than the
// rest of an import (tens of microseconds a number, behind locks of its own
// that a second thread only contends for), so an import leaves its new
// numbers unchecked and NumberCheckWorker fills the checks in afterwards.
#include "files/store/store_import.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <future>
#include <thread>

#include "files/atomic_file.h"
#include "files/store/list_lines.h"
#include "files/store/number_runs.h"
#include "files/store/number_store.h"
#include "files/store/store_schema.h"
#include "files/store/store_transaction.h"
#include "harvest/fax_extractor.h"
#include "text/app_error.h"

namespace valo::files::store {
namespace {

constexpr std::int64_t kReportEvery = 4096;
// How many rows go between two looks at the clock inside a transaction.
constexpr std::int64_t kClockEvery = 32;
constexpr char kAddedTag = 'A';
constexpr char kSourceTag = 'S';

bool isBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

// Ends a batch at whichever of its limits comes first.
class BatchLimit {
 public:
  explicit BatchLimit(const ImportLimits& limits)
      : rows_(limits.batchRows), until_(std::chrono::steady_clock::now() + limits.batchTime) {}
  bool reached(std::int64_t rows) const {
    return rows >= rows_ ||
           (rows % kClockEvery == 0 && rows > 0 && std::chrono::steady_clock::now() >= until_);
  }

 private:
  std::int64_t rows_;
  std::chrono::steady_clock::time_point until_;
};

}  // namespace

struct NumberImport::State {
  ImportLimits limits;
  QTemporaryDir dir;
  std::string folder;  // the temporary folder, local encoding
  std::string source;  // the file's name, as `numbers.source` holds it
  std::string now;
  ImportOutcome outcome;
  std::int64_t distinct = 0;
  std::int64_t written = 0;
  std::int64_t undoRecords = 0;
  std::int64_t undone = 0;
  std::unique_ptr<LineFileReader> numbers;  // the distinct numbers, in order
  std::unique_ptr<LineFileWriter> undoLog;
  std::unique_ptr<LineFileReader> undoReader;
  std::string current;

  State(const QString& workFolder, const ImportLimits& l)
      : limits(l), dir(QDir(workFolder).filePath(QStringLiteral("valofax-import-XXXXXX"))) {}
  std::string file(const char* name) const { return folder + "/" + name; }
};

NumberImport::NumberImport(const QString& workFolder, const ImportLimits& limits)
    : s_(std::make_unique<State>(workFolder, limits)) {
  if (!s_->dir.isValid()) {
    throw AppError(gbk("无法创建临时文件夹：") + toGbk(s_->dir.errorString()) + gbk("（") +
                   toGbk(workFolder) + gbk("）"));
  }
  s_->folder = localPath(s_->dir.path());
}

NumberImport::~NumberImport() = default;

const ImportOutcome& NumberImport::outcome() const {
  return s_->outcome;
}
std::int64_t NumberImport::distinctNumbers() const {
  return s_->distinct;
}
std::int64_t NumberImport::written() const {
  return s_->written;
}
std::int64_t NumberImport::toUndo() const {
  return s_->undoRecords;
}

std::int64_t NumberImport::undone() const {
  return s_->undone;
}

bool NumberImport::prepare(const QString& path, const ImportProgress& progress, std::stop_token stop) {
  State& s = *s_;
  s.source = QFileInfo(path).fileName().toStdString();
  s.now = storeTime(QDateTime::currentDateTime());
  // At most twice: the second time as GBK, when the file was taken for UTF-8
  // until a line showed otherwise.
  for (const bool asGbk : {false, true}) {
    ImportOutcome counts;
    NumberRuns runs(s.folder, s.limits.runBytes);
    ListLines lines(path, asGbk);
    std::int64_t read = 0;
    for (std::string_view line; lines.next(line);) {
      if (++read % kReportEvery == 0) {
        if (stop.stop_requested()) return false;
        if (progress) progress(ImportStage::Reading, lines.bytesRead(), lines.size());
      }
      if (isBlank(line)) continue;
      ++counts.lines;
      if (std::optional<GbkString> number = numberFromListLine(line)) {
        runs.add(*number);
      } else {
        ++counts.withoutNumber;
      }
    }
    if (lines.rereadAsGbk()) continue;
    const std::string sorted = s.file("numbers");
    const std::optional<std::int64_t> distinct = runs.finish(sorted, stop);
    if (!distinct) return false;
    counts.repeated = runs.added() - *distinct;
    s.outcome = counts;
    s.distinct = *distinct;
    s.numbers = std::make_unique<LineFileReader>(sorted);
    if (progress) progress(ImportStage::Reading, lines.size(), lines.size());
    return true;
  }
  return false;  // not reached: a GBK reading never asks for another
}

// Numbers go in sorted, so that each insert lands on or next to the page the
// one before it wrote (the table and both indexes are keyed by the number or
// begin with the same import time) and a small page cache stays warm. What a
// batch changes is on the undo record before the batch commits: a record of
// a change rolled back is harmless, a change without a record would stay.
bool NumberImport::writeNextBatch(Connection& db) {
  State& s = *s_;
  if (!s.numbers || s.written == s.distinct) return false;
  if (!s.undoLog) s.undoLog = std::make_unique<LineFileWriter>(s.file("undo"));
  Transaction transaction(db, "import numbers");
  Statement insert(db.get(),
                   "INSERT OR IGNORE INTO numbers (number, first_seen, last_seen, times_seen, source) "
                   "VALUES (?1, ?2, ?2, 0, ?3)");
  Statement giveSource(db.get(), "UPDATE numbers SET source = ?2 WHERE number = ?1 AND source IS NULL");
  insert.bind(2, s.now, true).bind(3, s.source, true);
  giveSource.bind(2, s.source, true);
  std::int64_t rows = 0;
  std::int64_t added = 0;
  const BatchLimit limit(s.limits);
  while (s.written + rows < s.distinct && !limit.reached(rows) && s.numbers->next(s.current)) {
    ++rows;
    insert.bind(1, s.current, true).step();
    insert.reset();
    if (sqlite3_changes(db.get()) > 0) {
      ++added;
      s.undoLog->write(kAddedTag, s.current);
      ++s.undoRecords;
      continue;
    }
    giveSource.bind(1, s.current, true).step();
    giveSource.reset();
    if (sqlite3_changes(db.get()) > 0) {
      s.undoLog->write(kSourceTag, s.current);
      ++s.undoRecords;
    }
  }
  s.undoLog->flush();
  transaction.commit();
  s.written += rows;
  s.outcome.added += added;
  s.outcome.known += rows - added;
  // Only a damaged disk ends the sorted file early; the writing ends there.
  if (rows == 0) s.written = s.distinct;
  return s.written < s.distinct;
}

bool NumberImport::undoNextBatch(Connection& db) {
  State& s = *s_;
  if (s.undone == s.undoRecords) return false;
  if (!s.undoReader) {
    s.numbers.reset();
    // Every batch's records were flushed before it committed; what a failed
    // batch left in the stream's buffer was never committed.
    s.undoLog.reset();
    s.undoReader = std::make_unique<LineFileReader>(s.file("undo"));
  }
  Transaction transaction(db, "take back an import");
  // A number a search has listed since (times_seen) stays, as the search's.
  Statement drop(db.get(), "DELETE FROM numbers WHERE number = ?1 AND source = ?2 AND times_seen = 0");
  Statement clear(db.get(), "UPDATE numbers SET source = NULL WHERE number = ?1 AND source = ?2");
  drop.bind(2, s.source, true);
  clear.bind(2, s.source, true);
  std::int64_t rows = 0;
  const BatchLimit limit(s.limits);
  while (s.undone + rows < s.undoRecords && !limit.reached(rows) && s.undoReader->next(s.current)) {
    ++rows;
    const std::string_view number = std::string_view(s.current).substr(1);
    if (s.current.front() == kAddedTag) {
      drop.bind(1, number, true).step();
      drop.reset();
      if (sqlite3_changes(db.get()) > 0) continue;
    }
    clear.bind(1, number, true).step();
    clear.reset();
  }
  transaction.commit();
  s.undone += rows;
  if (rows == 0) s.undone = s.undoRecords;
  return s.undone < s.undoRecords;
}

std::vector<std::string> NumberImport::nextNumbers() {
  State& s = *s_;
  std::vector<std::string> out;
  if (!s.numbers) return out;
  while (s.written + static_cast<std::int64_t>(out.size()) < s.distinct &&
         static_cast<std::int64_t>(out.size()) < s.limits.batchRows && s.numbers->next(s.current)) {
    out.push_back(s.current);
  }
  return out;
}

void NumberImport::wrote(std::int64_t rows, const std::vector<std::string>& added,
                         const std::vector<std::string>& givenSource) {
  State& s = *s_;
  if (!s.undoLog) s.undoLog = std::make_unique<LineFileWriter>(s.file("undo"));
  for (const std::string& n : added) s.undoLog->write(kAddedTag, n);
  for (const std::string& n : givenSource) s.undoLog->write(kSourceTag, n);
  s.undoLog->flush();
  s.undoRecords += static_cast<std::int64_t>(added.size() + givenSource.size());
  s.written += rows;
  s.outcome.added += static_cast<std::int64_t>(added.size());
  s.outcome.known += rows - static_cast<std::int64_t>(added.size());
  if (rows == 0) s.written = s.distinct;
}

std::vector<std::pair<bool, std::string>> NumberImport::nextUndo() {
  State& s = *s_;
  std::vector<std::pair<bool, std::string>> out;
  if (s.undone == s.undoRecords) return out;
  if (!s.undoReader) {
    s.numbers.reset();
    s.undoLog.reset();
    s.undoReader = std::make_unique<LineFileReader>(s.file("undo"));
  }
  while (s.undone + static_cast<std::int64_t>(out.size()) < s.undoRecords &&
         static_cast<std::int64_t>(out.size()) < s.limits.batchRows && s.undoReader->next(s.current)) {
    out.emplace_back(s.current.front() == kAddedTag, s.current.substr(1));
  }
  s.undone += static_cast<std::int64_t>(out.size());
  if (out.empty()) s.undone = s.undoRecords;
  return out;
}

const std::string& NumberImport::source() const {
  return s_->source;
}
const std::string& NumberImport::importTime() const {
  return s_->now;
}

std::optional<GbkString> numberFromListLine(std::string_view line) {
  // A line copied from a page with its label ("传真：0755-...") is read the
  // way the page would be; a bare number as if the label stood before it.
  if (std::optional<GbkString> labelled = harvest::extractCandidate(line)) return labelled;
  // One buffer for every line: a million lines need no million allocations.
  thread_local GbkString marked;
  marked.assign("FAX:");
  marked.append(line);
  return harvest::extractCandidate(marked);
}

namespace {

// Runs one step of the writing or the undo on a store connection: the
// caller's own, or the store's writer between two pages of a search.
using OnStore = std::function<bool(const std::function<bool(Connection&)>& step)>;

class StepsOnConnection : public ImportSteps {
 public:
  explicit StepsOnConnection(OnStore onStore) : onStore_(std::move(onStore)) {}
  bool writeNext(NumberImport& job) override {
    return onStore_([&job](Connection& db) { return job.writeNextBatch(db); });
  }
  bool undoNext(NumberImport& job) override {
    return onStore_([&job](Connection& db) { return job.undoNextBatch(db); });
  }

 private:
  OnStore onStore_;
};

void takeBack(ImportSteps& steps, NumberImport& job, const ImportProgress& progress, const ImportLimits& limits) {
  // A record is kept for every number the import added and every source it
  // gave, so the undo counts those, not the numbers written.
  const auto total = static_cast<std::uint64_t>(job.toUndo());
  for (;;) {
    if (progress) progress(ImportStage::Undoing, static_cast<std::uint64_t>(job.undone()), total);
    if (!steps.undoNext(job)) break;
    std::this_thread::sleep_for(limits.pause);
  }
}

// A commit with synchronous=FULL waits for the disk while it holds the write
// lock; under a busy disk that alone can pass 100 ms. With NORMAL in WAL mode
// the disk is waited for at checkpoints, outside the lock, and the store stays
// consistent through a power cut, which may lose the last batches: a killed
// import keeps only part of the file either way. The connection's own
// setting comes back afterwards.
class SyncAtCheckpoints {
 public:
  explicit SyncAtCheckpoints(Connection& db) : db_(db), kept_(db.scalar("PRAGMA synchronous")) {
    db_.exec("PRAGMA synchronous = NORMAL", "set the import's synchronous mode");
  }
  ~SyncAtCheckpoints() {
    const std::string restore = "PRAGMA synchronous = " + std::to_string(kept_);
    sqlite3_exec(db_.get(), restore.c_str(), nullptr, nullptr, nullptr);
  }

 private:
  Connection& db_;
  std::int64_t kept_;
};

ImportOutcome cancelledAfter(const ImportOutcome& outcome) {
  ImportOutcome cancelled;
  cancelled.lines = outcome.lines;
  cancelled.cancelled = true;
  return cancelled;
}

}  // namespace

ImportOutcome runNumberImport(ImportSteps& steps, const QString& path, const QString& workFolder,
                              const ImportProgress& progress, std::stop_token stop, const ImportLimits& limits) {
  NumberImport job(workFolder, limits);
  try {
    if (!job.prepare(path, progress, stop)) return cancelledAfter(job.outcome());
    const auto total = static_cast<std::uint64_t>(job.distinctNumbers());
    for (;;) {
      if (progress) progress(ImportStage::Writing, static_cast<std::uint64_t>(job.written()), total);
      if (stop.stop_requested()) {
        takeBack(steps, job, progress, limits);
        return cancelledAfter(job.outcome());
      }
      if (!steps.writeNext(job)) break;
      std::this_thread::sleep_for(limits.pause);
    }
  } catch (...) {
    const std::exception_ptr failure = std::current_exception();
    try {
      takeBack(steps, job, progress, limits);
    } catch (const AppError& e) {
      throw AppError(gbk("导入失败后未能撤销已写入的号码：") + e.message());
    } catch (const std::exception& e) {
      throw AppError(gbk("导入失败后未能撤销已写入的号码：") + gbkFromUtf8(e.what()));
    }
    std::rethrow_exception(failure);
  }
  return job.outcome();
}

ImportOutcome runNumberImport(Connection& db, const QString& path, const QString& workFolder,
                              const ImportProgress& progress, std::stop_token stop,
                              const ImportLimits& limits) {
  const SyncAtCheckpoints sync(db);
  StepsOnConnection steps([&db](const std::function<bool(Connection&)>& step) { return step(db); });
  return runNumberImport(steps, path, workFolder, progress, stop, limits);
}

ImportOutcome runNumberImport(NumberStore& store, const QString& path, const QString& workFolder,
                              const ImportProgress& progress, std::stop_token stop,
                              const ImportLimits& limits) {
  const OnStore onWriter = [&store](const std::function<bool(Connection&)>& step) {
    std::promise<bool> done;
    std::future<bool> result = done.get_future();
    bool more = false;
    store.post([&](Connection& db) { more = step(db); },
               [&done, &more](std::exception_ptr error) {
                 if (error) {
                   done.set_exception(error);
                 } else {
                   done.set_value(more);
                 }
               });
    return result.get();
  };
  StepsOnConnection steps(onWriter);
  return runNumberImport(steps, path, workFolder, progress, stop, limits);
}

ImportOutcome importNumberList(Connection& db, const QString& path, const ImportLimits& limits) {
  return runNumberImport(db, path, QDir::tempPath(), {}, std::stop_token{}, limits);
}

}  // namespace valo::files::store
