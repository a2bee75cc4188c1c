// See keyword_line_keeper.h.
#include "files/keyword_line_keeper.h"

#include <algorithm>

#include "text/text_lines.h"

namespace valo::files {
namespace {

// The whole lines of a CR LF text; a text ending in CR LF has no empty line
// after it.
std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  TextLineCursor cursor(text, std::string_view::npos);
  for (std::string_view line; cursor.next(line);) lines.push_back(line);
  return lines;
}

}  // namespace

std::vector<KeptLine> linesToKeep(std::string_view original, std::string_view shown) {
  const std::vector<std::string_view> was = splitLines(original);
  const std::vector<std::string_view> is = splitLines(shown);
  std::vector<KeptLine> kept;
  if (was.size() != is.size()) return kept;
  for (std::size_t i = 0; i < was.size(); ++i) {
    if (was[i] != is[i]) kept.push_back(KeptLine{i, GbkString(is[i]), GbkString(was[i])});
  }
  return kept;
}

GbkString withKeptLines(std::string_view shown, const std::vector<std::pair<std::size_t, GbkString>>& kept) {
  if (kept.empty()) return GbkString(shown);
  std::vector<std::pair<std::size_t, GbkString>> byLine = kept;
  std::sort(byLine.begin(), byLine.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  GbkString out;
  out.reserve(shown.size());
  TextLineCursor cursor(shown, std::string_view::npos);
  auto next = byLine.begin();
  std::size_t index = 0;
  for (std::string_view line; cursor.next(line); ++index) {
    if (index != 0) out += "\r\n";
    while (next != byLine.end() && next->first < index) ++next;
    out += next != byLine.end() && next->first == index ? std::string_view(next->second) : line;
  }
  if (shown.ends_with("\r\n")) out += "\r\n";
  return out;
}

}  // namespace valo::files
