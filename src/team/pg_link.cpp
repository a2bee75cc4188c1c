// See pg_link.h.
#include "team/pg_link.h"

#include <charconv>

namespace valo::team {
namespace {

// SQLSTATE class 08 is a connection exception; 57P01 to 57P03 are the
// server shutting down or not yet accepting.
bool lostState(std::string_view state) {
  return state.substr(0, 2) == "08" || state == "57P01" || state == "57P02" || state == "57P03";
}

// libpq's messages run over several lines; a log takes one a message.
std::string oneLine(std::string message) {
  std::string out;
  for (const char c : message) {
    if (c == '\n' || c == '\t' || c == '\r') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace

std::string_view PgResult::text(int row, int column) const {
  return {libpq().PQgetvalue(result_, row, column), static_cast<std::size_t>(libpq().PQgetlength(result_, row, column))};
}

std::int64_t PgResult::integer(int row, int column) const {
  const std::string_view t = text(row, column);
  std::int64_t value = 0;
  std::from_chars(t.data(), t.data() + t.size(), value);
  return value;
}

std::int64_t PgResult::changed() const {
  const char* n = libpq().PQcmdTuples(result_);
  return n != nullptr && *n != '\0' ? std::stoll(n) : 0;
}

PgLink::PgLink(const std::string& conninfo, int connectTimeoutSeconds) {
  // The caller's string wins over the defaults given here.
  const char* keys[] = {"connect_timeout", "application_name", "client_encoding", "dbname", nullptr};
  const std::string timeout = std::to_string(connectTimeoutSeconds);
  const char* values[] = {timeout.c_str(), "valofax", "UTF8", conninfo.c_str(), nullptr};
  try {
    libpq();
  } catch (const std::exception& e) {
    throw TeamError("58000", false, std::string("connect to the team server: ") + e.what());
  }
  conn_ = libpq().PQconnectdbParams(keys, values, 1);
  if (conn_ == nullptr) throw TeamError("08000", true, "connect to the team server: out of memory");
  if (libpq().PQstatus(conn_) != CONNECTION_OK) {
    const std::string message = libpq().PQerrorMessage(conn_);
    libpq().PQfinish(conn_);
    conn_ = nullptr;
    throw TeamError("08001", true, "connect to the team server: " + oneLine(message));
  }
  libpq().PQsetClientEncoding(conn_, "UTF8");
  // The server's notices ("relation already exists, skipping") are no news
  // to the user, and would break a log of JSON lines.
  libpq().PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
}

PgLink::~PgLink() {
  if (conn_ != nullptr) libpq().PQfinish(conn_);
}

void PgLink::fail(PGresult* result, std::string_view doing) {
  const char* state = result != nullptr ? libpq().PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  std::string code = state != nullptr ? state : "";
  std::string message = result != nullptr ? libpq().PQresultErrorMessage(result) : "";
  if (message.empty()) message = libpq().PQerrorMessage(conn_);
  libpq().PQclear(result);
  const bool lost = libpq().PQstatus(conn_) != CONNECTION_OK || code.empty() || lostState(code);
  throw TeamError(code.empty() ? "08006" : code, lost, std::string(doing) + ": " + oneLine(message));
}

PgResult PgLink::exec(std::string_view sql, std::string_view doing) {
  PGresult* r = libpq().PQexec(conn_, std::string(sql).c_str());
  const ExecStatusType status = r != nullptr ? libpq().PQresultStatus(r) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(r, doing);
  return PgResult(r);
}

PgResult PgLink::exec(const std::string& sql, const std::vector<Param>& params, std::string_view doing) {
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const Param& p : params) values.push_back(p ? p->c_str() : nullptr);
  PGresult* r = libpq().PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                             nullptr, nullptr, 0);
  const ExecStatusType status = r != nullptr ? libpq().PQresultStatus(r) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(r, doing);
  return PgResult(r);
}

std::vector<PgResult> PgLink::pipeline(const std::vector<Statement>& statements) {
  if (libpq().PQenterPipelineMode(conn_) != 1) fail(nullptr, "send statements together");
  std::vector<PgResult> results;
  PGresult* firstFailure = nullptr;
  std::string_view failedDoing;
  bool sent = true;
  for (const Statement& st : statements) {
    std::vector<const char*> values;
    for (const Param& p : st.params) values.push_back(p ? p->c_str() : nullptr);
    if (libpq().PQsendQueryParams(conn_, st.sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                          nullptr, 0) != 1) {
      sent = false;
      failedDoing = st.doing;
      break;
    }
  }
  if (sent && libpq().PQpipelineSync(conn_) != 1) sent = false;
  if (!sent) {
    // The connection is broken; nothing can be read back from it.
    libpq().PQexitPipelineMode(conn_);
    fail(nullptr, failedDoing.empty() ? std::string_view("send statements together") : failedDoing);
  }
  // Every statement's results end with a null; the sync point ends all.
  for (std::size_t i = 0; i < statements.size(); ++i) {
    PGresult* kept = nullptr;
    while (PGresult* r = libpq().PQgetResult(conn_)) {
      if (kept == nullptr) {
        kept = r;
      } else {
        libpq().PQclear(r);
      }
    }
    const ExecStatusType status = kept != nullptr ? libpq().PQresultStatus(kept) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
      results.emplace_back(kept);
    } else if (firstFailure == nullptr && status != PGRES_PIPELINE_ABORTED) {
      firstFailure = kept;
      failedDoing = statements[i].doing;
    } else {
      libpq().PQclear(kept);
    }
    if (libpq().PQstatus(conn_) != CONNECTION_OK) break;
  }
  for (;;) {
    PGresult* r = libpq().PQgetResult(conn_);
    if (r == nullptr) break;
    const bool sync = libpq().PQresultStatus(r) == PGRES_PIPELINE_SYNC;
    libpq().PQclear(r);
    if (sync) break;
  }
  libpq().PQexitPipelineMode(conn_);
  if (firstFailure != nullptr || results.size() != statements.size()) {
    fail(firstFailure, failedDoing.empty() ? std::string_view("send statements together") : failedDoing);
  }
  return results;
}

PgTransaction::~PgTransaction() {
  if (!open_ || !link_.healthy()) return;
  try {
    link_.exec("ROLLBACK", "roll back");
  } catch (const TeamError&) {
    // The connection is going anyway; the server rolls back on its own.
  }
}

void PgTransaction::commit() {
  link_.exec("COMMIT", "commit");
  open_ = false;
}

std::string textArray(const std::vector<std::string_view>& values) {
  std::string out = "{";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ',';
    out += '"';
    for (const char c : values[i]) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    out += '"';
  }
  out += '}';
  return out;
}

}  // namespace valo::team
