// The one way the store's writes are bracketed: a transaction begun on
// construction is rolled back on every way out that did not commit, so a
// thrown error never leaves a connection inside a half-written transaction.
#pragma once

#include <string_view>

#include "files/store/sqlite_handle.h"

namespace valo::files::store {

class Transaction {
 public:
  // BEGIN IMMEDIATE: the write lock is taken at once, so a busy store shows
  // here rather than half-way through the writes. `doing` names the work in
  // the error of a failed begin or commit. A Read one (plain BEGIN) keeps
  // one state of the store for a series of reads and takes no lock.
  enum class Kind { Write, Read };
  Transaction(Connection& db, std::string_view doing, Kind kind = Kind::Write);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void commit();

 private:
  Connection& db_;
  std::string_view doing_;
  bool open_ = false;
};

}  // namespace valo::files::store
