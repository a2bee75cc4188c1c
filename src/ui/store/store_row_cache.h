// One reading of the number store through a filter, for the store window:
// the counts, and the matching rows a page at a time, read when asked for
// and kept in a small cache that lets the least recently used page go, so
// that scrolling through millions of rows holds a few thousand of them.
// Plain C++ over the store's queries; the table model shows it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "files/store/store_query.h"

namespace valo::ui {

class StoreRowCache {
 public:
  static constexpr int kPageRows = 256;
  static constexpr std::size_t kMaxPages = 48;

  // Reads both counts; throws SqliteError.
  StoreRowCache(files::store::StoreReader& reader, files::store::StoreFilter filter);

  const files::store::StoreFilter& filter() const { return query_->filter(); }
  std::int64_t matchingCount() const { return matching_; }
  std::int64_t allCount() const { return all_; }

  // The row at `index` (below matchingCount()), its page read when it is
  // not cached. A row the store no longer has at that place (it changed
  // since the counts) comes back empty. Throws SqliteError.
  const files::store::StoreRow& row(std::int64_t index);
  // Whether the page of `index` is cached, so row() reads nothing.
  bool cached(std::int64_t index) const;

  // Where each of `numbers` (sorted, distinct) stands among the matching
  // rows, from the cache where it can tell and from the store otherwise.
  using Position = files::store::NumberQuery::Position;
  std::vector<Position> positions(const std::vector<std::string>& numbers);
  // Fills the cache around the row `index` that `number` has, by number
  // rather than by place, so that what is read next nearby is cheap.
  void readAround(std::int64_t index, const std::string& number);
  // The numbers of the `count` rows from `first` on: from the cache when it
  // holds them, else read in one pass without filling it.
  void appendNumbers(std::int64_t first, std::int64_t count, std::vector<std::string>& out);

  std::size_t cachedPages() const { return pages_.size(); }

 private:
  struct Page {
    std::vector<files::store::StoreRow> rows;
    std::uint64_t used = 0;
  };
  Page& load(std::int64_t page);
  std::vector<files::store::StoreRow> read(std::int64_t page);
  void keep(std::int64_t page, std::vector<files::store::StoreRow> rows);
  bool resolve(const std::string& number, Position& out) const;

  std::unique_ptr<files::store::NumberQuery> query_;
  std::int64_t matching_ = 0;
  std::int64_t all_ = 0;
  std::map<std::int64_t, Page> pages_;  // by page index, in row order
  std::uint64_t clock_ = 0;
};

}  // namespace valo::ui
