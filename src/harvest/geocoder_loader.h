// The place of a number (province and city, in Chinese) from libphonenumber's
// offline geocoder, which lives in a module loaded on first use (see
// geocoder_module.cpp for why): from beside the program, then from where
// the installation or the build put it.
#pragma once

#include <cstdint>
#include <string>

namespace valo::harvest {

// The geocoder's description of the number, UTF-8; empty when it knows none.
// Throws std::runtime_error when the module cannot be loaded. Safe to call
// from any thread.
std::string geocodedPlace(int countryCode, std::uint64_t national, int leadingZeros);

}  // namespace valo::harvest
