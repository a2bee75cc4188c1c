// See team_schema.h. Version 1:
//
// searches, sightings, numbers, journal_batches: as in the program's own
//            store (see the README's table), with ids from sequences, times
//            as the machine's local ISO 8601 text, and `machine` on searches
//            and sightings. `numbers.number` is the unique key that makes a
//            number known to one machine known to all.
// keywords   the shared queue: one row per keyword line put on it, with its
//            engine; state waiting, taken (by `taker` until `lease_until`,
//            under `lease_token`) or done, with what its search found.
// team_schema  one row: the version.
//
// Version 2: `numbers` gains an index in byte order, the order in which the
// number store window reads and places its rows.
#include "team/team_schema.h"

#include <string>

namespace valo::team {
namespace {

constexpr const char* kVersion1 = R"sql(
CREATE TABLE searches (
  id             BIGSERIAL PRIMARY KEY,
  started_at     TEXT NOT NULL,
  ended_at       TEXT,
  engine         TEXT NOT NULL,
  pause_seconds  INTEGER NOT NULL,
  start_line     INTEGER NOT NULL,
  pages_read     INTEGER NOT NULL DEFAULT 0,
  refusals       INTEGER NOT NULL DEFAULT 0,
  numbers_listed INTEGER NOT NULL DEFAULT 0,
  end_text       TEXT,
  run_key        TEXT UNIQUE,
  machine        TEXT NOT NULL DEFAULT ''
);
CREATE TABLE sightings (
  id           BIGSERIAL PRIMARY KEY,
  number       TEXT NOT NULL,
  seen_at      TEXT NOT NULL,
  search_id    BIGINT REFERENCES searches(id),
  keyword      TEXT,
  keyword_line INTEGER,
  engine       TEXT,
  page_url     TEXT,
  page_number  INTEGER,
  line         TEXT,
  skipped      SMALLINT NOT NULL DEFAULT 0 CHECK (skipped IN (0, 1)),
  rejected     SMALLINT NOT NULL DEFAULT 0 CHECK (rejected IN (0, 1)),
  machine      TEXT NOT NULL DEFAULT ''
);
CREATE INDEX sightings_by_number ON sightings(number);
CREATE INDEX sightings_by_search ON sightings(search_id);
CREATE TABLE numbers (
  number          TEXT PRIMARY KEY,
  valid           SMALLINT CHECK (valid IN (0, 1)),
  kind            TEXT,
  region          TEXT NOT NULL DEFAULT '',
  first_seen      TEXT NOT NULL,
  last_seen       TEXT NOT NULL,
  times_seen      INTEGER NOT NULL DEFAULT 0,
  first_search_id BIGINT REFERENCES searches(id),
  first_keyword   TEXT,
  first_engine    TEXT,
  first_page_url  TEXT,
  source_line     TEXT,
  source          TEXT
);
CREATE INDEX numbers_by_first_seen ON numbers(first_seen);
CREATE INDEX numbers_unchecked ON numbers(number) WHERE valid IS NULL;
CREATE TABLE journal_batches (
  batch      TEXT PRIMARY KEY,
  written_at TEXT NOT NULL
);
CREATE SEQUENCE lease_tokens;
CREATE TABLE keywords (
  id            BIGSERIAL PRIMARY KEY,
  keyword       TEXT NOT NULL,
  engine        TEXT NOT NULL,
  list_line     INTEGER NOT NULL,
  added_at      TIMESTAMPTZ NOT NULL DEFAULT now(),
  state         TEXT NOT NULL DEFAULT 'waiting' CHECK (state IN ('waiting', 'taken', 'done')),
  taker         TEXT,
  lease_token   BIGINT,
  lease_until   TIMESTAMPTZ,
  takes         INTEGER NOT NULL DEFAULT 0,
  done_by       TEXT,
  done_at       TIMESTAMPTZ,
  numbers_found INTEGER,
  pages_read    INTEGER,
  refusals      INTEGER
);
CREATE INDEX keywords_open ON keywords(id) WHERE state <> 'done';
)sql";

constexpr const char* kVersion2 = R"sql(
CREATE INDEX numbers_in_byte_order ON numbers(number COLLATE "C");
)sql";

}  // namespace

void createOrMigrateTeam(PgLink& link) {
  PgTransaction migration(link);
  // One machine migrates while the others wait for it, then see its version.
  link.exec("SELECT pg_advisory_xact_lock(7460117)", "wait for another machine's migration");
  link.exec("CREATE TABLE IF NOT EXISTS team_schema (version INTEGER NOT NULL)", "make the version table");
  PgResult seen = link.exec("SELECT version FROM team_schema", "read the team store's version");
  const int version = seen.rows() > 0 ? static_cast<int>(seen.integer(0, 0)) : 0;
  if (version > kTeamSchemaVersion) {
    throw TeamError("VALO1", false,
                    "the team store has version " + std::to_string(version) + ", newer than this program's " +
                        std::to_string(kTeamSchemaVersion));
  }
  if (version == kTeamSchemaVersion) return;
  if (version < 1) link.exec(kVersion1, "create the team store's tables");
  // Later versions add their steps here, each from the one before.
  if (version < 2) link.exec(kVersion2, "index the team's numbers in byte order");
  link.exec("DELETE FROM team_schema", "set the team store's version");
  link.exec("INSERT INTO team_schema(version) VALUES(" + std::to_string(kTeamSchemaVersion) + ")",
            "set the team store's version");
  migration.commit();
}

}  // namespace valo::team
