// The replace-all operation behind every marker rewrite and every
// normalisation step of the fax number extractor.
//
// The text is scanned left to right; at each match the replacement is emitted
// and scanning resumes directly behind the matched text, so matches never
// overlap and text produced by a replacement is never scanned again. ASCII
// letters compare without regard to case, every other character compares
// exactly (a letter-valued trail byte of a double-byte character included).
// A match only begins at a character start, and it only ends at one: a pattern
// whose last character is a lone lead byte matches only at the end of the text.
// An empty replacement deletes the matches; an empty pattern changes nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/gbk.h"

namespace valo::harvest {

// A pattern and its replacement, prepared once so that applying it to many
// lines costs one scan each and no allocation when the pattern is absent.
class RewriteRule {
 public:
  RewriteRule(GbkString pattern, GbkString replacement);

  const GbkString& pattern() const { return pattern_; }
  const GbkString& replacement() const { return replacement_; }

  // Writes the rewritten text to `out` and returns true when the pattern
  // matches at least once. Returns false and leaves `out` alone otherwise,
  // because the result would equal `text`. `out` must not alias `text`.
  bool applyTo(std::string_view text, GbkString& out) const;

 private:
  bool matchesAt(std::string_view text, std::size_t pos) const;
  std::size_t nextCandidate(std::string_view text, std::size_t from, std::size_t last) const;

  GbkString pattern_;
  GbkString replacement_;
  // Per pattern byte: true where it is a single-byte ASCII letter, which
  // matches either case.
  std::vector<unsigned char> folds_;
  bool endsWithLoneLead_ = false;
};

GbkString Rewrite(std::string_view text, std::string_view pattern, std::string_view replacement);

}  // namespace valo::harvest
