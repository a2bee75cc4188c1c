// Writes record batches into the store's tables, inside a transaction the
// caller holds: the search's row found by its key and brought up to date,
// a sighting per row, and the `numbers` row of every number listed or known.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "files/store/sqlite_handle.h"
#include "files/store/store_batch.h"

namespace valo::files::store {

class BatchWriter {
 public:
  // `machine` goes into every search and sighting written (empty: NULL).
  BatchWriter(Connection& db, std::string machine = {});
  ~BatchWriter();
  BatchWriter(const BatchWriter&) = delete;
  BatchWriter& operator=(const BatchWriter&) = delete;

  // Writes `batch`; a batch from the journal whose key the store already
  // has is passed over. Returns false when it was.
  bool write(const RecordBatch& batch);
  // After a rolled-back transaction the ids it gave searches are void.
  void forgetSearchIds() { searchIds_.clear(); }
  // The numbers that write() made new to the store are written unchecked,
  // so that a page is on the disk without waiting for libphonenumber; this
  // checks them and writes the verdicts in a transaction of their own.
  // Returns whether any were written. On a failure (a busy store) they are
  // kept for the next call; the background checks find any a kill left. A
  // number whose row a rollback took back is passed over: only rows still
  // unchecked are written.
  bool checkNew();

 private:
  struct Statements;
  std::int64_t searchId(const SearchRecord& search);

  Connection& db_;
  std::string machine_;
  std::unique_ptr<Statements> st_;
  std::unordered_map<std::string, std::int64_t> searchIds_;  // by run key
  std::vector<std::string> unchecked_;  // new since the last checkNew()
};

}  // namespace valo::files::store
