// Fuzz target: query encoding for every engine. The input is a keyword line in
// GBK bytes plus a page index. The URL encoder and the percent encoding must
// yield only their own alphabet and decode back to what they were given; the
// keyword encoding of each kind must follow from the trimmed line; and the
// query address of every engine must be composed around the encoded keyword
// with a page number in plain digits.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "search/engine_table.h"
#include "search/query_encoding.h"
#include "text/gbk.h"
#include "text/text_lines.h"

namespace {

using namespace valo::search;

bool isAlnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower-case hex digits are not allowed either
}

// Decodes "%XX" (capital hex) and, when plusIsSpace, "+"; every other byte
// must be a letter or digit (or must not occur at all when !lettersAllowed).
std::string decode(std::string_view encoded, bool plusIsSpace, bool lettersAllowed) {
  std::string out;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    if (c == '%') {
      FUZZ_CHECK_BYTES(i + 2 < encoded.size(), encoded);
      const int hi = hexValue(encoded[i + 1]);
      const int lo = hexValue(encoded[i + 2]);
      FUZZ_CHECK_BYTES(hi >= 0 && lo >= 0, encoded);
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else if (plusIsSpace && c == '+') {
      out += ' ';
    } else {
      FUZZ_CHECK_BYTES(lettersAllowed && isAlnum(c), encoded);
      out += c;
    }
  }
  return out;
}

void checkEncoders(std::string_view bytes) {
  TNMURL url;
  url.InputString = std::string(bytes);
  const std::string encoded = url.EncodedInput();
  FUZZ_CHECK_BYTES(decode(encoded, true, true) == bytes, bytes);
  // Letters and digits stay as they are, so nothing else may be left unescaped.
  std::size_t escapes = 0;
  for (const char c : bytes) escapes += (isAlnum(c) || c == ' ') ? 0 : 1;
  FUZZ_CHECK_BYTES(encoded.size() == bytes.size() + 2 * escapes, bytes);
  FUZZ_CHECK(url.EncodedInput() == encoded);  // read afresh, same result

  const std::string percent = Utf8PercentEncode(bytes);
  FUZZ_CHECK_BYTES(percent.size() == 3 * bytes.size(), bytes);
  FUZZ_CHECK_BYTES(decode(percent, false, false) == bytes, bytes);
}

bool validUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n;
    std::uint32_t cp;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      n = 1, cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      n = 2, cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      n = 3, cp = b & 0x07;
    } else {
      return false;
    }
    if (i + n >= s.size()) return false;
    for (std::size_t k = 1; k <= n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = cp << 6 | (t & 0x3F);
    }
    if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += n + 1;
  }
  return true;
}

// Checks the keyword encoding of each kind and returns the three results,
// which the address checks then compose.
std::array<std::string, 3> checkKeyword(std::string_view line) {
  std::array<std::string, 3> byKind;
  const std::string_view trimmed = valo::trimBlanks(line);
  FUZZ_CHECK(trimmed.empty() || (static_cast<unsigned char>(trimmed.front()) > 32 &&
                                 static_cast<unsigned char>(trimmed.back()) > 32));
  TNMURL probe;
  probe.InputString = std::string(trimmed);
  const std::string urlOfTrimmed = probe.EncodedInput();

  for (const KeywordEncoding kind :
       {KeywordEncoding::GbkUrl, KeywordEncoding::Plain, KeywordEncoding::Utf8Percent}) {
    TNMURL encoder;
    encoder.InputString = "left over from the keyword before";
    const std::string result = EncodeQueryKeyword(encoder, line, kind);
    byKind[static_cast<std::size_t>(kind)] = result;
    // The component always sees the trimmed keyword, whatever the kind.
    FUZZ_CHECK_BYTES(encoder.InputString == trimmed, line);
    switch (kind) {
      case KeywordEncoding::GbkUrl:
        FUZZ_CHECK_BYTES(result == urlOfTrimmed, line);
        FUZZ_CHECK_BYTES(
            result.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+%") ==
                std::string::npos,
            result);
        break;
      case KeywordEncoding::Plain:
        FUZZ_CHECK_BYTES(result == trimmed, line);
        break;
      case KeywordEncoding::Utf8Percent: {
        FUZZ_CHECK_BYTES(result.find_first_not_of("0123456789ABCDEF%") == std::string::npos, result);
        const std::string utf8 = decode(result, false, false);
        FUZZ_CHECK_BYTES(utf8 == valo::utf8FromGbk(trimmed), line);
        FUZZ_CHECK_BYTES(validUtf8(utf8), utf8);
        // Pure ASCII is the same in both code pages.
        if (std::all_of(trimmed.begin(), trimmed.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
          FUZZ_CHECK_BYTES(utf8 == trimmed, line);
        break;
      }
    }
  }
  return byKind;
}

void checkAddresses(const std::array<std::string, 3>& byKind, std::int32_t PageIndex) {
  // The keyword of each kind as checkKeyword encoded and checked it.
  for (const SearchEngine& e : engineTable()) {
    FUZZ_CHECK(FindEngine(e.homeAddress) == &e);
    const auto slot = static_cast<std::size_t>(encodingFor(&e));
    FUZZ_CHECK(slot < 3);
    const std::string& encoded = byKind[slot];
    const std::string head = composeQueryHead(e, encoded);
    const std::string front = "http://" + std::string(e.queryHost) + std::string(e.pathHead);
    FUZZ_CHECK(head == front + encoded + std::string(e.pageKey));

    std::int64_t number = PageIndex;
    if (e.pageNumber == PageNumberRule::IndexTimes10) number *= 10;
    if (e.pageNumber == PageNumberRule::IndexTimes10Plus1) number = number * 10 + 1;
    for (const RequestKind kind : {RequestKind::First, RequestKind::PageReader}) {
      const std::string tail = composeQueryTail(e, PageIndex, kind);
      const std::string_view suffix = kind == RequestKind::First ? e.firstSuffix : e.readerSuffix;
      FUZZ_CHECK(tail.ends_with(suffix));
      const std::string digits = tail.substr(0, tail.size() - suffix.size());
      FUZZ_CHECK(!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos);
      FUZZ_CHECK(digits.size() == 1 || digits[0] != '0');
      std::int64_t parsed = 0;
      for (const char c : digits) parsed = parsed * 10 + (c - '0');
      FUZZ_CHECK(parsed == number);
    }
    const std::int64_t measure = pageMeasure(e, PageIndex);
    FUZZ_CHECK(measure ==
               (e.measure == PageMeasure::IndexTimes10 ? std::int64_t{PageIndex} * 10 : PageIndex));
    FUZZ_CHECK(pageCapReached(e, PageIndex) == (measure >= e.pageCap));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Four bytes of page index (any value from 0 up), then the keyword line.
  if (size < 4) return 0;
  std::uint32_t raw;
  std::memcpy(&raw, data, 4);
  const auto PageIndex = static_cast<std::int32_t>(raw & 0x7FFFFFFFu);
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 4, size - 4);

  checkEncoders(bytes);
  checkAddresses(checkKeyword(bytes), PageIndex);

  // The engine box may hold anything; only an exact home address selects.
  if (const SearchEngine* e = FindEngine(bytes)) FUZZ_CHECK(e->homeAddress == bytes);
  FUZZ_CHECK(encodingFor(FindEngine(bytes)) ==
             (FindEngine(bytes) ? FindEngine(bytes)->encoding : KeywordEncoding::GbkUrl));
  return 0;
}
