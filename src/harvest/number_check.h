// What a listed number is, as libphonenumber's metadata for mainland China
// tells: a valid number or not, fixed line or mobile, and the province and
// city its area code or mobile prefix belongs to. The extractor's own rules
// never depend on this; it is a second opinion kept beside each number.
#pragma once

#include <string>
#include <string_view>

namespace valo::harvest {

enum class NumberKind { Fixed, Mobile, Other };

struct NumberCheck {
  bool valid = false;                 // a valid mainland China number
  NumberKind kind = NumberKind::Other;
  std::string region;                 // UTF-8, e.g. "广东省深圳市"; empty when none
};

// Checks a number in the domestic form the extractor lists ("021-53853022",
// "013912345678") or any other form libphonenumber parses with region CN
// ("+86 21 5385 3022"). Text that is no number at all gives an invalid result.
// Safe to call from any thread.
NumberCheck checkMainlandNumber(std::string_view number);

// Whether a national significant number (digits only, without the trunk "0"
// or the country code: "2153853022", "13912345678") is a valid mainland
// number, as checkMainlandNumber says of its domestic form, without looking
// up the place (through harvest/mainland_patterns.h). Verdicts are kept per
// thread, so a number seen again costs a table look-up. Safe to call from
// any thread.
bool isValidMainlandNational(std::string_view digits);

// The short Chinese name of a kind, as the number store window shows it.
const char* kindName(NumberKind kind);

}  // namespace valo::harvest
