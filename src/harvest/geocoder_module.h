// The one function of the geocoder module (geocoder_module.cpp), which
// number_check.cpp loads on first use: the place of a number in Chinese, as
// UTF-8, written into `out` up to `capacity` bytes. Returns the place's
// whole length, so a caller whose room was too small can ask again.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {
using ValoDescribeNumber = std::size_t (*)(int countryCode, std::uint64_t national, int leadingZeros, char* out,
                                           std::size_t capacity);
}
