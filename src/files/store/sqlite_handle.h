// A thin owner of SQLite connections and prepared statements, so that every
// failure becomes an AppError that names what was being done and no handle
// outlives an exception.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace valo::files::store {

// The error of a failed SQLite call: the SQLite result code (extended) and
// message, prefixed with what was being done.
class SqliteError : public std::runtime_error {
 public:
  SqliteError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
  int code() const { return code_; }  // extended result code
  int primaryCode() const { return code_ & 0xff; }

 private:
  int code_;
};

// Throws SqliteError when `rc` is not SQLITE_OK / SQLITE_ROW / SQLITE_DONE.
void check(sqlite3* db, int rc, std::string_view doing);

class Connection {
 public:
  Connection() = default;
  // Opens `path` (UTF-8) with `flags` (SQLITE_OPEN_*). Throws on failure.
  Connection(const std::string& path, int flags);
  ~Connection();
  Connection(Connection&& other) noexcept : db_(other.db_) { other.db_ = nullptr; }
  Connection& operator=(Connection&& other) noexcept;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* get() const { return db_; }
  explicit operator bool() const { return db_ != nullptr; }
  // Runs one or more statements without results.
  void exec(std::string_view sql, std::string_view doing);
  // The first column of the first row of a query, as an integer (0 when no row).
  std::int64_t scalar(std::string_view sql);

 private:
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Binding by 1-based index; text is copied by SQLite (SQLITE_TRANSIENT)
  // unless `stable` says it outlives the statement's next reset.
  Statement& bind(int index, std::int64_t value);
  Statement& bind(int index, std::string_view text, bool stable = false);
  Statement& bindNull(int index);
  // Steps once: true with a row, false when done. Throws on error.
  bool step();
  // Resets for another run with new bindings (bindings are kept).
  void reset();

  std::int64_t columnInt(int index) const { return sqlite3_column_int64(stmt_, index); }
  std::string_view columnText(int index) const;
  bool columnIsNull(int index) const { return sqlite3_column_type(stmt_, index) == SQLITE_NULL; }
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace valo::files::store
