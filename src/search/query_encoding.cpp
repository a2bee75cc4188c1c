// The three keyword encodings; see query_encoding.h.
#include "search/query_encoding.h"

#include <QByteArray>

#include <exception>

#include "text/gbk.h"
#include "text/text_lines.h"

namespace valo::search {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void appendPercent(std::string& out, unsigned char b) {
  out += '%';
  out += kHex[b >> 4];
  out += kHex[b & 0x0F];
}

bool isAlnum(unsigned char b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9');
}

}  // namespace

void TNMURL::appendEncodedByte(std::string& out, unsigned char b) const {
  if (isAlnum(b)) {
    out += static_cast<char>(b);
  } else if (b == ' ') {
    out += '+';
  } else {
    appendPercent(out, b);
  }
}

std::string TNMURL::EncodedInput() {
  try {
    std::string out;
    out.reserve(InputString.size() * 3);
    for (char c : InputString) appendEncodedByte(out, static_cast<unsigned char>(c));
    return out;
  } catch (const std::exception& e) {
    if (OnError) OnError(*this, "Error during encode", e.what());
    return InputString;
  }
}

std::string Utf8PercentEncode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3);
  for (char c : bytes) appendPercent(out, static_cast<unsigned char>(c));
  return out;
}

std::string EncodeQueryKeyword(TNMURL& encoder, std::string_view keywordLine, KeywordEncoding kind) {
  const std::string_view trimmed = trimBlanks(keywordLine);
  encoder.InputString = std::string(trimmed);
  std::string result = encoder.EncodedInput();
  switch (kind) {
    case KeywordEncoding::Plain:
      result = std::string(trimmed);
      break;
    case KeywordEncoding::Utf8Percent:
      result = Utf8PercentEncode(utf8FromGbk(trimmed));
      break;
    case KeywordEncoding::Utf8Url: {
      const std::string utf8 = utf8FromGbk(trimmed);
      const QByteArray encoded = QByteArray(utf8.data(), static_cast<qsizetype>(utf8.size())).toPercentEncoding();
      result.assign(encoded.constData(), static_cast<std::size_t>(encoded.size()));
      break;
    }
    case KeywordEncoding::GbkUrl:
      break;
  }
  return result;
}

KeywordEncoding encodingFor(const SearchEngine* engine) {
  return engine ? engine->encoding : KeywordEncoding::GbkUrl;
}

}  // namespace valo::search
