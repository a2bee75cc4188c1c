// The fax label rewrite table and the test that skips lines without a label.
#include "harvest/marker_rewrites.h"

#include <array>
#include <utility>

namespace valo::harvest {

namespace {

std::vector<RewriteRule> buildMarkerRewrites() {
  // Patterns are written as UTF-8 here and converted once. "：", "（" and "）"
  // are the full-width characters, distinct from ":" "(" ")".
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 34> rows{{
      {"(Fax) ", "Fax"},
      {"(Fax)", "Fax"},
      {"（FAX）", "Fax"},
      {";", ":"},
      {"  ", " "},
      {"传真： ", "FAX:"},
      {"传真：", "FAX:"},
      {"传真: ", "FAX:"},
      {"传真:", "FAX:"},
      {"传真 ", "FAX:"},
      {"传真号码：", "FAX:"},
      {"传真至：", "FAX:"},
      {"FAX： ", "FAX:"},
      {"FAX：", "FAX:"},
      {"FAX: ", "FAX:"},
      {"FAX:", "FAX:"},
      {"FAX ", "FAX:"},
      {"FAX号码：", "FAX:"},
      {"FAX至：", "FAX:"},
      {"Fax： ", "FAX:"},
      {"Fax：", "FAX:"},
      {"Fax: ", "FAX:"},
      {"Fax:", "FAX:"},
      {"Fax ", "FAX:"},
      {"Fax号码：", "FAX:"},
      {"Fax至：", "FAX:"},
      {"fax： ", "FAX:"},
      {"fax：", "FAX:"},
      {"fax: ", "FAX:"},
      {"fax:", "FAX:"},
      {"fax ", "FAX:"},
      {"fax号码：", "FAX:"},
      {"fax至：", "FAX:"},
      {" ", ""},
  }};
  std::vector<RewriteRule> rules;
  rules.reserve(rows.size());
  for (const auto& [pattern, replacement] : rows) rules.emplace_back(gbk(pattern), gbk(replacement));
  return rules;
}

bool isSpace(unsigned char b) {
  return b == ' ';
}

// True when the letters before position `x` (an x or X), skipping spaces, are
// an a and an f in any case.
bool faxLettersEndAt(std::string_view line, std::size_t x) {
  std::size_t i = x;
  for (const unsigned char wanted : {'a', 'f'}) {
    while (i > 0 && isSpace(static_cast<unsigned char>(line[i - 1]))) --i;
    if (i == 0 || (static_cast<unsigned char>(line[i - 1]) | 0x20) != wanted) return false;
    --i;
  }
  return true;
}

}  // namespace

const std::vector<RewriteRule>& markerRewrites() {
  static const std::vector<RewriteRule> rules = buildMarkerRewrites();
  return rules;
}

GbkString applyMarkerRewrites(std::string_view line) {
  // Two buffers take turns; the line itself is read until a row first fires,
  // so rows that find nothing copy nothing.
  GbkString buffers[2];
  int active = -1;
  std::string_view current = line;
  for (const RewriteRule& rule : markerRewrites()) {
    const int target = active == 0 ? 1 : 0;
    if (rule.applyTo(current, buffers[target])) {
      active = target;
      current = buffers[target];
    }
  }
  return active < 0 ? GbkString(line) : std::move(buffers[active]);
}

bool mayHoldMarker(std::string_view line) {
  static const GbkString chuanZhen = gbk("传真");
  const auto lead = static_cast<unsigned char>(chuanZhen[0]);
  const std::size_t n = line.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(line[i]);
    if ((b | 0x20) == 'x') {
      if (faxLettersEndAt(line, i)) return true;
    } else if (b == lead) {
      if (line.compare(i, chuanZhen.size(), chuanZhen) == 0) return true;
    }
  }
  return false;
}

}  // namespace valo::harvest
