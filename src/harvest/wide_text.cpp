// Folding of full-width forms for the wider reading. The GBK bytes of each
// form come from ICU's converter once, so the table agrees with the text
// conversions everywhere else in the program.
#include "harvest/wide_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "harvest/word_scan.h"

namespace valo::harvest {
namespace {

// Indexed by (lead - 0x81) * 256 + trail; 0 where a character stays as it is.
using FoldTable = std::array<char, 126 * 256>;

void addFold(FoldTable& table, char16_t from, char to) {
  const GbkString bytes = gbkFromUtf16(std::u16string_view(&from, 1));
  if (bytes.size() != 2) return;  // not in GBK as a character of its own
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const auto trail = static_cast<unsigned char>(bytes[1]);
  if (!isGbkLeadByte(lead)) return;
  table[static_cast<std::size_t>(lead - 0x81) * 256 + trail] = to;
}

const FoldTable& foldTable() {
  static const FoldTable table = [] {
    FoldTable t{};
    // U+FF01..U+FF5E are the full-width forms of "!" to "~".
    for (char16_t u = 0xFF01; u <= 0xFF5E; ++u) addFold(t, u, static_cast<char>(u - 0xFEE0));
    addFold(t, u'\u3000', ' ');  // ideographic space
    addFold(t, u'\u3001', ',');  // 、
    return t;
  }();
  return table;
}

}  // namespace

bool mayHoldWideLabel(std::string_view line) {
  // This runs over every byte of every page line, so eight bytes at a time
  // are first tested, with bit 0x20 set, for an f (f, F) or an E6 (the
  // second byte of 真, Ｆ and ｆ); most words have none.
  const auto* t = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  for (std::size_t i = 0; i < n;) {
    if (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, t + i, 8);
      word |= kEveryByteOne * 0x20;
      if (!wordHoldsByte(word, 'f') && !wordHoldsByte(word, 0xE6)) {
        i += 8;
        continue;
      }
    }
    for (const std::size_t end = std::min(n, i + 8); i < end; ++i) {
      const unsigned char b = t[i] | 0x20;
      if (b == 'f') {
        if (i + 1 < n && (t[i + 1] | 0x20) == 'a') return true;
      } else if (b == 0xE6 && i > 0) {
        if (t[i - 1] == 0xD5 && t[i] == 0xE6) return true;  // 真
        // Ｆ or ｆ, then Ａ or ａ
        if (t[i - 1] == 0xA3 && i + 2 < n && t[i + 1] == 0xA3 && (t[i + 2] | 0x20) == 0xE1) return true;
      }
    }
  }
  return false;
}

void foldWideForms(std::string_view line, GbkString& out) {
  const FoldTable& table = foldTable();
  out.clear();
  const std::size_t n = line.size();
  for (std::size_t i = 0; i < n;) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (isGbkLeadByte(c) && i + 1 < n) {
      const char folded = table[static_cast<std::size_t>(c - 0x81) * 256 + static_cast<unsigned char>(line[i + 1])];
      if (folded != 0) {
        out += folded;
      } else {
        out.append(line.data() + i, 2);
      }
      i += 2;
    } else {
      out += line[i++];
    }
  }
}

}  // namespace valo::harvest
