// See keyword_line_keeper.h.
#include "files/keyword_line_keeper.h"

#include <algorithm>

namespace valo::files {
namespace {

// The lines of a CR LF text, each without its line end; a text ending in
// CR LF has no empty line after it.
std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t end = text.find("\r\n", from);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(from));
      break;
    }
    lines.push_back(text.substr(from, end - from));
    from = end + 2;
  }
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
  std::size_t from = 0;
  while (from < shown.size()) {
    std::size_t end = shown.find("\r\n", from);
    const bool last = end == std::string_view::npos;
    if (last) end = shown.size();
    const std::string_view line = shown.substr(from, end - from);
    const auto found = byShown_.find(std::string(line));
    if (found == byShown_.end()) {
      out += line;
    } else {
      // Alike lines take the originals in turn; more of them than were
      // remembered repeat the last.
      std::size_t& n = taken[line];
      out += found->second[std::min(n, found->second.size() - 1)];
      ++n;
    }
    if (last) break;
    out += "\r\n";
    from = end + 2;
  }
  return out;
}

}  // namespace valo::files
