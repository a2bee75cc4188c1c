// The plain reference of the extractor's text steps, character by character.
#include "reference_extractor.h"

#include <utility>
#include <vector>

#include "text/gbk.h"

namespace valo::harvest::reference {

namespace {

std::vector<std::string_view> characters(std::string_view text) {
  std::vector<std::string_view> out;
  for (std::size_t i = 0; i < text.size();) {
    const bool lead =
        static_cast<unsigned char>(text[i]) >= 0x81 && static_cast<unsigned char>(text[i]) <= 0xFE;
    const std::size_t length = (lead && i + 1 < text.size()) ? 2 : 1;
    out.push_back(text.substr(i, length));
    i += length;
  }
  return out;
}

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameCharacter(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a.size() == 1) return lowerAscii(a[0]) == lowerAscii(b[0]);
  return a == b;
}

}  // namespace

std::string rewrite(std::string_view text, std::string_view pattern, std::string_view replacement) {
  const auto t = characters(text);
  const auto p = characters(pattern);
  if (p.empty()) return std::string(text);
  std::string out;
  std::size_t i = 0;
  while (i < t.size()) {
    bool match = i + p.size() <= t.size();
    for (std::size_t k = 0; match && k < p.size(); ++k) match = sameCharacter(t[i + k], p[k]);
    if (match) {
      out += replacement;
      i += p.size();
    } else {
      out += t[i];
      ++i;
    }
  }
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
  std::string text(line);
  for (const auto& [pattern, replacement] : rows) text = rewrite(text, pattern, replacement);
  return text;
}

std::size_t findMarker(std::string_view rewritten) {
  const auto t = characters(rewritten);
  std::size_t offset = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (i + 4 <= t.size() && t[i] == "F" && t[i + 1] == "A" && t[i + 2] == "X" && t[i + 3] == ":")
      return offset;
    offset += t[i].size();
  }
  return std::string_view::npos;
}

std::optional<std::string> extract(std::string_view line) {
  const std::string text = rewriteMarkers(line);
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
