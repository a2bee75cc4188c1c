// Character positions in GBK text. A lead byte (0x81-0xFE) and the byte after
// it form one character; a lead byte that ends the text stands alone. Every
// other byte is a character of its own. Markers and patterns are searched only
// where a character begins, never inside a double-byte character.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/gbk.h"

namespace valo::harvest {

// Length in bytes (1 or 2) of the character that begins at `pos`.
inline std::size_t gbkCharLength(std::string_view text, std::size_t pos) {
  return (isGbkLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

// A character start at least `margin` bytes before `at`. A byte that is no
// lead byte ends a character, whether it is one or a trail byte, so the
// position behind it is a character start.
inline std::size_t charStartBefore(std::string_view line, std::size_t at, std::size_t margin) {
  std::size_t i = at > margin ? at - margin : 0;
  while (i > 0 && isGbkLeadByte(static_cast<unsigned char>(line[i - 1]))) --i;
  return i;
}

// Walks forward from `boundary`, which must begin a character, to the first
// character start at or after `pos`. Callers keep the result as the next known
// boundary, so a left-to-right scan walks each byte once.
inline std::size_t syncCharBoundary(std::string_view text, std::size_t boundary, std::size_t pos) {
  while (boundary < pos) boundary += gbkCharLength(text, boundary);
  return boundary;
}

// First position at or after `from` (a character start) where `needle` begins
// at a character start, compared byte for byte; npos when there is none.
inline std::size_t findAtCharBoundary(std::string_view text, std::string_view needle, std::size_t from = 0) {
  std::size_t boundary = from;
  for (std::size_t pos = text.find(needle, from); pos != std::string_view::npos;
       pos = text.find(needle, pos + 1)) {
    boundary = syncCharBoundary(text, boundary, pos);
    if (boundary == pos) return pos;
  }
  return std::string_view::npos;
}

}  // namespace valo::harvest
