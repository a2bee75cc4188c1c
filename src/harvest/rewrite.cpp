// Replace-all over GBK text, ignoring the case of ASCII letters.
#include "harvest/rewrite.h"

#include <cstring>

#include "harvest/char_boundary.h"

namespace valo::harvest {

namespace {

bool isAsciiLetter(unsigned char b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

}  // namespace

RewriteRule::RewriteRule(GbkString pattern, GbkString replacement)
    : pattern_(std::move(pattern)), replacement_(std::move(replacement)), folds_(pattern_.size(), false) {
  // Segment the pattern the way the text is segmented: only bytes that are
  // characters of their own may fold, never the trail byte of a double-byte
  // character.
  for (std::size_t i = 0; i < pattern_.size();) {
    const std::size_t length = gbkCharLength(pattern_, i);
    if (length == 1) {
      folds_[i] = isAsciiLetter(static_cast<unsigned char>(pattern_[i]));
      endsWithLoneLead_ = isGbkLeadByte(static_cast<unsigned char>(pattern_[i]));
    } else {
      endsWithLoneLead_ = false;
    }
    i += length;
  }
}

bool RewriteRule::matchesAt(std::string_view text, std::size_t pos) const {
  // `pos` is a character start; because the pattern is compared character by
  // character from there, a byte-equal lead byte always faces a lead byte
  // and every pattern character lines up with a text character.
  const std::size_t m = pattern_.size();
  for (std::size_t k = 0; k < m; ++k) {
    const auto t = static_cast<unsigned char>(text[pos + k]);
    const auto p = static_cast<unsigned char>(pattern_[k]);
    if (t != p && !(folds_[k] && (t | 0x20) == (p | 0x20))) return false;
  }
  // A trailing lone lead byte in the pattern is a whole character only where
  // the text ends too; elsewhere the text's byte has a trail behind it.
  return !endsWithLoneLead_ || pos + m == text.size();
}

std::size_t RewriteRule::nextCandidate(std::string_view text, std::size_t from, std::size_t last) const {
  // The first pattern byte picks the places worth comparing.
  const auto first = static_cast<unsigned char>(pattern_[0]);
  if (!folds_[0]) {
    const void* hit = std::memchr(text.data() + from, first, last + 1 - from);
    return hit ? static_cast<const char*>(hit) - text.data() : std::string_view::npos;
  }
  // Either case of the letter: the second search stops where the first hit.
  const char* begin = text.data() + from;
  std::size_t span = last + 1 - from;
  const void* lower = std::memchr(begin, first | 0x20, span);
  if (lower) span = static_cast<const char*>(lower) - begin;
  const void* upper = std::memchr(begin, first & ~0x20, span);
  const void* hit = upper ? upper : lower;
  return hit ? static_cast<const char*>(hit) - text.data() : std::string_view::npos;
}

bool RewriteRule::applyTo(std::string_view text, GbkString& out) const {
  const std::size_t m = pattern_.size();
  if (m == 0 || m > text.size()) return false;
  const std::size_t last = text.size() - m;  // last position where a match fits
  bool matched = false;
  std::size_t copied = 0;    // text before this is already in `out`
  std::size_t boundary = 0;  // a known character start at or before the scan
  std::size_t pos = 0;
  while (pos <= last) {
    pos = nextCandidate(text, pos, last);
    if (pos == std::string_view::npos) break;
    boundary = syncCharBoundary(text, boundary, pos);
    if (boundary != pos || !matchesAt(text, pos)) {
      ++pos;
      continue;
    }
    if (!matched) {
      out.clear();
      out.reserve(text.size() + replacement_.size());
      matched = true;
    }
    out.append(text.data() + copied, pos - copied);
    out.append(replacement_);
    pos += m;
    copied = boundary = pos;
  }
  if (matched) out.append(text.data() + copied, text.size() - copied);
  return matched;
}

GbkString Rewrite(std::string_view text, std::string_view pattern, std::string_view replacement) {
  const RewriteRule rule{GbkString(pattern), GbkString(replacement)};
  GbkString out;
  if (!rule.applyTo(text, out)) out.assign(text);
  return out;
}

}  // namespace valo::harvest
