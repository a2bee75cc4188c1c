// Import of number lists as known numbers: any text file with one number a
// line, in GBK or UTF-8, with CR LF or LF line ends. Each line is read by the
// extractor's own number rules, as if it stood behind a fax label, so an
// imported number is written exactly as a search would list it.
//
// An import of any size takes a bounded amount of memory and never holds the
// store's write lock for long: the file is read as a stream, its numbers are
// sorted in runs on the disk and merged into distinct numbers (no store
// access), and those are written a short transaction at a time. A record of
// what each transaction changed lets a cancel or a failure take the import
// back out again.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/store/sqlite_handle.h"
#include "text/gbk.h"

namespace valo::files::store {

class NumberStore;

struct ImportOutcome {
  std::int64_t lines = 0;          // lines that are not blank
  std::int64_t added = 0;          // numbers new to the store
  std::int64_t known = 0;          // numbers the store had already
  std::int64_t repeated = 0;       // lines whose number an earlier line of the file gave
  std::int64_t withoutNumber = 0;  // lines that give no number
  bool cancelled = false;          // nothing of the file was kept
};

struct ImportLimits {
  // Memory for numbers gathered before a sorted run goes to the disk.
  std::size_t runBytes = std::size_t{32} << 20;
  // One transaction's work: whichever limit comes first ends it.
  std::int64_t batchRows = 20000;
  std::chrono::milliseconds batchTime{60};
  // Between two transactions the write lock is left free this long, so that
  // a search waiting for it is sure to get it: SQLite's busy wait looks for
  // it at most 25 ms apart during its first 128 ms.
  std::chrono::milliseconds pause{30};
};

enum class ImportStage { Reading, Writing, Undoing };

// Told of the stage and of its work done so far and in all (bytes read,
// numbers written or taken back); called on the thread doing the work.
using ImportProgress = std::function<void(ImportStage stage, std::uint64_t done, std::uint64_t total)>;

// The number a list line (GBK) gives, or nullopt: the number behind the
// line's own fax label if it has one, else the line read as a number.
std::optional<GbkString> numberFromListLine(std::string_view line);

// One file's import in steps that each fit between the other writes to the
// store: prepare() touches no store, and each writeNextBatch() or
// undoNextBatch() is one short transaction on the connection it is given.
// New numbers get the file's name as their source and are left unchecked
// (valid NULL) for NumberCheckWorker; numbers the store has keep their row
// and get the file's name only when they have no source.
class NumberImport {
 public:
  // Keeps its sorted runs and undo record in a temporary folder made inside
  // `workFolder` and removed with the object. Throws AppError when it
  // cannot be made.
  explicit NumberImport(const QString& workFolder, const ImportLimits& limits = {});
  ~NumberImport();
  NumberImport(const NumberImport&) = delete;
  NumberImport& operator=(const NumberImport&) = delete;

  // Reads `path` into sorted distinct numbers. False when `stop` was
  // requested. Throws AppError when the file or a temporary file cannot be
  // read or written.
  bool prepare(const QString& path, const ImportProgress& progress, std::stop_token stop);
  // Writes the next numbers in one transaction; false once all are written.
  // Throws SqliteError or AppError; what earlier calls wrote stays until undo.
  bool writeNextBatch(Connection& db);
  // Takes back, one transaction a call, what the writing did: numbers it
  // added are deleted unless a search has seen them since, sources it gave
  // are cleared. False once nothing is left to take back.
  bool undoNextBatch(Connection& db);

  // For a store of another kind, which writes a batch its own way: the next
  // numbers in order (at most the batch's rows), and what writing them did,
  // which the undo record keeps before the caller commits. Then the undo's
  // next records: each number with whether the import had added it (else it
  // gave it its source).
  std::vector<std::string> nextNumbers();
  void wrote(std::int64_t rows, const std::vector<std::string>& added, const std::vector<std::string>& givenSource);
  std::vector<std::pair<bool, std::string>> nextUndo();
  const std::string& source() const;      // the file's name, as numbers.source holds it
  const std::string& importTime() const;  // the store's text for the import's start

  // The counts so far; `added` and `known` grow with the writing.
  const ImportOutcome& outcome() const;
  std::int64_t distinctNumbers() const;  // known after prepare()
  std::int64_t written() const;          // distinct numbers written so far
  std::int64_t toUndo() const;           // records the undo has to take back
  std::int64_t undone() const;           // records taken back so far

 private:
  struct State;
  std::unique_ptr<State> s_;
};

// How an import's batches reach a store: each call writes or takes back one
// batch of `job` in one transaction, on the thread the store writes on;
// false once nothing is left. Throws what the store throws.
class ImportSteps {
 public:
  virtual ~ImportSteps() = default;
  virtual bool writeNext(NumberImport& job) = 0;
  virtual bool undoNext(NumberImport& job) = 0;
};

// A whole import through `steps`: prepare on the calling thread, then the
// batches with the pause between them, and the undo after a requested stop
// or a failure (a failure is then thrown on).
ImportOutcome runNumberImport(ImportSteps& steps, const QString& path, const QString& workFolder,
                              const ImportProgress& progress, std::stop_token stop, const ImportLimits& limits = {});

// A whole import on the calling thread, over its own connection or one it
// shares with nothing running meanwhile, which waits seconds for the write
// lock (sqlite3_busy_timeout) rather than fail beside a search: prepare, then the batches with the
// pause between them, and the undo after a requested stop or a failure
// (a failure is then thrown on). The counts come back with cancelled set,
// and nothing of the file in the store, when `stop` was requested.
ImportOutcome runNumberImport(Connection& db, const QString& path, const QString& workFolder,
                              const ImportProgress& progress, std::stop_token stop,
                              const ImportLimits& limits = {});

// The same with every transaction run by the store's writer, between two
// pages of a running search; the reading and sorting stay on the calling
// thread. This is how the program imports.
ImportOutcome runNumberImport(NumberStore& store, const QString& path, const QString& workFolder,
                              const ImportProgress& progress, std::stop_token stop,
                              const ImportLimits& limits = {});

// runNumberImport without progress or cancel, its work in the system's
// temporary folder.
ImportOutcome importNumberList(Connection& db, const QString& path, const ImportLimits& limits = {});

}  // namespace valo::files::store
