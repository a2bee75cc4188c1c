// Eight bytes at a time: whether a 64-bit word read from a line holds a given
// byte. The label scans run over every byte of every page, and most words
// hold none of the bytes a label begins with.
#pragma once

#include <cstdint>

namespace valo::harvest {

inline constexpr std::uint64_t kEveryByteOne = 0x0101010101010101;

constexpr bool wordHoldsByte(std::uint64_t word, std::uint8_t b) {
  constexpr std::uint64_t kHighs = 0x8080808080808080;
  const std::uint64_t x = word ^ (kEveryByteOne * b);
  return ((x - kEveryByteOne) & ~x & kHighs) != 0;
}

}  // namespace valo::harvest
