// libphonenumber behind the small interface of number_check.h; the place
// comes from its geocoder, loaded on first use (geocoder_loader.h).
#include "harvest/number_check.h"

#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <mutex>
#include <vector>

#include "harvest/geocoder_loader.h"
#include "harvest/mainland_patterns.h"

namespace valo::harvest {
namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

NumberKind kindOf(PhoneNumberUtil::PhoneNumberType type) {
  switch (type) {
    case PhoneNumberUtil::FIXED_LINE:
      return NumberKind::Fixed;
    case PhoneNumberUtil::MOBILE:
      return NumberKind::Mobile;
    default:
      return NumberKind::Other;
  }
}

}  // namespace

NumberCheck checkMainlandNumber(std::string_view number) {
  NumberCheck check;
  // Longer text than any number can be is not one; the parser would only
  // spend time on it.
  if (number.empty() || number.size() > 64) return check;
  const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
  PhoneNumber parsed;
  if (util.Parse(std::string(number), "CN", &parsed) != PhoneNumberUtil::NO_PARSING_ERROR) return check;
  check.valid = util.IsValidNumberForRegion(parsed, "CN");
  if (!check.valid) return check;
  check.kind = kindOf(util.GetNumberType(parsed));
  std::string place;
  try {
    place = geocodedPlace(parsed.country_code(), parsed.national_number(),
                          parsed.italian_leading_zero() ? parsed.number_of_leading_zeros() : 0);
  } catch (const std::exception& e) {
    // A broken installation loses the places, not the numbers: the check's
    // other answers still count. Said once, where the program's log goes.
    static std::once_flag told;
    std::call_once(told, [&] { std::fprintf(stderr, "valofax: %s\n", e.what()); });
  }
  // A number without a place of its own (400, 800) is described as the
  // whole country, which says nothing about where the company is.
  if (place != "中国") check.region = std::move(place);
  return check;
}

bool isValidMainlandNational(std::string_view digits) {
  // 17 digits and the length fit one 64-bit key; no number is that long.
  if (digits.empty() || digits.size() > 17 || digits.front() == '0') return false;
  std::uint64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  // One open-addressed table of key * 2 + verdict, 0 for a free slot: a
  // lookup costs one cache line. Emptied when half full, about 2 MB.
  constexpr std::size_t kSlots = std::size_t{1} << 18;
  thread_local std::vector<std::uint64_t> verdicts;
  thread_local std::size_t used = 0;
  if (verdicts.empty()) verdicts.assign(kSlots, 0);
  const std::uint64_t key = value * 32 + digits.size();
  std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 46) & (kSlots - 1);
  for (; verdicts[slot] != 0; slot = (slot + 1) & (kSlots - 1)) {
    if (verdicts[slot] >> 1 == key) return (verdicts[slot] & 1) != 0;
  }
  const bool valid = mainlandVerdict(digits);
  if (++used > kSlots / 2) {
    std::fill(verdicts.begin(), verdicts.end(), 0);
    used = 1;
    slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 46) & (kSlots - 1);
  }
  verdicts[slot] = key * 2 + (valid ? 1 : 0);
  return valid;
}

const char* kindName(NumberKind kind) {
  switch (kind) {
    case NumberKind::Fixed:
      return "固定电话";
    case NumberKind::Mobile:
      return "手机";
    case NumberKind::Other:
      break;
  }
  return "其他";
}

}  // namespace valo::harvest
