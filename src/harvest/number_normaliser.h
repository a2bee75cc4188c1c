// Turns the run of number characters behind a fax marker into a domestic
// number with a leading "0": country code 86 removed, parentheses made dashes,
// "+" removed, then checked for length and cut to 13 characters.
#pragma once

#include <optional>
#include <string_view>

#include "text/gbk.h"

namespace valo::harvest {

// The characters a number may consist of; all single-byte.
inline constexpr std::string_view kNumberChars = "0123456789(-+)";

// The longest prefix of `text` made of number characters, at most 255 long.
std::string_view numberRun(std::string_view text);

// The candidate for `run`, or nullopt when its normalised length is outside
// 11..29 characters.
std::optional<GbkString> normaliseNumber(std::string_view run);

}  // namespace valo::harvest
