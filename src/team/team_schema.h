// The team store's tables on the server: the number store's own (searches,
// sightings, numbers, journal_batches, with ids from sequences and the
// machine that made each search and sighting) and the shared keyword queue.
// Made and brought up to date by the program, under a version of their own.
#pragma once

#include "team/pg_link.h"

namespace valo::team {

inline constexpr int kTeamSchemaVersion = 2;

// Creates or migrates the tables; many machines may call it at once. Throws
// TeamError, or a TeamError with SQLSTATE "VALO1" for a store newer than
// this program.
void createOrMigrateTeam(PgLink& link);

}  // namespace valo::team
