// See team_store_reader.h. Long walks (every matching number, every row of
// an export) go in slices by key, so no result holds the whole store.
#include "team/team_store_reader.h"

#include <algorithm>

#include "files/store/store_schema.h"
#include "team/team_schema.h"

namespace valo::team {
namespace {

using files::store::NumberQuery;
using files::store::StoreFilter;
using files::store::StoreRow;

constexpr const char* kColumns =
    "number, first_seen, last_seen, times_seen, coalesce(first_keyword, ''), coalesce(first_engine, ''), "
    "coalesce(first_page_url, ''), coalesce(source_line, ''), valid, coalesce(kind, ''), region, "
    "coalesce(source, '')";
constexpr const char* kNumber = "number COLLATE \"C\"";
constexpr int kSlice = 2000;

void readRow(const PgResult& r, int i, StoreRow& row) {
  row.number.assign(r.text(i, 0));
  row.firstSeen.assign(r.text(i, 1));
  row.lastSeen.assign(r.text(i, 2));
  row.timesSeen = r.integer(i, 3);
  row.firstKeyword.assign(r.text(i, 4));
  row.firstEngine.assign(r.text(i, 5));
  row.firstPageUrl.assign(r.text(i, 6));
  row.sourceLine.assign(r.text(i, 7));
  row.checked = !r.isNull(i, 8);
  row.valid = row.checked && r.integer(i, 8) != 0;
  row.kind.assign(r.text(i, 9));
  row.region.assign(r.text(i, 10));
  row.source.assign(r.text(i, 11));
}

class TeamNumberQuery : public NumberQuery {
 public:
  TeamNumberQuery(TeamStoreReader& reader, StoreFilter filter) : reader_(reader), filter_(std::move(filter)) {
    // The same conditions as the program's own store, each with its own
    // parameter in order.
    auto param = [this](std::string value) {
      params_.emplace_back(std::move(value));
      return "$" + std::to_string(params_.size());
    };
    where_ = "TRUE";
    if (!filter_.text.empty()) {
      const std::string t = param(filter_.text);
      where_ += " AND (strpos(number, " + t + ") > 0 OR strpos(first_keyword, " + t + ") > 0 OR strpos(source_line, " +
                t + ") > 0)";
    }
    if (filter_.searchId) {
      where_ += " AND number IN (SELECT number FROM sightings WHERE search_id = " +
                param(std::to_string(*filter_.searchId)) + " AND skipped = 0)";
    }
    if (!filter_.fromDate.empty()) where_ += " AND first_seen >= " + param(filter_.fromDate);
    // Every time of the last day sorts before the day followed by "T99".
    if (!filter_.toDate.empty()) where_ += " AND first_seen < " + param(filter_.toDate + "T99");
    if (filter_.kind == files::store::kKindUnchecked) {
      where_ += " AND valid IS NULL";
    } else if (!filter_.kind.empty()) {
      where_ += " AND kind = " + param(filter_.kind);
    }
    if (!filter_.region.empty()) where_ += " AND strpos(region, " + param(filter_.region) + ") > 0";
  }

  const StoreFilter& filter() const override { return filter_; }

  std::int64_t countMatching() override {
    return reader_.link().exec("SELECT count(*) FROM numbers WHERE " + where_, params_, "count the team's numbers")
        .integer(0, 0);
  }
  std::int64_t countAll() override {
    return reader_.link().exec("SELECT count(*) FROM numbers", "count the team's numbers").integer(0, 0);
  }

  std::vector<StoreRow> rowsNear(std::string_view from, bool forward, std::int64_t skip, int limit,
                                 bool inclusive) override {
    std::vector<Param> params = params_;
    std::string sql = std::string("SELECT ") + kColumns + " FROM numbers WHERE " + where_;
    if (!from.empty()) {
      params.emplace_back(std::string(from));
      sql += std::string(" AND ") + kNumber + (forward ? " >" : " <") + (inclusive ? "= $" : " $") +
             std::to_string(params.size());
    }
    params.emplace_back(std::to_string(limit));
    params.emplace_back(std::to_string(skip));
    sql += std::string(" ORDER BY ") + kNumber + (forward ? "" : " DESC") + " LIMIT $" +
           std::to_string(params.size() - 1) + " OFFSET $" + std::to_string(params.size());
    PgResult r = reader_.link().exec(sql, params, "read the team's numbers");
    std::vector<StoreRow> rows(static_cast<std::size_t>(r.rows()));
    for (int i = 0; i < r.rows(); ++i) readRow(r, i, rows[static_cast<std::size_t>(i)]);
    if (!forward) std::reverse(rows.begin(), rows.end());
    return rows;
  }

  Position position(std::string_view number) override {
    std::vector<Param> params = params_;
    params.emplace_back(std::string(number));
    const std::string at = "$" + std::to_string(params.size());
    PgResult r = reader_.link().exec("SELECT count(*), max(" + std::string(kNumber) + ") FROM numbers WHERE " + where_ +
                                " AND " + kNumber + " <= " + at,
                            params, "place a number among the team's");
    const bool present = !r.isNull(0, 1) && r.text(0, 1) == number;
    return {r.integer(0, 0) - (present ? 1 : 0), present};
  }

  void numbersFrom(std::string_view first, const std::function<bool(std::string_view)>& each) override {
    std::string after(first);
    for (bool inclusive = true;; inclusive = false) {
      std::vector<Param> params = params_;
      params.emplace_back(after);
      PgResult r = reader_.link().exec("SELECT number FROM numbers WHERE " + where_ + " AND " + kNumber +
                                  (inclusive ? " >= $" : " > $") + std::to_string(params.size()) + " ORDER BY " +
                                  kNumber + " LIMIT " + std::to_string(kSlice),
                              params, "read the team's numbers");
      for (int i = 0; i < r.rows(); ++i) {
        if (!each(r.text(i, 0))) return;
      }
      if (r.rows() < kSlice) return;
      after.assign(r.text(r.rows() - 1, 0));
    }
  }

  void forEach(const std::function<bool(const StoreRow&)>& each) override {
    StoreRow row;
    std::string after;
    for (;;) {
      std::vector<StoreRow> rows = rowsNear(after, true, 0, kSlice, false);
      for (const StoreRow& r : rows) {
        if (!each(r)) return;
      }
      if (rows.size() < static_cast<std::size_t>(kSlice)) return;
      after = rows.back().number;
    }
  }

 private:
  TeamStoreReader& reader_;
  StoreFilter filter_;
  std::string where_;
  std::vector<Param> params_;
};

}  // namespace

TeamStoreReader::TeamStoreReader(const std::string& conninfo) : conninfo_(conninfo) {
  createOrMigrateTeam(link());
}

PgLink& TeamStoreReader::link() {
  if (!link_ || !link_->healthy()) {
    link_.reset();
    link_ = std::make_unique<PgLink>(conninfo_, kConnectSeconds);
  }
  return *link_;
}

TeamStoreReader::~TeamStoreReader() = default;

std::unique_ptr<NumberQuery> TeamStoreReader::query(StoreFilter filter) {
  return std::make_unique<TeamNumberQuery>(*this, std::move(filter));
}

std::vector<files::store::SearchSummary> TeamStoreReader::recentSearches(int limit) {
  PgResult r = link().exec("SELECT id, started_at, engine, numbers_listed FROM searches ORDER BY id DESC LIMIT $1",
                           {std::to_string(limit)}, "read the team's searches");
  std::vector<files::store::SearchSummary> out;
  for (int i = 0; i < r.rows(); ++i) {
    out.push_back({r.integer(i, 0), std::string(r.text(i, 1)), std::string(r.text(i, 2)), r.integer(i, 3)});
  }
  return out;
}

}  // namespace valo::team
