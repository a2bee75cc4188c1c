// Error texts and the integer conversion; see app_error.h.
#include "text/app_error.h"

#include <limits>

namespace valo {

GbkString errorBoxText(std::string_view message) {
  GbkString out(message);
  if (out.empty() || out.back() != '.') out += '.';
  return out;
}

GbkString formatMessage(std::string_view pattern, std::string_view arg) {
  GbkString out(pattern);
  const std::size_t at = out.find("%s");
  if (at != GbkString::npos) out.replace(at, 2, arg);
  return out;
}

bool tryStrToInt(std::string_view text, std::int32_t& value) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= n) return false;
  // Magnitude limit: 2^31 for a negative value, 2^31 - 1 otherwise.
  const std::uint64_t limit = negative ? std::uint64_t{1} << 31
                                       : static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
  std::uint64_t magnitude = 0;
  for (; i < n; ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (magnitude > limit) return false;
  }
  const std::int64_t signedValue =
      negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  value = static_cast<std::int32_t>(signedValue);
  return true;
}

std::int32_t strToInt(std::string_view text) {
  std::int32_t v = 0;
  if (!tryStrToInt(text, v)) throw AppError(formatMessage("'%s' is not a valid integer value", text));
  return v;
}

std::string intToStr(std::int64_t value) {
  return std::to_string(value);
}

}  // namespace valo
