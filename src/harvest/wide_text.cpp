// Folding of full-width forms for the wider reading. The GBK bytes of each
// form come from ICU's converter once, so the table agrees with the text
// conversions everywhere else in the program.
#include "harvest/wide_text.h"

#include <array>
#include <cstring>
#include <string>

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
  const auto* t = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  if (n < 2) return false;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const unsigned char c = t[i];
    if ((c | 0x20) == 'f') {
      if ((t[i + 1] | 0x20) == 'a') return true;
    } else if (c == 0xD5) {
      if (t[i + 1] == 0xE6) return true;  // 真
    } else if (c == 0xA3 && (t[i + 1] == 0xC6 || t[i + 1] == 0xE6)) {
      if (i + 3 < n && t[i + 2] == 0xA3 && (t[i + 3] == 0xC1 || t[i + 3] == 0xE1)) return true;  // ＦＡ
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
