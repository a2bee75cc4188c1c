// See sqlite_handle.h.
#include "files/store/sqlite_handle.h"

#include <stdexcept>

namespace valo::files::store {

void check(sqlite3* db, int rc, std::string_view doing) {
  if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return;
  const int code = db != nullptr ? sqlite3_extended_errcode(db) : rc;
  const char* message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  throw SqliteError(code, std::string(doing) + ": " + message);
}

Connection::Connection(const std::string& path, int flags) {
  const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    const int code = db_ != nullptr ? sqlite3_extended_errcode(db_) : rc;
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw SqliteError(code, "open " + path + ": " + message);
  }
  sqlite3_extended_result_codes(db_, 1);
}

Connection::~Connection() {
  if (db_ != nullptr) sqlite3_close_v2(db_);
}

Connection& Connection::operator=(Connection&& other) noexcept {
  if (this != &other) {
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = other.db_;
    other.db_ = nullptr;
  }
  return *this;
}

void Connection::exec(std::string_view sql, std::string_view doing) {
  char* error = nullptr;
  const int rc = sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, &error);
  if (rc != SQLITE_OK) {
    const std::string message = error != nullptr ? error : sqlite3_errstr(rc);
    sqlite3_free(error);
    throw SqliteError(sqlite3_extended_errcode(db_), std::string(doing) + ": " + message);
  }
}

std::int64_t Connection::scalar(std::string_view sql) {
  Statement statement(db_, sql);
  return statement.step() ? statement.columnInt(0) : 0;
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
  check(db_, sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr),
        "prepare " + std::string(sql.substr(0, 60)));
}

Statement::~Statement() {
  sqlite3_finalize(stmt_);
}

Statement& Statement::bind(int index, std::int64_t value) {
  check(db_, sqlite3_bind_int64(stmt_, index, value), "bind");
  return *this;
}

Statement& Statement::bind(int index, std::string_view text, bool stable) {
  check(db_,
        sqlite3_bind_text64(stmt_, index, text.data(), text.size(), stable ? SQLITE_STATIC : SQLITE_TRANSIENT,
                            SQLITE_UTF8),
        "bind");
  return *this;
}

Statement& Statement::bindNull(int index) {
  check(db_, sqlite3_bind_null(stmt_, index), "bind");
  return *this;
}

bool Statement::step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  // The statement must be usable again after a failed step (a busy store).
  const int code = sqlite3_extended_errcode(db_);
  const std::string message = sqlite3_errmsg(db_);
  sqlite3_reset(stmt_);
  throw SqliteError(code, "step: " + message);
}

void Statement::reset() {
  sqlite3_reset(stmt_);
}

std::string_view Statement::columnText(int index) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
  if (text == nullptr) return {};
  return {text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, index))};
}

}  // namespace valo::files::store
