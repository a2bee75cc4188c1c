// Normalisation of a fax number run into the form kept in the result list.
#include "harvest/number_normaliser.h"

#include <algorithm>
#include <array>

#include "harvest/rewrite.h"

namespace valo::harvest {

namespace {

constexpr std::size_t kMaxRunLength = 255;
constexpr std::size_t kMinLength = 11;
constexpr std::size_t kMaxLength = 29;
constexpr std::size_t kCutLength = 13;

bool isNumberChar(char c) {
  return (c >= '0' && c <= '9') || c == '(' || c == ')' || c == '-' || c == '+';
}

bool dropTrailingDash(GbkString& value) {
  if (value.empty() || value.back() != '-') return false;
  value.pop_back();
  return true;
}

// Each prefix is tested once, in turn, against what the earlier tests left:
// "-0086-21..." loses both "-" and "0086-".
constexpr std::array<std::string_view, 7> kPrefixes{"-", "0086-", "0086", "086-", "086", "86-", "86"};

// N1 to N9 through the Rewrite operation, for text that is not a plain run.
std::optional<GbkString> normaliseText(std::string_view run) {
  GbkString value = Rewrite(run, "(", "-");
  value = Rewrite(value, ")", "-");
  value = Rewrite(value, "+", "");
  // One pass of "--" -> "-" halves a run of dashes at best, so the second
  // pass leaves one dash for runs of up to four and two for a run of five.
  value = Rewrite(value, "--", "-");
  value = Rewrite(value, "--", "-");
  for (const std::string_view prefix : kPrefixes) {
    if (value.starts_with(prefix)) value.erase(0, prefix.size());
  }
  if (value.empty() || value.front() != '0') value.insert(0, 1, '0');
  dropTrailingDash(value);
  if (value.size() < kMinLength || value.size() > kMaxLength) return std::nullopt;
  if (value.size() > kCutLength) value.resize(kCutLength);
  dropTrailingDash(value);
  return value;
}

}  // namespace

std::string_view numberRun(std::string_view text) {
  std::size_t length = 0;
  while (length < text.size() && length < kMaxRunLength && isNumberChar(text[length])) ++length;
  return text.substr(0, length);
}

std::optional<GbkString> normaliseNumber(std::string_view run) {
  // A run holds number characters only, all single bytes, so each rewrite
  // is a plain character replacement; anything else takes the general road.
  if (run.size() > kMaxRunLength || !std::all_of(run.begin(), run.end(), isNumberChar)) {
    return normaliseText(run);
  }
  // One spare byte in front for the "0" of N6.
  char buffer[kMaxRunLength + 1];
  char* const value = buffer + 1;
  std::size_t length = 0;
  for (const char c : run) {
    if (c == '+') continue;
    value[length++] = (c == '(' || c == ')') ? '-' : c;
  }
  // "--" -> "-" twice, left to right, matches not overlapping.
  for (int pass = 0; pass < 2; ++pass) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < length; ++i) {
      value[out++] = value[i];
      if (value[i] == '-' && i + 1 < length && value[i + 1] == '-') ++i;
    }
    length = out;
  }
  std::string_view v(value, length);
  for (const std::string_view prefix : kPrefixes) {
    if (v.starts_with(prefix)) v.remove_prefix(prefix.size());
  }
  if (v.empty() || v.front() != '0') {
    char* const zero = const_cast<char*>(v.data()) - 1;  // the spare byte or one already read
    *zero = '0';
    v = std::string_view(zero, v.size() + 1);
  }
  auto dropDash = [&v] {
    if (v.back() == '-') v.remove_suffix(1);
  };
  dropDash();
  if (v.size() < kMinLength || v.size() > kMaxLength) return std::nullopt;
  v = v.substr(0, kCutLength);
  dropDash();
  return GbkString(v);
}

}  // namespace valo::harvest
