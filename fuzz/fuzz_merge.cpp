// Fuzz target: the merge over arbitrary source bytes. The fast merge (one
// buffer, packed prefix keys, one sort) must give the lines a sorted list
// filled one line at a time gives: sorted by the merge order, no two equal
// lines, of equal lines the first one in the text, and every input line
// represented. Two orders are tried: the root collation, whose ASCII lines
// take the rank-table path, and a Chinese one.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "files/line_order.h"
#include "files/number_merge.h"
#include "fuzz_check.h"

namespace {

using valo::files::LineOrder;

// Cut at the first zero byte, split at CR LF, CR or LF; a line end at the end
// adds no empty line.
std::vector<std::string> inputLines(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> lines;
  std::string current;
  bool open = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(current);
      current.clear();
      open = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
      open = true;
    }
  }
  if (open) lines.push_back(current);
  return lines;
}

// The list that stays sorted while it is filled: halve the range, insert or drop.
std::vector<std::string> sortedListOf(const std::vector<std::string>& lines, const LineOrder& order) {
  std::vector<std::string> list;
  for (const std::string& line : lines) {
    std::size_t lo = 0, hi = list.size();
    bool found = false;
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      const int c = order.compare(list[mid], line);
      if (c == 0) {
        found = true;
        break;
      }
      if (c < 0) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    if (!found) list.insert(list.begin() + static_cast<std::ptrdiff_t>(lo), line);
  }
  return list;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const LineOrder root("");
  static const LineOrder chinese("zh_CN");
  if (size == 0) return 0;
  const LineOrder& order = (data[0] & 1) ? chinese : root;
  const std::string_view source(reinterpret_cast<const char*>(data) + 1, size - 1);

  std::string work(source);
  std::vector<std::string> merged;
  const std::int64_t count =
      valo::files::sortDistinctLines(work, order, [&](std::string_view line) { merged.emplace_back(line); });
  FUZZ_CHECK(count == static_cast<std::int64_t>(merged.size()));

  // Byte for byte repeats of a line change nothing below (the sorted list
  // drops them, and they find the same equal line the first one found), so
  // the checks take each distinct line once, in order of first appearance.
  std::vector<std::string> lines;
  {
    std::unordered_set<std::string> seen;
    for (std::string& line : inputLines(source)) {
      if (seen.insert(line).second) lines.push_back(std::move(line));
    }
  }
  // Sorted, strictly: no two equal lines.
  for (std::size_t i = 1; i < merged.size(); ++i) {
    FUZZ_CHECK(order.compare(merged[i - 1], merged[i]) < 0);
    FUZZ_CHECK(order.compare(merged[i], merged[i - 1]) > 0);
  }
  // Each input line has its equal in the output, found by halving (the output
  // is sorted); the first input line of each kind is the one that stands there,
  // and every output line is reached that way.
  std::vector<bool> reached(merged.size(), false);
  for (const std::string& in : lines) {
    std::size_t lo = 0, hi = merged.size();
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      if (order.compare(merged[mid], in) < 0) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    FUZZ_CHECK_BYTES(lo < merged.size() && order.compare(merged[lo], in) == 0, in);
    if (!reached[lo]) FUZZ_CHECK_BYTES(merged[lo] == in, in);
    reached[lo] = true;
  }
  for (const bool r : reached) FUZZ_CHECK(r);
  // And the whole agrees with filling a sorted list one line at a time.
  FUZZ_CHECK(merged == sortedListOf(lines, order));
  return 0;
}
