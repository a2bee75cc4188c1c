// The fax label rewrite table and the test that skips lines without a label.
#include "harvest/marker_rewrites.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "harvest/word_scan.h"

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

// Where the letters before position `x` (an x or X), skipping spaces, begin
// when they are an a and an f in any case; npos otherwise.
std::size_t faxLettersEndingAt(std::string_view line, std::size_t x) {
  std::size_t i = x;
  for (const unsigned char wanted : {'a', 'f'}) {
    while (i > 0 && isSpace(static_cast<unsigned char>(line[i - 1]))) --i;
    if (i == 0 || (static_cast<unsigned char>(line[i - 1]) | 0x20) != wanted) return std::string_view::npos;
    --i;
  }
  return i;
}

}  // namespace

const std::vector<RewriteRule>& markerRewrites() {
  static const std::vector<RewriteRule> rules = buildMarkerRewrites();
  return rules;
}

namespace {

// One bit per byte value modulo 64, letters folded to lower case: a text
// whose signature lacks one of a pattern's bits lacks that byte, so the
// pattern cannot match. Two byte values may share a bit, which only lets a
// row through that finds nothing.
std::uint64_t byteBit(unsigned char b) {
  if (b >= 'A' && b <= 'Z') b |= 0x20;
  return std::uint64_t{1} << (b & 63);
}

std::uint64_t signatureOf(std::string_view text) {
  std::uint64_t signature = 0;
  for (const char c : text) signature |= byteBit(static_cast<unsigned char>(c));
  return signature;
}

}  // namespace

GbkString applyMarkerRewrites(std::string_view line) {
  // Two buffers take turns; the line itself is read until a row first fires,
  // so rows that find nothing copy nothing. A row with a pattern byte (in
  // either case, for a letter) that is nowhere in the text is passed over;
  // the text's bytes are looked at again after a row fires.
  static const std::vector<std::uint64_t> needs = [] {
    std::vector<std::uint64_t> out;
    for (const RewriteRule& rule : markerRewrites()) out.push_back(signatureOf(rule.pattern()));
    return out;
  }();
  GbkString buffers[2];
  int active = -1;
  std::string_view current = line;
  std::uint64_t present = signatureOf(current);
  const std::vector<RewriteRule>& rules = markerRewrites();
  bool blockFired = false;
  for (std::size_t row = 0; row < rules.size(); ++row) {
    // Rows 20 to 26 and 27 to 33 repeat rows 13 to 19: after a block that
    // changed nothing, its repetition meets the same text and changes
    // nothing either.
    if (row == 12 || row == 19 || row == 26) {
      if (row != 12 && !blockFired) {
        row = 32;
        continue;
      }
      blockFired = false;
    }
    if ((needs[row] & ~present) != 0) continue;
    const int target = active == 0 ? 1 : 0;
    if (rules[row].applyTo(current, buffers[target])) {
      active = target;
      current = buffers[target];
      present = signatureOf(current);
      blockFired = true;
    }
  }
  return active < 0 ? GbkString(line) : std::move(buffers[active]);
}

std::size_t firstMarkerCandidate(std::string_view line) {
  // This runs over every byte of every page line, so eight bytes at a time
  // are first tested for an x, an X or the first byte of "传真" (B4 AB D5 E6);
  // most words have none.
  const auto* t = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  for (std::size_t i = 0; i < n;) {
    if (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, t + i, 8);
      if (!wordHoldsByte(word | (kEveryByteOne * 0x20), 'x') && !wordHoldsByte(word, 0xB4)) {
        i += 8;
        continue;
      }
    }
    for (const std::size_t end = std::min(n, i + 8); i < end; ++i) {
      const unsigned char b = t[i];
      if ((b | 0x20) == 'x') {
        if (const std::size_t f = faxLettersEndingAt(line, i); f != std::string_view::npos) return f;
      } else if (b == 0xB4) {
        if (i + 3 < n && t[i + 1] == 0xAB && t[i + 2] == 0xD5 && t[i + 3] == 0xE6) return i;
      }
    }
  }
  return std::string_view::npos;
}

bool mayHoldMarker(std::string_view line) {
  return firstMarkerCandidate(line) != std::string_view::npos;
}

}  // namespace valo::harvest
