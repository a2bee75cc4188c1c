// The mainland patterns of libphonenumber's metadata, compiled with RE2. The
// rule followed is the library's own for IsValidNumberForRegion: a number
// must match the general description (its possible lengths, then its
// pattern) and then one of the kinds it counts (premium rate, toll free,
// shared cost, VoIP, personal, pager, UAN, voicemail, fixed line, and
// mobile unless that shares the fixed-line pattern), each again by its
// possible lengths first; a kind without a pattern matches nothing.
#include "harvest/mainland_patterns.h"

#include <phonenumbers/phonemetadata.pb.h>
#include <phonenumbers/phonenumberutil.h>
#include <re2/re2.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

// The library's compiled-in metadata. Its own code declares these in a header
// that Debian does not ship; they are exported from libphonenumber.so.
namespace i18n::phonenumbers {
int metadata_size();
const void* metadata_get();
}  // namespace i18n::phonenumbers

namespace valo::harvest {
namespace {

using i18n::phonenumbers::PhoneMetadata;
using i18n::phonenumbers::PhoneMetadataCollection;
using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberDesc;
using i18n::phonenumbers::PhoneNumberUtil;

// A national number has at most 17 digits (libphonenumber's own limit).
constexpr std::size_t kMaxDigits = 17;

bool admitsLength(const PhoneNumberDesc& desc, int length) {
  const auto& lengths = desc.possible_length();
  return lengths.empty() || std::find(lengths.begin(), lengths.end(), length) != lengths.end();
}

class Patterns {
 public:
  // Empty (usable() false) when the metadata holds no region CN or a pattern
  // does not compile.
  Patterns() {
    PhoneMetadataCollection collection;
    if (!collection.ParseFromArray(i18n::phonenumbers::metadata_get(), i18n::phonenumbers::metadata_size())) return;
    const auto found = std::find_if(collection.metadata().begin(), collection.metadata().end(),
                                    [](const PhoneMetadata& m) { return m.id() == "CN"; });
    if (found == collection.metadata().end() || found->country_code() != 86) return;
    const PhoneMetadata& cn = *found;
    std::vector<const PhoneNumberDesc*> kinds{&cn.premium_rate(), &cn.toll_free(), &cn.shared_cost(),
                                              &cn.voip(),         &cn.personal_number(), &cn.pager(),
                                              &cn.uan(),          &cn.voicemail(),   &cn.fixed_line()};
    if (!cn.same_mobile_and_fixed_line_pattern()) kinds.push_back(&cn.mobile());
    RE2::Options options;
    options.set_log_errors(false);
    for (int length = 1; length <= static_cast<int>(kMaxDigits); ++length) {
      const PhoneNumberDesc& general = cn.general_desc();
      if (!admitsLength(general, length) || general.national_number_pattern().empty()) continue;
      std::string either;
      for (const PhoneNumberDesc* kind : kinds) {
        if (!admitsLength(*kind, length) || kind->national_number_pattern().empty()) continue;
        if (!either.empty()) either += '|';
        either += "(?:" + kind->national_number_pattern() + ")";
      }
      if (either.empty()) continue;
      auto generalRe = std::make_unique<RE2>(general.national_number_pattern(), options);
      auto kindRe = std::make_unique<RE2>(either, options);
      if (!generalRe->ok() || !kindRe->ok()) return;
      general_[length] = std::move(generalRe);
      kind_[length] = std::move(kindRe);
    }
    usable_ = agreesWithLibrary();
  }

  bool usable() const { return usable_; }

  bool valid(std::string_view digits) const {
    const std::size_t length = digits.size();
    if (length == 0 || length > kMaxDigits || !general_[length]) return false;
    return RE2::FullMatch(digits, *general_[length]) && RE2::FullMatch(digits, *kind_[length]);
  }

 private:
  // The patterns answer as the library does on its example numbers and on a
  // spread of numbers of every length and leading digits; anything else
  // means a library whose rules this reading does not follow.
  bool agreesWithLibrary() const {
    std::vector<std::string> samples;
    const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    std::set<PhoneNumberUtil::PhoneNumberType> types;
    util.GetSupportedTypesForRegion("CN", &types);
    for (const auto type : types) {
      PhoneNumber example;
      if (util.GetExampleNumberForType("CN", type, &example)) samples.push_back(std::to_string(example.national_number()));
    }
    std::mt19937_64 random(86);
    for (int i = 0; i < 600; ++i) {
      const std::size_t length = 5 + random() % 9;
      std::string digits(1, static_cast<char>('1' + random() % 9));
      while (digits.size() < length) digits += static_cast<char>('0' + random() % 10);
      samples.push_back(std::move(digits));
    }
    return std::all_of(samples.begin(), samples.end(),
                       [this](const std::string& s) { return valid(s) == libraryMainlandVerdict(s); });
  }

  std::array<std::unique_ptr<RE2>, kMaxDigits + 1> general_;
  std::array<std::unique_ptr<RE2>, kMaxDigits + 1> kind_;
  bool usable_ = false;
};

const Patterns& patterns() {
  static const Patterns instance;
  return instance;
}

bool isPlainNational(std::string_view digits) {
  return !digits.empty() && digits.size() <= kMaxDigits && digits.front() != '0' &&
         std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool libraryMainlandVerdict(std::string_view digits) {
  if (!isPlainNational(digits)) return false;
  std::uint64_t value = 0;
  for (const char c : digits) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  PhoneNumber number;
  number.set_country_code(86);
  number.set_national_number(value);
  return PhoneNumberUtil::GetInstance()->IsValidNumberForRegion(number, "CN");
}

bool mainlandVerdict(std::string_view digits) {
  if (!isPlainNational(digits)) return false;
  const Patterns& compiled = patterns();
  return compiled.usable() ? compiled.valid(digits) : libraryMainlandVerdict(digits);
}

bool mainlandPatternsInUse() { return patterns().usable(); }

}  // namespace valo::harvest
