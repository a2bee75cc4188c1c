// libpq, opened when the program first talks to a team's server. Linked into
// the program, libpq brings Kerberos, LDAP, SASL and two TLS libraries that
// the loader would map and relocate at every start, for the many users who
// never join a team (about 15 ms of each start on two cores).
#pragma once

#include <libpq-fe.h>

namespace valo::team {

// The functions this program calls, by their own names and types.
struct LibPq {
  decltype(&::PQclear) PQclear = nullptr;
  decltype(&::PQcmdTuples) PQcmdTuples = nullptr;
  decltype(&::PQconnectdbParams) PQconnectdbParams = nullptr;
  decltype(&::PQenterPipelineMode) PQenterPipelineMode = nullptr;
  decltype(&::PQerrorMessage) PQerrorMessage = nullptr;
  decltype(&::PQexec) PQexec = nullptr;
  decltype(&::PQexecParams) PQexecParams = nullptr;
  decltype(&::PQexitPipelineMode) PQexitPipelineMode = nullptr;
  decltype(&::PQfinish) PQfinish = nullptr;
  decltype(&::PQgetResult) PQgetResult = nullptr;
  decltype(&::PQgetisnull) PQgetisnull = nullptr;
  decltype(&::PQgetlength) PQgetlength = nullptr;
  decltype(&::PQgetvalue) PQgetvalue = nullptr;
  decltype(&::PQntuples) PQntuples = nullptr;
  decltype(&::PQpipelineSync) PQpipelineSync = nullptr;
  decltype(&::PQresultErrorField) PQresultErrorField = nullptr;
  decltype(&::PQresultErrorMessage) PQresultErrorMessage = nullptr;
  decltype(&::PQresultStatus) PQresultStatus = nullptr;
  decltype(&::PQsendQueryParams) PQsendQueryParams = nullptr;
  decltype(&::PQsetClientEncoding) PQsetClientEncoding = nullptr;
  decltype(&::PQsetNoticeProcessor) PQsetNoticeProcessor = nullptr;
  decltype(&::PQstatus) PQstatus = nullptr;
};

// Loads libpq once, on the first call from any thread. Throws
// std::runtime_error naming the library when it or one of its functions
// cannot be found.
const LibPq& libpq();

}  // namespace valo::team
