// The plain reference of the extractor's text steps, character by character.
#include "reference_extractor.h"

#include <utility>
#include <vector>

#include "text/gbk.h"

namespace valo::harvest::reference {

namespace {

// Length of the character that starts at byte `i`: a lead byte and the byte
// after it, or one byte. Characters are walked this way instead of being
// listed first, and bytes are compared and copied by hand, so that a rewrite
// allocates nothing but its result and runs no library code that the fuzz
// build instruments.
std::size_t characterLength(const char* text, std::size_t size, std::size_t i) {
  const bool lead =
      static_cast<unsigned char>(text[i]) >= 0x81 && static_cast<unsigned char>(text[i]) <= 0xFE;
  return (lead && i + 1 < size) ? 2 : 1;
}

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether the pattern's characters, one by one, are the text's characters
// from byte `i` on: a single-byte character equal but for ASCII case, a
// double-byte one equal in both bytes. `end` is then where the match ends.
bool matchesAt(const char* text, std::size_t size, std::size_t i, const char* pattern, std::size_t length,
               std::size_t& end) {
  std::size_t t = i;
  for (std::size_t k = 0; k < length;) {
    if (t >= size) return false;
    const std::size_t pl = characterLength(pattern, length, k), tl = characterLength(text, size, t);
    if (pl != tl) return false;
    if (pl == 1 ? lowerAscii(text[t]) != lowerAscii(pattern[k])
                : (text[t] != pattern[k] || text[t + 1] != pattern[k + 1])) {
      return false;
    }
    k += pl;
    t += tl;
  }
  end = t;
  return true;
}

// Returns whether the pattern matched at all.
bool rewriteInto(std::string_view text, std::string_view pattern, std::string_view replacement,
                 std::string& out) {
  if (pattern.empty()) {
    out.assign(text);
    return false;
  }
  bool matched = false;
  // Every match takes at least a byte and gives at most the replacement.
  out.resize(text.size() * (replacement.size() + 1));
  char* const o = out.data();
  std::size_t written = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = 0;
    // The first bytes must agree (letters in either case) for the first
    // characters to; most positions fail there.
    if (lowerAscii(text[i]) == lowerAscii(pattern[0]) &&
        matchesAt(text.data(), text.size(), i, pattern.data(), pattern.size(), end)) {
      for (const char c : replacement) o[written++] = c;
      i = end;
      matched = true;
    } else {
      for (std::size_t k = characterLength(text.data(), text.size(), i); k > 0; --k) o[written++] = text[i++];
    }
  }
  out.resize(written);
  return matched;
}

}  // namespace

std::string rewrite(std::string_view text, std::string_view pattern, std::string_view replacement) {
  std::string out;
  rewriteInto(text, pattern, replacement, out);
  return out;
}

std::string rewriteMarkers(std::string_view line) {
  // Typed out again, independently of the program's table, so that a slip in
  // either copy shows up as a difference.
  static const char* const kRows[34][2] = {
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
  };
  // Converted to GBK once; converting on every call cost most of the time
  // the fuzz target spent here.
  static const std::vector<std::pair<std::string, std::string>> rows = [] {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& row : kRows) out.emplace_back(valo::gbk(row[0]), valo::gbk(row[1]));
    return out;
  }();
  // Two buffers take turns, kept from call to call; a pass that matched
  // nothing leaves the text where it was. A pattern whose first byte (either
  // case) the text lacks cannot match; which bytes the text holds is looked
  // at again after a pass that changed it.
  thread_local std::string buffers[2];
  buffers[0].assign(line);
  int current = 0;
  bool present[256];
  auto notePresent = [&present](const std::string& text) {
    for (bool& p : present) p = false;
    for (const char c : text) present[static_cast<unsigned char>(lowerAscii(c))] = true;
  };
  notePresent(buffers[0]);
  for (const auto& [pattern, replacement] : rows) {
    if (!present[static_cast<unsigned char>(lowerAscii(pattern[0]))]) continue;
    if (!rewriteInto(buffers[current], pattern, replacement, buffers[1 - current])) continue;
    current = 1 - current;
    notePresent(buffers[current]);
  }
  return buffers[current];
}

std::size_t findMarker(std::string_view rewritten) {
  const char* t = rewritten.data();
  const std::size_t n = rewritten.size();
  for (std::size_t i = 0; i < n; i += characterLength(t, n, i)) {
    if (i + 4 <= n && t[i] == 'F' && t[i + 1] == 'A' && t[i + 2] == 'X' && t[i + 3] == ':') return i;
  }
  return std::string_view::npos;
}

std::optional<std::string> extract(std::string_view line) {
  return extractRewritten(rewriteMarkers(line));
}

std::optional<std::string> extractRewritten(std::string_view text) {
  const std::size_t marker = findMarker(text);
  if (marker == std::string_view::npos) return std::nullopt;
  std::string value;
  for (std::size_t i = marker + 4; i < text.size() && value.size() < 255; ++i) {
    if (std::string_view("0123456789(-+)").find(text[i]) == std::string_view::npos) break;
    value += text[i];
  }
  value = rewrite(value, "(", "-");
  value = rewrite(value, ")", "-");
  value = rewrite(value, "+", "");
  value = rewrite(value, "--", "-");
  value = rewrite(value, "--", "-");
  for (std::string_view prefix : {"-", "0086-", "0086", "086-", "086", "86-", "86"}) {
    if (value.compare(0, prefix.size(), prefix) == 0) value = value.substr(prefix.size());
  }
  if (value.empty() || value[0] != '0') value = "0" + value;
  if (value.back() == '-') value.pop_back();
  if (value.size() <= 10 || value.size() >= 30) return std::nullopt;
  value = value.substr(0, 13);
  if (value.back() == '-') value.pop_back();
  return value;
}

}  // namespace valo::harvest::reference
