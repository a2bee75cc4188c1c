// Fuzz target: the fax number extractor over arbitrary page lines. The input
// is a page text; its lines go through the extractor one by one and as a whole
// page, and every result is checked against the plain reference extractor of
// the tests and against the shape every accepted number must have.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "fuzz_check.h"
#include "harvest/fax_extractor.h"
#include "harvest/marker_rewrites.h"
#include "harvest/number_list.h"
#include "harvest/reference_extractor.h"
#include "text/text_lines.h"

namespace {

using valo::harvest::NumberList;
using valo::harvest::NumberListSink;

void checkNumberShape(const std::string& number) {
  FUZZ_CHECK_BYTES(number.find_first_not_of("0123456789-") == std::string::npos, number);
  FUZZ_CHECK_BYTES(number.front() == '0', number);
  // A value is accepted at 11 to 29 characters, cut to 13, and then loses
  // one trailing dash. Two passes of "--" -> "-" leave two dashes of a run of
  // five and more of a longer run, so a value ending in such a run keeps a
  // dash at its end and may drop to 10 characters ("0123456789-----" gives
  // "0123456789", "0211" and 31 dashes give "0211------"). The exact value is
  // the reference's; here only the bounds every candidate keeps.
  FUZZ_CHECK_BYTES(number.size() >= 10 && number.size() <= 13, number);
  if (number.back() == '-') FUZZ_CHECK_BYTES(number.size() <= 12, number);
}

// Returns the reference's candidate, which the whole-page check reuses.
std::optional<std::string> checkLine(std::string_view line) {
  const std::string rewritten = valo::harvest::reference::rewriteMarkers(line);
  FUZZ_CHECK_BYTES(valo::harvest::applyMarkerRewrites(line) == rewritten, line);
  // The prefilter may only skip lines that cannot carry a marker.
  const bool marker = rewritten.find("FAX:") != std::string::npos;
  if (!valo::harvest::mayHoldMarker(line)) FUZZ_CHECK_BYTES(!marker, line);
  const std::optional<std::string> fast = valo::harvest::extractCandidate(line);
  // Without the marker's bytes anywhere the reference has nothing to find.
  const std::optional<std::string> slow =
      marker ? valo::harvest::reference::extractRewritten(rewritten) : std::optional<std::string>();
  FUZZ_CHECK_BYTES(fast == slow, line);
  if (fast) checkNumberShape(*fast);
  return slow;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the duplicates switch; the rest is the page text.
  const bool dedup = (data[0] & 1) != 0;
  const std::string_view page(reinterpret_cast<const char*>(data) + 1, size - 1);

  // Mutations repeat lines a lot; every check of a line depends on nothing
  // but its bytes, so each distinct line of the page is checked once.
  std::vector<std::string> PageLines;
  std::vector<std::optional<std::string>> candidates;
  std::unordered_map<std::string_view, std::size_t> checked;  // line -> its first index
  for (const std::string_view line : valo::splitTextLines(page)) {
    const auto [at, fresh] = checked.try_emplace(line, candidates.size());
    candidates.push_back(fresh ? checkLine(line) : candidates[at->second]);
    PageLines.emplace_back(line);
  }

  // The whole page: every accepted number in line order, repeats dropped only
  // with the switch on, and the count shown after each addition.
  NumberList list;
  NumberListSink sink(list, dedup);
  std::int32_t FoundCount = 0;
  valo::harvest::ExtractFaxNumbers(PageLines, sink, FoundCount);

  std::vector<std::string> expected;
  for (const std::optional<std::string>& c : candidates) {
    if (!c) continue;
    bool listed = false;
    for (const std::string& e : expected) listed = listed || e == *c;
    if (dedup && listed) continue;
    expected.push_back(*c);
  }
  FUZZ_CHECK(list.items() == expected);
  FUZZ_CHECK(FoundCount == static_cast<std::int32_t>(expected.size()));
  FUZZ_CHECK(sink.shownCount() == (expected.empty() ? -1 : FoundCount));
  return 0;
}
