// Fuzz target: the next-page rules of every engine. Each line of the input is
// tested by all ten rules; a passing line must carry its engine's marker bytes
// where the rule wants them, and the rules must behave as pager tests do when
// the line grows: text added at the end never takes a pass away, and text put
// in front changes only the rules that look at the line's start.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "fuzz_check.h"
#include "search/engine_table.h"
#include "search/next_page_rules.h"
#include "text/gbk.h"
#include "text/text_lines.h"

namespace {

using valo::search::linePassesNextPageRule;
using valo::search::Service;

struct Markers {
  std::string next = valo::gbk("下一页");
  std::string nextGt = valo::gbk("下一页>");
  std::string nextGtGt = valo::gbk("下一页>>");
  std::string bracketNext = valo::gbk("] 下一页");
  std::string prev = valo::gbk("上一页");
  std::string ltPrev = valo::gbk("<上一页");
  std::string ltLtPrev = valo::gbk("<<上一页");
};

bool has(std::string_view line, std::string_view marker) {
  return line.find(marker) != std::string_view::npos;
}

bool isBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

// The rule's own words, checked on a passing line; and what makes a line pass
// for certain, checked on a failing one.
void checkRule(Service service, std::string_view line, bool passes, const Markers& m) {
  switch (service) {
    case Service::Sogou: {
      const bool start =
          line.starts_with(m.ltLtPrev) ||
          (line.size() > 2 && line[2] == '1' && line.substr(0, 2).find('1') == std::string_view::npos);
      FUZZ_CHECK_BYTES(passes == (has(line, m.nextGtGt) && has(line, "[") && has(line, "]") && start), line);
      break;
    }
    case Service::YahooChina: {
      std::size_t b = 0;
      while (b < line.size() && isBlank(line[b])) ++b;
      const std::string_view rest = line.substr(b);
      FUZZ_CHECK_BYTES(passes == (has(line, m.next) && (rest.starts_with(m.prev) || rest.starts_with('1'))),
                       line);
      break;
    }
    case Service::Baidu:
      FUZZ_CHECK_BYTES(
          passes == (has(line, m.nextGt) && (line.starts_with(m.ltPrev) || line.starts_with('1'))), line);
      break;
    case Service::Soso:
      FUZZ_CHECK_BYTES(passes == has(line, m.nextGt), line);
      break;
    case Service::Gougou:
    case Service::Zhongsou:
      FUZZ_CHECK_BYTES(passes == has(line, m.bracketNext), line);
      break;
    case Service::GoogleHK:
    case Service::Youdao:
    case Service::LiveSearch:
    case Service::Search114:
      FUZZ_CHECK_BYTES(passes == has(line, m.next), line);
      break;
  }
  // Every rule needs the word for "next page" somewhere in the line.
  if (passes) FUZZ_CHECK_BYTES(has(line, m.next), line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Markers m;
  if (size == 0) return 0;
  // The first byte chooses how many of the last page bytes are also tried as a
  // suffix and prefix of each line.
  const std::size_t extra = data[0] % 16;
  const std::string_view page(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string_view affix = page.substr(page.size() - std::min(extra, page.size()));

  // Mutations repeat lines a lot; the rules look at nothing but the line
  // and the affix, so each distinct line is checked once.
  std::unordered_set<std::string_view> checked;
  for (const std::string_view line : valo::splitTextLines(page)) {
    if (!checked.insert(line).second) continue;
    const std::string longer = std::string(line) + std::string(affix);
    const std::string padded = "  " + std::string(line);
    for (const auto& engine : valo::search::engineTable()) {
      const Service s = engine.service;
      const bool passes = linePassesNextPageRule(s, line);
      checkRule(s, line, passes, m);
      // A pager line stays a pager line whatever follows it on the line.
      if (passes) FUZZ_CHECK_BYTES(linePassesNextPageRule(s, longer), longer);
      // Leading blanks: Yahoo China trims them, Baidu and Sogou read the
      // untrimmed start (which then begins with a blank), the others do not look.
      const bool paddedPasses = linePassesNextPageRule(s, padded);
      if (s == Service::Baidu || s == Service::Sogou) {
        FUZZ_CHECK_BYTES(!paddedPasses || (s == Service::Sogou && padded.find('1') == 2), padded);
      } else {
        FUZZ_CHECK_BYTES(paddedPasses == passes, padded);
      }
    }
  }
  return 0;
}
