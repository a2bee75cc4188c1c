// ICU-backed conversion between GBK and Unicode. One converter per thread:
// ICU converters are stateful and not shareable across threads.
#include "text/gbk.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <memory>
#include <stdexcept>

namespace valo {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// "windows-936-2000" is Microsoft's code page 936 proper (0x80 is the euro
// sign); the bare alias "windows-936" may resolve to IBM's 1386 table instead.
UConverter* cp936() {
  thread_local ConverterPtr conv = [] {
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr c(ucnv_open("windows-936-2000", &status));
    if (U_FAILURE(status)) {
      throw std::runtime_error("ICU has no converter for code page 936");
    }
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(c.get(), "?", 1, &status);
    return c;
  }();
  ucnv_reset(conv.get());
  return conv.get();
}

}  // namespace

GbkString gbkFromUtf16(std::u16string_view text) {
  if (text.empty()) return {};
  UConverter* conv = cp936();
  GbkString out(text.size() * 2 + 2, '\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                              reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
                              &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(static_cast<size_t>(n) + 1);
    status = U_ZERO_ERROR;
    n = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                        reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
                        &status);
  }
  if (U_FAILURE(status)) throw std::runtime_error("GBK conversion failed");
  out.resize(static_cast<size_t>(n));
  return out;
}

std::u16string utf16FromGbk(std::string_view gbkText) {
  if (gbkText.empty()) return {};
  UConverter* conv = cp936();
  std::u16string out(gbkText.size() + 1, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                            gbkText.data(), static_cast<int32_t>(gbkText.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(static_cast<size_t>(n) + 1);
    status = U_ZERO_ERROR;
    n = ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                      gbkText.data(), static_cast<int32_t>(gbkText.size()), &status);
  }
  if (U_FAILURE(status)) throw std::runtime_error("GBK conversion failed");
  out.resize(static_cast<size_t>(n));
  return out;
}

namespace {

// Feeds `text` with its line ends made CR LF through `conv` in small
// pieces, handing each piece of output to `sink`. Pieces may end inside a
// CR LF pair or a surrogate pair: `afterCr` and the converter's own state
// carry both across pieces and across calls; `last` flushes the converter.
template <typename Sink>
void feedWithCrLf(UConverter* conv, bool& afterCr, std::u16string_view text, bool last, Sink&& sink) {
  constexpr std::size_t kPiece = 16 * 1024;
  char16_t in[kPiece + 1];
  char bytes[kPiece * 2 + 16];
  std::size_t at = 0;
  do {
    std::size_t n = 0;
    for (; at < text.size() && n < kPiece; ++at) {
      const char16_t c = text[at];
      if (c == u'\n' && afterCr) {  // the second half of a CR LF already written
        afterCr = false;
        continue;
      }
      afterCr = c == u'\r';
      if (c == u'\r' || c == u'\n') {
        in[n++] = u'\r';
        in[n++] = u'\n';
      } else {
        in[n++] = c;
      }
    }
    const bool flush = last && at == text.size();
    const UChar* source = reinterpret_cast<const UChar*>(in);
    const UChar* const sourceEnd = source + n;
    UErrorCode status = U_ZERO_ERROR;
    do {
      char* target = bytes;
      status = U_ZERO_ERROR;
      ucnv_fromUnicode(conv, &target, bytes + sizeof bytes, &source, sourceEnd, nullptr, flush, &status);
      sink(bytes, static_cast<std::size_t>(target - bytes));
    } while (status == U_BUFFER_OVERFLOW_ERROR);
    if (U_FAILURE(status)) throw std::runtime_error("GBK conversion failed");
  } while (at < text.size());
}

template <typename Sink>
void convertWithCrLf(std::u16string_view text, Sink&& sink) {
  bool afterCr = false;
  feedWithCrLf(cp936(), afterCr, text, true, sink);
}

}  // namespace

GbkString gbkFromUtf16WithCrLf(std::u16string_view text) {
  if (text.empty()) return {};
  // Counting first costs a second conversion but keeps a large page from
  // being held twice, or in a buffer of twice its size.
  std::size_t size = 0;
  convertWithCrLf(text, [&](const char*, std::size_t n) { size += n; });
  GbkString out;
  out.reserve(size);
  convertWithCrLf(text, [&](const char* p, std::size_t n) { out.append(p, n); });
  return out;
}

GbkCrLfEncoder::GbkCrLfEncoder() {
  UErrorCode status = U_ZERO_ERROR;
  conv_ = ucnv_open("windows-936-2000", &status);
  if (U_FAILURE(status)) throw std::runtime_error("GBK converter unavailable");
  ucnv_setSubstChars(conv_, "?", 1, &status);
}

GbkCrLfEncoder::~GbkCrLfEncoder() {
  ucnv_close(conv_);
}

void GbkCrLfEncoder::feed(std::u16string_view piece, bool last, GbkString& out) {
  feedWithCrLf(conv_, afterCr_, piece, last, [&](const char* p, std::size_t n) { out.append(p, n); });
}

GbkString gbkFromUtf8(std::string_view text) {
  return toGbk(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

std::string utf8FromGbk(std::string_view gbkText) {
  return fromGbk(gbkText).toStdString();
}

GbkString toGbk(const QString& text) {
  return gbkFromUtf16(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())));
}

QString fromGbk(std::string_view gbkText) {
  const std::u16string u = utf16FromGbk(gbkText);
  return QString(reinterpret_cast<const QChar*>(u.data()), static_cast<qsizetype>(u.size()));
}

}  // namespace valo
