// The error type that handlers raise and the one catch point shows in the
// application's standard error box, plus the conversions whose failures the
// user sees with fixed texts.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "text/gbk.h"

namespace valo {

// An error whose message is GBK text, shown verbatim (plus the full stop rule)
// in the standard error box.
class AppError : public std::runtime_error {
 public:
  explicit AppError(GbkString message) : std::runtime_error(message), message_(std::move(message)) {}
  const GbkString& message() const { return message_; }

 private:
  GbkString message_;
};

// The standard error box adds a full stop when the text does not end with one.
GbkString errorBoxText(std::string_view message);

// Builds a message from a fixed ASCII pattern with one "%s" replaced by `arg`.
GbkString formatMessage(std::string_view pattern, std::string_view arg);

// The integer conversion of the program's text fields: leading blanks, an
// optional sign, then decimal digits or hexadecimal digits after "$" or "0x".
// Anything else, an empty text or a value outside the signed 32-bit range
// throws AppError("'<text>' is not a valid integer value").
std::int32_t strToInt(std::string_view text);

// Non-throwing form; false where strToInt would throw.
bool tryStrToInt(std::string_view text, std::int32_t& value);

// Decimal text of an integer: optional minus sign, digits, no padding.
std::string intToStr(std::int64_t value);

}  // namespace valo
