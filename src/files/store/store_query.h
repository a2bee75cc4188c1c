// What the number store window shows: the `numbers` rows that pass a filter,
// read a page at a time in number order from any point, their counts, where
// a number stands among them, and the deletion of chosen numbers with their
// sightings. Export reads through the same filter.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/store/sqlite_handle.h"

namespace valo::files::store {

// Every field is optional; an empty one does not filter. Text is UTF-8.
struct StoreFilter {
  std::string text;                      // found in the number, first keyword or source line
  std::optional<std::int64_t> searchId;  // numbers that search listed
  std::string fromDate;                  // "2026-12-01": first seen on or after that day
  std::string toDate;                    // first seen on or before that day
  std::string kind;                      // kKindFixed / kKindMobile / kKindOther / kKindUnchecked
  std::string region;                    // found in the region
  bool operator==(const StoreFilter&) const = default;
};

// One `numbers` row as the window and the exports show it.
struct StoreRow {
  std::string number;
  std::string firstSeen;
  std::string lastSeen;
  std::int64_t timesSeen = 0;
  std::string firstKeyword;
  std::string firstEngine;
  std::string firstPageUrl;
  std::string sourceLine;
  bool checked = true;  // false while an imported number awaits its check
  bool valid = false;
  std::string kind;
  std::string region;
  std::string source;
};

// The shown columns in order, with their Chinese headers.
enum class StoreColumn {
  Number,
  FirstSeen,
  LastSeen,
  TimesSeen,
  FirstKeyword,
  FirstEngine,
  FirstPageUrl,
  SourceLine,
  Valid,
  Kind,
  Region,
  Source
};
inline constexpr int kStoreColumnCount = 12;
const char* columnHeader(StoreColumn column);  // UTF-8
// The cell text of a row (UTF-8): the kind in Chinese, validity as 是/否.
std::string cellText(const StoreRow& row, StoreColumn column);
// The same without a copy: a view of the row's field, of a constant, or of
// `scratch` (for the count), valid while those are.
std::string_view cellView(const StoreRow& row, StoreColumn column, std::string& scratch);

// A search for the window's choice of searches.
struct SearchSummary {
  std::int64_t id = 0;
  std::string startedAt;
  std::string engine;
  std::int64_t numbersListed = 0;
};
// The latest searches first, at most `limit` of them.
std::vector<SearchSummary> recentSearches(Connection& db, int limit);

// The numbers of a store through one filter, whichever database holds them:
// what the window and the exports read.
class NumberQuery {
 public:
  virtual ~NumberQuery() = default;
  virtual const StoreFilter& filter() const = 0;
  virtual std::int64_t countMatching() = 0;
  virtual std::int64_t countAll() = 0;
  // Up to `limit` matching rows in number order, `skip` rows away from
  // `from`: after it when `forward`, else before it (counting back). An empty
  // `from` stands before the first row or after the last; `inclusive` counts
  // a row numbered `from` as the first one met.
  virtual std::vector<StoreRow> rowsNear(std::string_view from, bool forward, std::int64_t skip, int limit,
                                         bool inclusive = false) = 0;
  // How many matching rows sort before `number`, and whether it is one.
  struct Position {
    std::int64_t before = 0;
    bool present = false;
  };
  virtual Position position(std::string_view number) = 0;
  // The matching numbers from `first` on, in order, until `each` returns false.
  virtual void numbersFrom(std::string_view first, const std::function<bool(std::string_view)>& each) = 0;
  // Every matching row in number order, one at a time, without holding them
  // (the row handed on is reused for the next); stops early when `each`
  // returns false.
  virtual void forEach(const std::function<bool(const StoreRow&)>& each) = 0;
};

// A reading connection to a store, for its window: queries through a
// filter, and the searches to choose from.
class StoreReader {
 public:
  virtual ~StoreReader() = default;
  virtual std::unique_ptr<NumberQuery> query(StoreFilter filter) = 0;
  // The latest searches first, at most `limit` of them.
  virtual std::vector<SearchSummary> recentSearches(int limit) = 0;
};

// Numbers are ordered by their bytes, as std::string compares them.
class StoreQuery : public NumberQuery {
 public:
  StoreQuery(Connection& db, StoreFilter filter);

  const StoreFilter& filter() const override { return filter_; }
  std::int64_t countMatching() override;
  std::int64_t countAll() override;
  // Up to `limit` matching rows whose number sorts after `after` (empty:
  // from the first), in number order.
  std::vector<StoreRow> page(std::string_view after, int limit);
  std::vector<StoreRow> rowsNear(std::string_view from, bool forward, std::int64_t skip, int limit,
                                 bool inclusive = false) override;
  Position position(std::string_view number) override;
  void numbersFrom(std::string_view first, const std::function<bool(std::string_view)>& each) override;
  void forEach(const std::function<bool(const StoreRow&)>& each) override;

 private:
  std::string whereClause() const;
  int bindFilter(Statement& statement) const;  // returns the next free index

  Connection& db_;
  StoreFilter filter_;
};

// The program's own store through a connection of the caller's.
class SqliteStoreReader : public StoreReader {
 public:
  explicit SqliteStoreReader(Connection& db) : db_(db) {}
  std::unique_ptr<NumberQuery> query(StoreFilter filter) override {
    return std::make_unique<StoreQuery>(db_, std::move(filter));
  }
  std::vector<SearchSummary> recentSearches(int limit) override { return store::recentSearches(db_, limit); }

 private:
  Connection& db_;
};

// Deletes these numbers and every sighting of them in one transaction.
// Returns how many numbers were deleted.
std::int64_t deleteNumbers(Connection& db, const std::vector<std::string>& numbers);

}  // namespace valo::files::store
