// See store_transaction.h.
#include "files/store/store_transaction.h"

#include <string>

namespace valo::files::store {

Transaction::Transaction(Connection& db, std::string_view doing, Kind kind) : db_(db), doing_(doing) {
  db_.exec(kind == Kind::Write ? "BEGIN IMMEDIATE" : "BEGIN", std::string("begin ") + std::string(doing_));
  open_ = true;
}

Transaction::~Transaction() {
  // A failed statement may already have ended the transaction; ROLLBACK then
  // fails harmlessly, which is why its result is not looked at.
  if (open_ && sqlite3_get_autocommit(db_.get()) == 0) {
    sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

void Transaction::commit() {
  db_.exec("COMMIT", std::string("commit ") + std::string(doing_));
  open_ = false;
}

}  // namespace valo::files::store
