// See team_import.h. A batch is one statement that inserts what is new and
// gives the file's name to what the team had without a source, and names
// which it did, for the undo record.
#include "team/team_import.h"

#include <future>

#include "team/pg_link.h"

namespace valo::team {
namespace {

using files::store::NumberImport;

std::string arrayOf(const std::vector<std::string>& values) {
  return textArray(std::vector<std::string_view>(values.begin(), values.end()));
}

// Runs `work` on the store's writer and waits for it.
void onWriter(TeamStore& store, std::function<void(PgLink&)> work) {
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  store.post(std::move(work), [&done](std::exception_ptr error) {
    if (error) {
      done.set_exception(error);
    } else {
      done.set_value();
    }
  });
  finished.get();
}

class TeamImportSteps : public files::store::ImportSteps {
 public:
  explicit TeamImportSteps(TeamStore& store) : store_(store) {}

  bool writeNext(NumberImport& job) override {
    const std::vector<std::string> numbers = job.nextNumbers();
    std::vector<std::string> added, sourced;
    if (!numbers.empty()) {
      onWriter(store_, [&](PgLink& link) {
        PgResult r = link.exec(
            "WITH input AS (SELECT n FROM unnest($1::text[]) AS n), "
            "added AS (INSERT INTO numbers(number, first_seen, last_seen, times_seen, source) "
            "  SELECT n, $2, $2, 0, $3 FROM input ORDER BY n ON CONFLICT (number) DO NOTHING RETURNING number), "
            "sourced AS (UPDATE numbers SET source = $3 WHERE number IN (SELECT n FROM input) AND source IS NULL "
            "  RETURNING number) "
            "SELECT 'A', number FROM added UNION ALL SELECT 'S', number FROM sourced",
            {arrayOf(numbers), job.importTime(), job.source()}, "import numbers into the team's store");
        for (int i = 0; i < r.rows(); ++i) (r.text(i, 0) == "A" ? added : sourced).emplace_back(r.text(i, 1));
      });
    }
    job.wrote(static_cast<std::int64_t>(numbers.size()), added, sourced);
    return job.written() < job.distinctNumbers();
  }

  bool undoNext(NumberImport& job) override {
    std::vector<std::string> added, all;
    for (auto& [wasAdded, number] : job.nextUndo()) {
      if (wasAdded) added.push_back(number);
      all.push_back(std::move(number));
    }
    if (!all.empty()) {
      onWriter(store_, [&](PgLink& link) {
        // A number a search has listed since (times_seen) stays, as the
        // search's, without the file's name.
        link.pipeline({{"DELETE FROM numbers WHERE number = ANY($1::text[]) AND source = $2 AND times_seen = 0",
                        {arrayOf(added), job.source()},
                        "take back an import"},
                       {"UPDATE numbers SET source = NULL WHERE number = ANY($1::text[]) AND source = $2",
                        {arrayOf(all), job.source()},
                        "take back an import"}});
      });
    }
    return job.undone() < job.toUndo();
  }

 private:
  TeamStore& store_;
};

}  // namespace

files::store::ImportOutcome importIntoTeam(TeamStore& store, const QString& path, const QString& workFolder,
                                           const files::store::ImportProgress& progress, std::stop_token stop,
                                           const files::store::ImportLimits& limits) {
  TeamImportSteps steps(store);
  return files::store::runNumberImport(steps, path, workFolder, progress, stop, limits);
}

void deleteTeamNumbers(TeamStore& store, std::vector<std::string> numbers,
                       std::function<void(std::exception_ptr)> done) {
  store.post(
      [numbers = std::move(numbers)](PgLink& link) {
        const std::string list = arrayOf(numbers);
        link.pipeline({{"DELETE FROM sightings WHERE number = ANY($1::text[])", {list}, "delete numbers"},
                       {"DELETE FROM numbers WHERE number = ANY($1::text[])", {list}, "delete numbers"}});
      },
      std::move(done));
}

}  // namespace valo::team
