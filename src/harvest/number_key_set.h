// The numbers one page line gave so far, for the wider reading's "each
// number once a line". A line may hold tens of thousands of them, so after
// the first few a hash set answers; comparing each with all earlier ones
// made a long line cost its square.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace valo::harvest {

class NumberKeySet {
 public:
  // Takes a number in the domestic form (at most 13 of "0123456789-");
  // false when it was taken before.
  bool insert(std::string_view number);

 private:
  static constexpr std::size_t kScanned = 16;  // up to this many, a plain scan is cheaper

  bool insertKey(std::uint64_t key);

  std::array<std::uint64_t, kScanned> first_{};
  std::size_t count_ = 0;
  std::vector<std::uint64_t> slots_;  // open addressing, at most half full, 0 free
  std::size_t used_ = 0;
};

}  // namespace valo::harvest
