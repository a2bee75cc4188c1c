// See store_query.h. Pages are read by key (the number, the table's primary
// key) rather than by offset, so the thousandth page costs what the first
// does.
#include "files/store/store_query.h"

#include "files/store/store_transaction.h"

#include <algorithm>

#include "files/store/store_schema.h"
#include "harvest/number_check.h"

namespace valo::files::store {
namespace {

constexpr const char* kUncheckedText = "未检查";

constexpr const char* kColumns =
    "number, first_seen, last_seen, times_seen, first_keyword, first_engine, first_page_url, source_line, "
    "valid, kind, region, source";

std::string text(const Statement& s, int index) {
  return std::string(s.columnText(index));
}

// Assigns rather than builds, so a reused row keeps its strings' storage.
void readRow(const Statement& s, StoreRow& row) {
  row.number.assign(s.columnText(0));
  row.firstSeen.assign(s.columnText(1));
  row.lastSeen.assign(s.columnText(2));
  row.timesSeen = s.columnInt(3);
  row.firstKeyword.assign(s.columnText(4));
  row.firstEngine.assign(s.columnText(5));
  row.firstPageUrl.assign(s.columnText(6));
  row.sourceLine.assign(s.columnText(7));
  row.checked = !s.columnIsNull(8);
  row.valid = s.columnInt(8) != 0;
  row.kind.assign(s.columnText(9));
  row.region.assign(s.columnText(10));
  row.source.assign(s.columnText(11));
}

}  // namespace

const char* columnHeader(StoreColumn column) {
  static constexpr const char* kHeaders[kStoreColumnCount] = {
      "号码",         "首次发现", "最近发现", "次数", "首个关键字", "首个引擎",
      "首个网页地址", "来源行",   "有效",     "类型", "地区",       "导入来源"};
  return kHeaders[static_cast<int>(column)];
}

std::string_view cellView(const StoreRow& row, StoreColumn column, std::string& scratch) {
  switch (column) {
    case StoreColumn::Number:
      return row.number;
    case StoreColumn::FirstSeen:
      return row.firstSeen;
    case StoreColumn::LastSeen:
      return row.lastSeen;
    case StoreColumn::TimesSeen:
      return scratch = std::to_string(row.timesSeen);
    case StoreColumn::FirstKeyword:
      return row.firstKeyword;
    case StoreColumn::FirstEngine:
      return row.firstEngine;
    case StoreColumn::FirstPageUrl:
      return row.firstPageUrl;
    case StoreColumn::SourceLine:
      return row.sourceLine;
    case StoreColumn::Valid:
      return !row.checked ? kUncheckedText : row.valid ? "是" : "否";
    case StoreColumn::Kind:
      if (!row.checked) return kUncheckedText;
      return harvest::kindName(row.kind == kKindFixed    ? harvest::NumberKind::Fixed
                               : row.kind == kKindMobile ? harvest::NumberKind::Mobile
                                                         : harvest::NumberKind::Other);
    case StoreColumn::Region:
      return row.region;
    case StoreColumn::Source:
      return row.source;
  }
  return {};
}

std::string cellText(const StoreRow& row, StoreColumn column) {
  std::string scratch;
  return std::string(cellView(row, column, scratch));
}

std::vector<SearchSummary> recentSearches(Connection& db, int limit) {
  Statement s(db.get(),
              "SELECT id, started_at, engine, numbers_listed FROM searches ORDER BY id DESC LIMIT ?1");
  s.bind(1, std::int64_t{limit});
  std::vector<SearchSummary> out;
  while (s.step()) out.push_back({s.columnInt(0), text(s, 1), text(s, 2), s.columnInt(3)});
  return out;
}

StoreQuery::StoreQuery(Connection& db, StoreFilter filter) : db_(db), filter_(std::move(filter)) {}

// Each present field adds a condition with its own parameters, bound in the
// same order by bindFilter.
std::string StoreQuery::whereClause() const {
  std::string where = "1";
  if (!filter_.text.empty()) {
    where += " AND (instr(number, ?) > 0 OR instr(first_keyword, ?) > 0 OR instr(source_line, ?) > 0)";
  }
  if (filter_.searchId) {
    where += " AND number IN (SELECT number FROM sightings WHERE search_id = ? AND skipped = 0)";
  }
  if (!filter_.fromDate.empty()) where += " AND first_seen >= ?";
  if (!filter_.toDate.empty()) where += " AND first_seen < ?";
  if (filter_.kind == kKindUnchecked) {
    where += " AND valid IS NULL";
  } else if (!filter_.kind.empty()) {
    where += " AND kind = ?";
  }
  if (!filter_.region.empty()) where += " AND instr(region, ?) > 0";
  return where;
}

int StoreQuery::bindFilter(Statement& s) const {
  int i = 1;
  if (!filter_.text.empty()) {
    for (int k = 0; k < 3; ++k) s.bind(i++, std::string_view(filter_.text), true);
  }
  if (filter_.searchId) s.bind(i++, *filter_.searchId);
  if (!filter_.fromDate.empty()) s.bind(i++, std::string_view(filter_.fromDate), true);
  // Every time of the last day sorts before the day followed by "T99".
  if (!filter_.toDate.empty()) s.bind(i++, filter_.toDate + "T99");
  if (!filter_.kind.empty() && filter_.kind != kKindUnchecked)
    s.bind(i++, std::string_view(filter_.kind), true);
  if (!filter_.region.empty()) s.bind(i++, std::string_view(filter_.region), true);
  return i;
}

std::int64_t StoreQuery::countMatching() {
  if (filter_ == StoreFilter{}) return countAll();
  Statement s(db_.get(), "SELECT count(*) FROM numbers WHERE " + whereClause());
  bindFilter(s);
  return s.step() ? s.columnInt(0) : 0;
}

std::int64_t StoreQuery::countAll() {
  return db_.scalar("SELECT count(*) FROM numbers");
}

std::vector<StoreRow> StoreQuery::page(std::string_view after, int limit) {
  Statement s(db_.get(), std::string("SELECT ") + kColumns + " FROM numbers WHERE " + whereClause() +
                             " AND number > ? ORDER BY number LIMIT ?");
  int i = bindFilter(s);
  s.bind(i++, after);
  s.bind(i, std::int64_t{limit});
  std::vector<StoreRow> rows;
  rows.reserve(static_cast<std::size_t>(limit));
  while (s.step()) readRow(s, rows.emplace_back());
  return rows;
}

std::vector<StoreRow> StoreQuery::rowsNear(std::string_view from, bool forward, std::int64_t skip, int limit,
                                           bool inclusive) {
  std::string sql = std::string("SELECT ") + kColumns + " FROM numbers WHERE " + whereClause();
  if (!from.empty()) sql += std::string(" AND number ") + (forward ? ">" : "<") + (inclusive ? "= ?" : " ?");
  sql += forward ? " ORDER BY number LIMIT ? OFFSET ?" : " ORDER BY number DESC LIMIT ? OFFSET ?";
  Statement s(db_.get(), sql);
  int i = bindFilter(s);
  if (!from.empty()) s.bind(i++, from);
  s.bind(i++, std::int64_t{limit});
  s.bind(i, skip);
  std::vector<StoreRow> rows;
  rows.reserve(static_cast<std::size_t>(limit));
  while (s.step()) readRow(s, rows.emplace_back());
  if (!forward) std::reverse(rows.begin(), rows.end());
  return rows;
}

// SQLite counts by stepping through the rows, so this costs what the rows
// before `number` cost to walk; the caller asks sparingly.
StoreQuery::Position StoreQuery::position(std::string_view number) {
  // The greatest number up to `number` is `number` itself when it matches.
  Statement s(db_.get(),
              "SELECT count(*), max(number) FROM numbers WHERE " + whereClause() + " AND number <= ?");
  s.bind(bindFilter(s), number);
  if (!s.step()) return {};
  const bool present = !s.columnIsNull(1) && s.columnText(1) == number;
  return {s.columnInt(0) - (present ? 1 : 0), present};
}

void StoreQuery::numbersFrom(std::string_view first, const std::function<bool(std::string_view)>& each) {
  Statement s(db_.get(),
              "SELECT number FROM numbers WHERE " + whereClause() + " AND number >= ? ORDER BY number");
  s.bind(bindFilter(s), first);
  while (s.step()) {
    if (!each(s.columnText(0))) return;
  }
}

void StoreQuery::forEach(const std::function<bool(const StoreRow&)>& each) {
  Statement s(db_.get(), std::string("SELECT ") + kColumns + " FROM numbers WHERE " + whereClause() +
                             " ORDER BY number");
  bindFilter(s);
  StoreRow row;
  while (s.step()) {
    readRow(s, row);
    if (!each(row)) return;
  }
}

std::int64_t deleteNumbers(Connection& db, const std::vector<std::string>& numbers) {
  Transaction deleting(db, "deleting numbers");
  Statement sightings(db.get(), "DELETE FROM sightings WHERE number = ?1");
  Statement rows(db.get(), "DELETE FROM numbers WHERE number = ?1");
  std::int64_t deleted = 0;
  for (const std::string& n : numbers) {
    sightings.bind(1, n, true).step();
    sightings.reset();
    rows.bind(1, n, true).step();
    deleted += sqlite3_changes(db.get());
    rows.reset();
  }
  deleting.commit();
  return deleted;
}

}  // namespace valo::files::store
