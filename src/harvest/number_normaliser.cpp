// Normalisation of a fax number run into the form kept in the result list.
#include "harvest/number_normaliser.h"

#include <array>

#include "harvest/rewrite.h"

namespace valo::harvest {

namespace {

constexpr std::size_t kMaxRunLength = 255;
constexpr std::size_t kMinLength = 11;
constexpr std::size_t kMaxLength = 29;
constexpr std::size_t kCutLength = 13;

bool isNumberChar(char c) {
  return kNumberChars.find(c) != std::string_view::npos;
}

bool dropTrailingDash(GbkString& value) {
  if (value.empty() || value.back() != '-') return false;
  value.pop_back();
  return true;
}

}  // namespace

std::string_view numberRun(std::string_view text) {
  std::size_t length = 0;
  while (length < text.size() && length < kMaxRunLength && isNumberChar(text[length])) ++length;
  return text.substr(0, length);
}

std::optional<GbkString> normaliseNumber(std::string_view run) {
  GbkString value = Rewrite(run, "(", "-");
  value = Rewrite(value, ")", "-");
  value = Rewrite(value, "+", "");
  // One pass of "--" -> "-" halves a run of dashes at best, so the second
  // pass leaves one dash for runs of up to four and two for a run of five.
  value = Rewrite(value, "--", "-");
  value = Rewrite(value, "--", "-");

  // Each prefix is tested once, in turn, against what the earlier tests left:
  // "-0086-21..." loses both "-" and "0086-".
  static constexpr std::array<std::string_view, 7> kPrefixes{"-",   "0086-", "0086", "086-",
                                                             "086", "86-",   "86"};
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

}  // namespace valo::harvest
