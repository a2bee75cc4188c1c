// See store_row_cache.h. A page is read from the nearest point the reading
// knows by number (a cached page, or either end), skipping the rows between
// with OFFSET: SQLite steps over skipped rows one by one, so a jump far from
// anything cached costs at most half the rows, and scrolling on from a
// cached page costs one page.
#include "ui/store/store_row_cache.h"

#include <algorithm>

namespace valo::ui {
namespace {

using files::store::StoreRow;

// Up to this many numbers the cache cannot place are each counted on their
// own; more are placed by one walk over the numbers between them.
constexpr std::size_t kCountedAlone = 8;

}  // namespace

StoreRowCache::StoreRowCache(files::store::StoreReader& reader, files::store::StoreFilter filter)
    : query_(reader.query(std::move(filter))) {
  matching_ = query_->countMatching();
  all_ = query_->filter() == files::store::StoreFilter{} ? matching_ : query_->countAll();
}

const StoreRow& StoreRowCache::row(std::int64_t index) {
  static const StoreRow kGone;
  const Page& page = load(index / kPageRows);
  const auto offset = static_cast<std::size_t>(index % kPageRows);
  return offset < page.rows.size() ? page.rows[offset] : kGone;
}

bool StoreRowCache::cached(std::int64_t index) const {
  return pages_.contains(index / kPageRows);
}

StoreRowCache::Page& StoreRowCache::load(std::int64_t page) {
  if (auto it = pages_.find(page); it != pages_.end()) {
    it->second.used = ++clock_;
    return it->second;
  }
  keep(page, read(page));
  return pages_.at(page);
}

std::vector<StoreRow> StoreRowCache::read(std::int64_t page) {
  const std::int64_t first = page * kPageRows;
  const auto count = static_cast<int>(std::min<std::int64_t>(kPageRows, matching_ - first));
  if (count <= 0) return {};
  std::string_view from;
  bool forward = true;
  std::int64_t skip = first;
  if (matching_ - first - count < skip) {
    forward = false;
    skip = matching_ - first - count;
  }
  const auto after = pages_.upper_bound(page);
  if (after != pages_.end() && !after->second.rows.empty()) {
    const std::int64_t between = after->first * kPageRows - (first + count);
    if (between < skip) {
      forward = false;
      skip = between;
      from = after->second.rows.front().number;
    }
  }
  if (after != pages_.begin()) {
    const auto before = std::prev(after);
    const std::int64_t end = before->first * kPageRows + static_cast<std::int64_t>(before->second.rows.size());
    if (!before->second.rows.empty() && first - end < skip) {
      forward = true;
      skip = first - end;
      from = before->second.rows.back().number;
    }
  }
  return query_->rowsNear(from, forward, skip, count);
}

void StoreRowCache::keep(std::int64_t page, std::vector<StoreRow> rows) {
  if (pages_.size() >= kMaxPages) {
    auto oldest = std::min_element(pages_.begin(), pages_.end(),
                                   [](const auto& a, const auto& b) { return a.second.used < b.second.used; });
    pages_.erase(oldest);
  }
  pages_[page] = Page{std::move(rows), ++clock_};
}

// The cache can place a number inside a cached page's span, between two
// cached pages that touch, before the first row or after the last.
bool StoreRowCache::resolve(const std::string& number, Position& out) const {
  std::int64_t previousEnd = -1;
  for (const auto& [index, page] : pages_) {
    if (page.rows.empty()) continue;
    const std::int64_t start = index * kPageRows;
    if (number < page.rows.front().number) {
      if (start != 0 && previousEnd != start) return false;
      out = {start, false};
      return true;
    }
    if (number <= page.rows.back().number) {
      const auto at = std::lower_bound(page.rows.begin(), page.rows.end(), number,
                                       [](const StoreRow& row, const std::string& n) { return row.number < n; });
      out = {start + (at - page.rows.begin()), at->number == number};
      return true;
    }
    previousEnd = start + static_cast<std::int64_t>(page.rows.size());
    if (previousEnd == matching_) {
      out = {matching_, false};
      return true;
    }
  }
  return false;
}

std::vector<StoreRowCache::Position> StoreRowCache::positions(const std::vector<std::string>& numbers) {
  std::vector<Position> out(numbers.size());
  std::vector<std::size_t> unknown;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (!resolve(numbers[i], out[i])) unknown.push_back(i);
  }
  if (unknown.size() <= kCountedAlone) {
    for (const std::size_t i : unknown) out[i] = query_->position(numbers[i]);
    return out;
  }
  std::int64_t before = query_->position(numbers[unknown.front()]).before;
  std::size_t k = 0;
  query_->numbersFrom(numbers[unknown.front()], [&](std::string_view n) {
    while (k < unknown.size() && numbers[unknown[k]] < n) out[unknown[k++]] = {before, false};
    if (k < unknown.size() && numbers[unknown[k]] == n) out[unknown[k++]] = {before, true};
    ++before;
    return k < unknown.size();
  });
  while (k < unknown.size()) out[unknown[k++]] = {before, false};
  return out;
}

void StoreRowCache::readAround(std::int64_t index, const std::string& number) {
  const std::int64_t page = index / kPageRows;
  if (pages_.contains(page) || index >= matching_) return;
  const auto lead = static_cast<int>(index % kPageRows);
  std::vector<StoreRow> rows;
  if (lead > 0) rows = query_->rowsNear(number, false, 0, lead);
  const auto rest = static_cast<int>(std::min<std::int64_t>(kPageRows, matching_ - page * kPageRows)) - lead;
  for (StoreRow& row : query_->rowsNear(number, true, 0, rest, true)) rows.push_back(std::move(row));
  keep(page, std::move(rows));
}

void StoreRowCache::appendNumbers(std::int64_t first, std::int64_t count, std::vector<std::string>& out) {
  if (count <= 0) return;
  bool allCached = true;
  for (std::int64_t p = first / kPageRows; p <= (first + count - 1) / kPageRows; ++p) allCached = allCached && pages_.contains(p);
  if (allCached) {
    for (std::int64_t i = first; i < first + count; ++i) out.push_back(row(i).number);
    return;
  }
  const std::string start = row(first).number;
  if (start.empty()) return;
  std::int64_t left = count;
  query_->numbersFrom(start, [&](std::string_view n) {
    out.emplace_back(n);
    return --left > 0;
  });
}

}  // namespace valo::ui
