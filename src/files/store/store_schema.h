// The number store's tables. The file is part of the program's interface:
// users query it with the sqlite3 shell and other tools, so a column once
// published keeps its name and meaning, and every later version migrates an
// older file forward (PRAGMA user_version says which version a file has).
#pragma once

#include <string>
#include <vector>

#include "files/store/sqlite_handle.h"
#include "harvest/number_check.h"

class QDateTime;

namespace valo::files::store {

inline constexpr int kSchemaVersion = 3;

// Brings the store in `db` to kSchemaVersion inside one transaction: an
// empty file gets every table, an older version is migrated. Throws
// SqliteError on failure and NewerStoreError when the file's version is
// newer than this program knows, which it then leaves untouched.
void createOrMigrate(Connection& db);

class NewerStoreError : public std::runtime_error {
 public:
  explicit NewerStoreError(int version);
  int version() const { return version_; }

 private:
  int version_;
};

// The store's text for a number's kind, as the `numbers.kind` column holds it.
inline constexpr const char* kKindFixed = "fixed";
inline constexpr const char* kKindMobile = "mobile";
inline constexpr const char* kKindOther = "other";
const char* storeKindText(harvest::NumberKind kind);
// Writes the checks of `numbers` (valid, kind, region) in one transaction,
// each only while its row is still unchecked: a number checked meanwhile,
// or gone, is passed over.
void writeNumberChecks(Connection& db, const std::vector<std::string>& numbers,
                       const std::vector<harvest::NumberCheck>& checks);

// The store's text for a time: ISO 8601 local time, "2026-12-08T14:05:30".
std::string storeTime(const QDateTime& time);
// Not a column value: the filter's word for numbers whose check is pending.
inline constexpr const char* kKindUnchecked = "unchecked";

}  // namespace valo::files::store
