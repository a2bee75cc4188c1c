// See store_schema.h. Version 3:
//
// searches   one row per search: when it ran, with which settings, what it
//            read and listed, and the end text of panel 6.
// sightings  one row per number listed (skipped = 0) or left out because the
//            store already had it (skipped = 1) or because the wider reading
//            found it no valid number (skipped = 1, rejected = 1; such a
//            number gets no row in `numbers`), with where it was read:
//            keyword line, engine box text, page address and number, and the
//            page line. Imported numbers have no sightings.
// numbers    one row per distinct number: its checks (valid, kind, region;
//            valid and kind NULL while an imported number awaits its check),
//            where it was first seen, when last, how often, and the file it
//            was imported from (source, NULL for numbers a search found).
//            The number store window and the 历史去重 look-up read this.
// machine    on searches and sightings (version 3): the machine that made
//            them, NULL for rows of earlier versions.
// journal_batches  the keys of batches of records that waited in the journal
//            file beside the store and have been written (version 2, with
//            searches.run_key, the key of a search made while the store waited).
//
// Times are ISO 8601 local time ("2026-12-08T14:05:30"); text is UTF-8.
#include "files/store/store_schema.h"

#include <QDateTime>
#include <string>

#include "files/store/store_transaction.h"

namespace valo::files::store {
namespace {

constexpr const char* kVersion1 = R"sql(
CREATE TABLE searches (
  id             INTEGER PRIMARY KEY,
  started_at     TEXT NOT NULL,
  ended_at       TEXT,
  engine         TEXT NOT NULL,
  pause_seconds  INTEGER NOT NULL,
  start_line     INTEGER NOT NULL,
  pages_read     INTEGER NOT NULL DEFAULT 0,
  refusals       INTEGER NOT NULL DEFAULT 0,
  numbers_listed INTEGER NOT NULL DEFAULT 0,
  end_text       TEXT
);
CREATE TABLE sightings (
  id           INTEGER PRIMARY KEY,
  number       TEXT NOT NULL,
  seen_at      TEXT NOT NULL,
  search_id    INTEGER REFERENCES searches(id),
  keyword      TEXT,
  keyword_line INTEGER,
  engine       TEXT,
  page_url     TEXT,
  page_number  INTEGER,
  line         TEXT,
  skipped      INTEGER NOT NULL DEFAULT 0 CHECK (skipped IN (0, 1)),
  rejected     INTEGER NOT NULL DEFAULT 0 CHECK (rejected IN (0, 1))
);
CREATE INDEX sightings_by_number ON sightings(number);
CREATE INDEX sightings_by_search ON sightings(search_id);
CREATE TABLE numbers (
  number          TEXT PRIMARY KEY,
  valid           INTEGER CHECK (valid IN (0, 1)),
  kind            TEXT,
  region          TEXT NOT NULL DEFAULT '',
  first_seen      TEXT NOT NULL,
  last_seen       TEXT NOT NULL,
  times_seen      INTEGER NOT NULL DEFAULT 0,
  first_search_id INTEGER REFERENCES searches(id),
  first_keyword   TEXT,
  first_engine    TEXT,
  first_page_url  TEXT,
  source_line     TEXT,
  source          TEXT
) WITHOUT ROWID;
CREATE INDEX numbers_by_first_seen ON numbers(first_seen);
CREATE INDEX numbers_unchecked ON numbers(number) WHERE valid IS NULL;
)sql";

// Records that waited in the journal beside the store are written with the
// key of their batch, in the same transaction, so a batch written just before
// a kill is not written twice when the journal is read again; a search made
// while the store waited is found again by its key.
constexpr const char* kVersion2 = R"sql(
ALTER TABLE searches ADD COLUMN run_key TEXT;
CREATE UNIQUE INDEX searches_by_run_key ON searches(run_key) WHERE run_key IS NOT NULL;
CREATE TABLE journal_batches (
  batch      TEXT PRIMARY KEY,
  written_at TEXT NOT NULL
) WITHOUT ROWID;
)sql";

// The machine that made each search and sighting (see the README's Teams).
constexpr const char* kVersion3 = R"sql(
ALTER TABLE searches ADD COLUMN machine TEXT;
ALTER TABLE sightings ADD COLUMN machine TEXT;
)sql";

}  // namespace

const char* storeKindText(harvest::NumberKind kind) {
  switch (kind) {
    case harvest::NumberKind::Fixed:
      return kKindFixed;
    case harvest::NumberKind::Mobile:
      return kKindMobile;
    case harvest::NumberKind::Other:
      break;
  }
  return kKindOther;
}

void writeNumberChecks(Connection& db, const std::vector<std::string>& numbers,
                       const std::vector<harvest::NumberCheck>& checks) {
  Transaction batch(db, "writing number checks");
  Statement update(db.get(),
                   "UPDATE numbers SET valid = ?2, kind = ?3, region = ?4 WHERE number = ?1 AND valid IS NULL");
  for (std::size_t i = 0; i < checks.size() && i < numbers.size(); ++i) {
    update.bind(1, numbers[i], true)
        .bind(2, std::int64_t{checks[i].valid ? 1 : 0})
        .bind(3, std::string_view(storeKindText(checks[i].kind)), true)
        .bind(4, checks[i].region, true)
        .step();
    update.reset();
  }
  batch.commit();
}

std::string storeTime(const QDateTime& time) {
  return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toStdString();
}

NewerStoreError::NewerStoreError(int version)
    : std::runtime_error("the number store has version " + std::to_string(version) + ", newer than " +
                         std::to_string(kSchemaVersion)),
      version_(version) {}

void createOrMigrate(Connection& db) {
  // A store at the current version is only read here: taking the write lock
  // at every opening would make a store that another copy is writing to look
  // unusable.
  const auto seen = static_cast<int>(db.scalar("PRAGMA user_version"));
  if (seen > kSchemaVersion) throw NewerStoreError(seen);
  if (seen == kSchemaVersion) return;
  Transaction migration(db, "migration");
  const auto version = static_cast<int>(db.scalar("PRAGMA user_version"));
  if (version > kSchemaVersion) throw NewerStoreError(version);
  if (version < 1) db.exec(kVersion1, "create the store's tables");
  if (version < 2) db.exec(kVersion2, "add the waiting records' keys");
  if (version < 3) db.exec(kVersion3, "add the machine of searches and sightings");
  // Later versions add their steps here, each from the one before.
  if (version != kSchemaVersion) {
    db.exec("PRAGMA user_version = " + std::to_string(kSchemaVersion), "set the store's version");
  }
  migration.commit();
}

}  // namespace valo::files::store
