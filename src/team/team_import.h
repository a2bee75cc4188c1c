// Number lists imported into the team's store, and numbers deleted from it,
// through the store's one owner on this machine: every transaction runs on
// its writer, between the pages of a running search. An import reads and
// sorts its file as an import into the program's own store does, and a
// cancel or a failure takes back what it wrote.
#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "files/store/store_import.h"
#include "team/team_store.h"

namespace valo::team {

// Imports `path` on the calling thread (which waits for each batch). New
// numbers get the file's name as their source and are checked by the
// writer afterwards. Throws TeamError or AppError.
files::store::ImportOutcome importIntoTeam(TeamStore& store, const QString& path, const QString& workFolder,
                                           const files::store::ImportProgress& progress, std::stop_token stop,
                                           const files::store::ImportLimits& limits = {});

// Deletes `numbers` and their sightings in one transaction; `done` is told
// on the writer's thread.
void deleteTeamNumbers(TeamStore& store, std::vector<std::string> numbers,
                       std::function<void(std::exception_ptr)> done);

}  // namespace valo::team
