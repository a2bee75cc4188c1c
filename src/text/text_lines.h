// The "lines of a text box" rule shared by the keyword box, the hidden page
// buffer and the builder's boxes: a text split at CR LF, where an empty last
// line after the final line end does not count, one line reads as at most its
// first 4096 bytes, and an appended line is ended with CR LF.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace valo {

inline constexpr std::size_t kMaxLineBytes = 4096;
inline constexpr std::string_view kCrLf = "\r\n";

class TextLines {
 public:
  TextLines() = default;
  explicit TextLines(std::string text);

  const std::string& text() const { return *text_; }
  // The text as it stands, to be kept beyond the next change (the page
  // buffer's records of a page point into it rather than copy its lines).
  std::shared_ptr<const std::string> sharedText() const { return text_; }
  void setText(std::string text);
  void clear() { setText({}); }

  // Number of lines by the rule: "" has 0, "a" 1, "a\r\n" 1, "a\r\n\r\n" 2.
  int count() const;

  // Line `index` (0-based), at most its first 4096 bytes. Out-of-range gives "".
  std::string_view line(int index) const;
  // The whole line, uncut (the builder's Save writes whole text, not lines).
  std::string_view fullLine(int index) const;

  // Puts `line` after the last counted line and ends it with CR LF; a text
  // that does not end with a line end gets one first.
  void append(std::string_view line);

  // All lines, each cut to 4096 bytes.
  std::vector<std::string_view> lines() const;

 private:
  void index() const;

  // Shared with those who keep the text; a change while it is shared writes
  // a copy, so what they keep never changes under them.
  std::shared_ptr<std::string> text_ = std::make_shared<std::string>();
  // Byte offset of each counted line, made at the first question that needs
  // it: a page buffer that is only walked line by line never pays 8 bytes a
  // line for it.
  mutable std::vector<std::size_t> starts_;
  mutable bool indexed_ = true;
};

// Walks a text's lines by the rule without keeping them: each next() gives
// the following line, cut to `maxLineBytes` (the 4096 bytes of a line read),
// as a view into the text.
class TextLineCursor {
 public:
  explicit TextLineCursor(std::string_view text, std::size_t maxLineBytes = kMaxLineBytes)
      : text_(text), maxLineBytes_(maxLineBytes) {}
  bool next(std::string_view& line);

 private:
  std::string_view text_;
  std::size_t maxLineBytes_;
  std::size_t pos_ = 0;
};

// Splits a text by the rule without keeping it; same results as TextLines.
std::vector<std::string_view> splitTextLines(std::string_view text);

// Removes bytes 0..32 (blanks and control characters) at both ends.
std::string_view trimBlanks(std::string_view text);

}  // namespace valo
