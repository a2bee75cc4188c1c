// GBK (code page 936) is the program's text type: every string the core
// counts or matches is a std::string of GBK bytes. These helpers convert at
// the edges, towards the widgets and the browser, through ICU.
#pragma once

#include <QString>
#include <string>
#include <string_view>

struct UConverter;  // ICU's converter

namespace valo {

// A string of code page 936 bytes. A plain alias keeps the byte-oriented
// std::string algorithms available to the core.
using GbkString = std::string;

// Unicode to GBK. Characters that GBK cannot hold become "?", as the Windows
// conversion does.
GbkString gbkFromUtf16(std::u16string_view text);
GbkString gbkFromUtf8(std::string_view text);
// As gbkFromUtf16, with every line end (CR LF, or CR or LF alone) written as
// CR LF. Built for whole web pages: the result is allocated once at its
// exact size and no other copy of the text is made.
GbkString gbkFromUtf16WithCrLf(std::u16string_view text);

// gbkFromUtf16WithCrLf over a text that arrives in pieces: the pieces may
// split a CR LF pair or a surrogate pair anywhere. The last piece is fed
// with `last` set; the output is appended to `out`.
class GbkCrLfEncoder {
 public:
  GbkCrLfEncoder();
  ~GbkCrLfEncoder();
  GbkCrLfEncoder(const GbkCrLfEncoder&) = delete;
  GbkCrLfEncoder& operator=(const GbkCrLfEncoder&) = delete;
  void feed(std::u16string_view piece, bool last, GbkString& out);

 private:
  UConverter* conv_;
  bool afterCr_ = false;
};

// GBK to Unicode. Byte sequences that are not GBK become U+FFFD.
std::u16string utf16FromGbk(std::string_view gbk);
std::string utf8FromGbk(std::string_view gbk);

// The same conversions for Qt strings, used where widgets and the browser
// hand text over.
GbkString toGbk(const QString& text);
QString fromGbk(std::string_view gbk);

// Literals in this code base are UTF-8 source text; this names the GBK bytes
// of such a literal where the core compares or stores it.
inline GbkString gbk(std::string_view utf8Literal) {
  return gbkFromUtf8(utf8Literal);
}

// True when byte `b` starts a double-byte GBK character (lead byte 0x81-0xFE).
constexpr bool isGbkLeadByte(unsigned char b) {
  return b >= 0x81 && b <= 0xFE;
}

}  // namespace valo
