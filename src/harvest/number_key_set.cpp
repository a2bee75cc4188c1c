// See number_key_set.h.
#include "harvest/number_key_set.h"

#include <algorithm>

namespace valo::harvest {
namespace {

// A number's text as four bits a character, which no two numbers of at
// most 15 characters share and which is never 0.
std::uint64_t keyOf(std::string_view number) {
  std::uint64_t key = 0;
  for (const char c : number) key = key << 4 | (c == '-' ? 11u : static_cast<unsigned>(c - '0') + 1u);
  return key;
}

}  // namespace

bool NumberKeySet::insert(std::string_view number) {
  const std::uint64_t key = keyOf(number);
  if (count_ < kScanned) {
    if (std::find(first_.begin(), first_.begin() + count_, key) != first_.begin() + count_) return false;
    first_[count_++] = key;
    return true;
  }
  if (slots_.empty()) {
    slots_.assign(4 * kScanned, 0);
    for (const std::uint64_t k : first_) insertKey(k);
  }
  return insertKey(key);
}

bool NumberKeySet::insertKey(std::uint64_t key) {
  if (2 * (used_ + 1) > slots_.size()) {
    std::vector<std::uint64_t> old(2 * slots_.size(), 0);
    old.swap(slots_);
    used_ = 0;
    for (const std::uint64_t k : old) {
      if (k != 0) insertKey(k);
    }
  }
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = (key * 0x9E3779B97F4A7C15ull) >> 32 & mask;; slot = (slot + 1) & mask) {
    if (slots_[slot] == key) return false;
    if (slots_[slot] == 0) {
      slots_[slot] = key;
      ++used_;
      return true;
    }
  }
}

}  // namespace valo::harvest
