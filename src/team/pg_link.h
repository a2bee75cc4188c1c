// A thin owner of one libpq connection, so that every failure becomes a
// TeamError that names what was being done, tells a lost connection from a
// refused statement, and no result outlives an exception.
#pragma once

#include <libpq-fe.h>

#include "team/libpq_loader.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace valo::team {

class TeamError : public std::runtime_error {
 public:
  TeamError(std::string sqlState, bool connectionLost, const std::string& what)
      : std::runtime_error(what), sqlState_(std::move(sqlState)), connectionLost_(connectionLost) {}
  const std::string& sqlState() const { return sqlState_; }
  // The server could not be reached or went away: worth trying again later,
  // unlike a statement the server refused.
  bool connectionLost() const { return connectionLost_; }

 private:
  std::string sqlState_;
  bool connectionLost_;
};

// One row-set; values are UTF-8 text as the server sends them.
class PgResult {
 public:
  explicit PgResult(PGresult* result) : result_(result) {}
  ~PgResult() { libpq().PQclear(result_); }
  PgResult(PgResult&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
  PgResult(const PgResult&) = delete;
  PgResult& operator=(const PgResult&) = delete;

  int rows() const { return libpq().PQntuples(result_); }
  std::string_view text(int row, int column) const;
  std::int64_t integer(int row, int column) const;
  bool isNull(int row, int column) const { return libpq().PQgetisnull(result_, row, column) != 0; }
  // Rows changed by an INSERT, UPDATE or DELETE.
  std::int64_t changed() const;

 private:
  PGresult* result_;
};

using Param = std::optional<std::string>;  // nullopt is SQL NULL

class PgLink {
 public:
  // Connects with a libpq connection string or service ("service=team");
  // the password comes from where libpq keeps it, never from here.
  explicit PgLink(const std::string& conninfo, int connectTimeoutSeconds = 5);
  ~PgLink();
  PgLink(const PgLink&) = delete;
  PgLink& operator=(const PgLink&) = delete;

  PGconn* get() const { return conn_; }
  bool healthy() const { return conn_ != nullptr && libpq().PQstatus(conn_) == CONNECTION_OK; }
  // Runs statements without parameters (several, separated by ';').
  PgResult exec(std::string_view sql, std::string_view doing);
  PgResult exec(const std::string& sql, const std::vector<Param>& params, std::string_view doing);
  struct Statement {
    std::string sql;
    std::vector<Param> params;
    std::string_view doing;
  };
  // Sends the statements together and waits once for all their results: one
  // round trip. Outside a BEGIN they run as one transaction. The first
  // failure is thrown; the server skipped every statement after it.
  std::vector<PgResult> pipeline(const std::vector<Statement>& statements);

 private:
  [[noreturn]] void fail(PGresult* result, std::string_view doing);
  PGconn* conn_ = nullptr;
};

// A transaction rolled back unless committed.
class PgTransaction {
 public:
  explicit PgTransaction(PgLink& link) : link_(link) { link_.exec("BEGIN", "begin a transaction"); }
  ~PgTransaction();
  void commit();

 private:
  PgLink& link_;
  bool open_ = true;
};

// A text array literal for `$n::text[]`, so that many rows travel as one
// parameter.
std::string textArray(const std::vector<std::string_view>& values);

}  // namespace valo::team
