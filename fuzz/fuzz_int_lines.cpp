// Fuzz target: the integer conversion of the text fields and the lines rule
// of the text boxes. The conversion must agree with a plain reader of the
// same grammar (blanks, sign, decimal or "$"/"0x" hexadecimal digits, 32-bit
// range) and name the text in its error; the lines of a text must rebuild it,
// be cut at 4096 bytes, and an appended line must become the last line while
// the lines before it stay as they were.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "text/app_error.h"
#include "text/text_lines.h"

namespace {

// Reads the grammar front to back with a wide accumulator.
std::optional<std::int32_t> referenceInt(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  bool minus = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    minus = s.front() == '-';
    s.remove_prefix(1);
  }
  unsigned base = 10;
  if (s.starts_with("$")) {
    base = 16;
    s.remove_prefix(1);
  } else if (s.starts_with("0x") || s.starts_with("0X")) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return std::nullopt;
  __int128 v = 0;
  for (const char c : s) {
    unsigned d;
    if (c >= '0' && c <= '9') {
      d = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      d = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      d = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    v = v * base + d;
    if (v > (__int128{1} << 40)) v = __int128{1} << 40;  // far out of range already; keep it there
  }
  if (minus) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(v);
}

void checkInteger(std::string_view text) {
  const std::optional<std::int32_t> expected = referenceInt(text);
  std::int32_t value = 12345;
  const bool ok = valo::tryStrToInt(text, value);
  FUZZ_CHECK_BYTES(ok == expected.has_value(), text);
  if (ok) FUZZ_CHECK_BYTES(value == *expected, text);
  try {
    const std::int32_t thrown = valo::strToInt(text);
    FUZZ_CHECK_BYTES(expected && thrown == *expected, text);
    // Written back as decimal text, the value reads as itself.
    FUZZ_CHECK(valo::strToInt(valo::intToStr(thrown)) == thrown);
  } catch (const valo::AppError& e) {
    FUZZ_CHECK_BYTES(!expected, text);
    FUZZ_CHECK_BYTES(e.message() == "'" + std::string(text) + "' is not a valid integer value", text);
  }
}

void checkLines(std::string_view text, std::string_view appended) {
  valo::TextLines lines{std::string(text)};
  // Lines rebuild the text: joined with CR LF, plus the final CR LF if any.
  std::string rebuilt;
  for (int i = 0; i < lines.count(); ++i) {
    if (i > 0) rebuilt += "\r\n";
    rebuilt += lines.fullLine(i);
    const std::string_view cut = lines.line(i);
    FUZZ_CHECK(cut.size() <= valo::kMaxLineBytes);
    FUZZ_CHECK(cut == lines.fullLine(i).substr(0, valo::kMaxLineBytes));
    FUZZ_CHECK(lines.fullLine(i).find("\r\n") == std::string_view::npos);
  }
  if (text.ends_with("\r\n")) rebuilt += "\r\n";
  FUZZ_CHECK_BYTES(rebuilt == text, text);
  // "" has no line; otherwise one more than the line ends, less a final one.
  std::size_t ends = 0;
  for (std::size_t p = text.find("\r\n"); p != std::string_view::npos; p = text.find("\r\n", p + 2)) ++ends;
  const std::size_t expectedCount = text.empty() ? 0 : ends + (text.ends_with("\r\n") ? 0 : 1);
  FUZZ_CHECK_BYTES(static_cast<std::size_t>(lines.count()) == expectedCount, text);
  FUZZ_CHECK(lines.line(-1).empty() && lines.line(lines.count()).empty());
  const std::vector<std::string_view> all = lines.lines();
  FUZZ_CHECK(all == valo::splitTextLines(text));

  // Appending: the text gets a line end first when it lacks one, then the
  // line and CR LF. The index kept on the way equals a fresh one.
  const std::vector<std::string> before(all.begin(), all.end());
  lines.append(appended);
  const valo::TextLines fresh{lines.text()};
  FUZZ_CHECK(lines.count() == fresh.count());
  for (int i = 0; i < fresh.count(); ++i) FUZZ_CHECK(lines.fullLine(i) == fresh.fullLine(i));
  FUZZ_CHECK(lines.text().ends_with("\r\n"));
  if (appended.find("\r\n") == std::string_view::npos) {
    // The CR LF put in first keeps a CR at the text's end and an LF at the
    // line's start from joining into a line end.
    FUZZ_CHECK(lines.count() == static_cast<int>(before.size()) + 1);
    FUZZ_CHECK(lines.fullLine(lines.count() - 1) == appended);
    for (std::size_t i = 0; i < before.size(); ++i) FUZZ_CHECK(lines.line(static_cast<int>(i)) == before[i]);
  }
}

void checkTrim(std::string_view text) {
  const std::string_view t = valo::trimBlanks(text);
  FUZZ_CHECK(t.empty() ||
             (static_cast<unsigned char>(t.front()) > 32 && static_cast<unsigned char>(t.back()) > 32));
  // A view into the text: only blanks were cut away on either side.
  FUZZ_CHECK(t.empty() || (t.data() >= text.data() && t.data() + t.size() <= text.data() + text.size()));
  if (!t.empty()) {
    const std::size_t front = static_cast<std::size_t>(t.data() - text.data());
    for (std::size_t i = 0; i < front; ++i) FUZZ_CHECK(static_cast<unsigned char>(text[i]) <= 32);
    for (std::size_t i = front + t.size(); i < text.size(); ++i)
      FUZZ_CHECK(static_cast<unsigned char>(text[i]) <= 32);
  } else {
    for (const char c : text) FUZZ_CHECK(static_cast<unsigned char>(c) <= 32);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  // Up to the first zero byte: the text; after it, a line to append.
  const std::size_t zero = all.find('\0');
  const std::string_view text = all.substr(0, zero);
  const std::string_view appended =
      zero == std::string_view::npos ? std::string_view() : all.substr(zero + 1);

  checkInteger(text);
  checkInteger(appended);
  checkLines(text, appended);
  checkLines(all, text);
  checkTrim(all);

  // Every 32-bit value survives the trip through its decimal text.
  if (size >= 4) {
    std::int32_t v;
    std::memcpy(&v, data, 4);
    FUZZ_CHECK(valo::strToInt(valo::intToStr(v)) == v);
  }
  return 0;
}
