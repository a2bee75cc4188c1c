// libphonenumber's offline geocoder behind one C function, built as a module
// that the program loads when it first needs a place name. The geocoder's
// tables carry some 460,000 relocations; linked into the program, the
// loader would work through them at every start, window or not, before the
// program runs a line of its own (about 20 ms on two cores, as much as the
// browser library itself).
#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <phonenumbers/phonenumber.pb.h>
#include <unicode/locid.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>

#include "harvest/geocoder_module.h"

extern "C" __attribute__((visibility("default"))) std::size_t valoDescribeNumber(int countryCode,
                                                                                std::uint64_t national,
                                                                                int leadingZeros, char* out,
                                                                                std::size_t capacity) {
  // The geocoder keeps a cache of loaded areas without a lock of its own.
  static std::mutex lock;
  static auto* geocoder = new i18n::phonenumbers::PhoneNumberOfflineGeocoder();
  i18n::phonenumbers::PhoneNumber number;
  number.set_country_code(countryCode);
  number.set_national_number(national);
  if (leadingZeros > 0) {
    number.set_italian_leading_zero(true);
    number.set_number_of_leading_zeros(leadingZeros);
  }
  std::string place;
  {
    std::lock_guard hold(lock);
    place = geocoder->GetDescriptionForNumber(number, icu::Locale("zh", "CN"));
  }
  std::memcpy(out, place.data(), place.size() < capacity ? place.size() : capacity);
  return place.size();
}
