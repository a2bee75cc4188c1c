// Writes record batches into the team store, each as one transaction of a
// few statements sent together, whatever its size: the search's row by its
// key, the sightings as arrays, and the `numbers` rows through the unique
// key, so a number that two machines find at once is one row seen twice.
// New numbers come in unchecked; checkUncheckedNumbers settles them after.
#pragma once

#include <string>
#include <vector>

#include "files/store/store_batch.h"
#include "team/pg_link.h"

namespace valo::team {

class TeamBatchWriter {
 public:
  TeamBatchWriter(PgLink& link, std::string machine) : link_(link), machine_(std::move(machine)) {}

  // Writes `batch`; a batch from the journal that the server has already is
  // passed over (returns false). Throws TeamError; nothing of the batch is
  // kept then.
  bool write(const files::store::RecordBatch& batch);

 private:
  PgLink& link_;
  std::string machine_;
};

// Checks up to `limit` numbers that nobody has checked yet (new from a page,
// or left by a machine that stopped before it checked them) and writes the
// verdicts; returns how many it checked. Throws TeamError.
int checkUncheckedNumbers(PgLink& link, int limit);

}  // namespace valo::team
