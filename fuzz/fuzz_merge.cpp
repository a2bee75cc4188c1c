// Fuzz target: the merge over arbitrary source bytes. The fast merge (one
// buffer, packed prefix keys, one sort) must give the lines a sorted list
// filled one line at a time gives: sorted by the merge order, no two equal
// lines, of equal lines the first one in the text, and every input line
// represented. Two orders are tried: the root collation, whose ASCII lines
// take the rank-table path, and a Chinese one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "files/line_order.h"
#include "files/number_merge.h"
#include "fuzz_check.h"

namespace {

using valo::files::LineOrder;

// Cut at the first zero byte, split at CR LF, CR or LF; a line end at the end
// adds no empty line. The lines are views of the text: copying each one
// would cost more than the checks that read it.
std::vector<std::string_view> inputLines(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The list that stays sorted while it is filled: halve the range, insert or
// drop. `joined` gets, for each line, the start of the list line it was found
// equal to, or its own when it was inserted.
std::vector<std::string_view> sortedListOf(const std::vector<std::string_view>& lines, const LineOrder& order,
                                           std::vector<const char*>& joined) {
  std::vector<std::string_view> list;
  joined.clear();
  for (const std::string_view line : lines) {
    std::size_t lo = 0, hi = list.size();
    bool found = false;
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      const int c = order.compare(list[mid], line);
      if (c == 0) {
        found = true;
        lo = mid;
        break;
      }
      if (c < 0) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    if (found) {
      joined.push_back(list[lo].data());
    } else {
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(lo), line);
      joined.push_back(line.data());
    }
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
  std::vector<std::string_view> lines;
  {
    std::unordered_set<std::string_view> seen;
    for (const std::string_view line : inputLines(source)) {
      if (seen.insert(line).second) lines.push_back(line);
    }
  }
  // Sorted, strictly: no two equal lines.
  for (std::size_t i = 1; i < merged.size(); ++i) {
    FUZZ_CHECK(order.compare(merged[i - 1], merged[i]) < 0);
    FUZZ_CHECK(order.compare(merged[i], merged[i - 1]) > 0);
  }
  // The whole agrees with filling a sorted list one line at a time.
  std::vector<const char*> joined;
  const std::vector<std::string_view> expected = sortedListOf(lines, order, joined);
  FUZZ_CHECK(std::equal(merged.begin(), merged.end(), expected.begin(), expected.end()));
  // Each input line has its equal in the output, where filling the list put
  // it (a second search of the output would only ask the same questions
  // again); the first input line of each kind is the one that stands there,
  // and every output line is reached.
  std::unordered_map<const char*, std::size_t> position;
  for (std::size_t k = 0; k < expected.size(); ++k) position.emplace(expected[k].data(), k);
  std::vector<bool> reached(merged.size(), false);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view in = lines[i];
    const std::size_t k = position.at(joined[i]);
    FUZZ_CHECK_BYTES(order.compare(merged[k], in) == 0, in);
    if (!reached[k]) FUZZ_CHECK_BYTES(merged[k] == in, in);
    reached[k] = true;
  }
  for (const bool r : reached) FUZZ_CHECK(r);
  return 0;
}
