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
  // the error of a failed begin or commit.
  Transaction(Connection& db, std::string_view doing);
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
