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

void KeywordLineKeeper::remember(std::string_view original, std::string_view shown) {
  const std::vector<std::string_view> was = splitLines(original);
  const std::vector<std::string_view> is = splitLines(shown);
  if (was.size() != is.size()) return;
  for (std::size_t i = 0; i < was.size(); ++i) {
    if (was[i] == is[i]) continue;
    std::vector<std::string>& originals = byShown_[std::string(is[i])];
    if (std::find(originals.begin(), originals.end(), was[i]) == originals.end())
      originals.emplace_back(was[i]);
  }
}

GbkString KeywordLineKeeper::restore(std::string_view shown) const {
  if (byShown_.empty()) return GbkString(shown);
  std::unordered_map<std::string_view, std::size_t> taken;
  GbkString out;
  out.reserve(shown.size());
  TextLineCursor cursor(shown, std::string_view::npos);
  bool first = true;
  for (std::string_view line; cursor.next(line); first = false) {
    if (!first) out += "\r\n";
    const auto found = byShown_.find(std::string(line));
    if (found == byShown_.end()) {
      out += line;
      continue;
    }
    // Alike lines take the originals in turn; more of them than were
    // remembered repeat the last.
    std::size_t& n = taken[line];
    out += found->second[std::min(n, found->second.size() - 1)];
    ++n;
  }
  if (shown.ends_with("\r\n")) out += "\r\n";
  return out;
}

}  // namespace valo::files
