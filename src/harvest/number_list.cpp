// The result list with its duplicate index.
#include "harvest/number_list.h"

namespace valo::harvest {

void NumberList::clear() {
  items_.clear();
  slots_.clear();
  askedValid_ = false;
}

bool NumberList::contains(std::string_view number) const {
  if (slots_.empty()) return false;
  const std::uint64_t hash = hashOf(number);
  asked_.assign(number);
  askedHash_ = hash;
  askedValid_ = true;
  const std::uint64_t tag = hash >> 32;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const std::uint64_t s = slots_[slot];
    if (s == 0) return false;
    if (s >> 32 == tag && items_[(s & UINT32_MAX) - 1] == number) return true;
  }
}

void NumberList::prefetch(std::string_view number) const {
  if (!slots_.empty()) __builtin_prefetch(&slots_[hashOf(number) & (slots_.size() - 1)]);
}

void NumberList::append(GbkString number) {
  // At most half the slots are taken, so every probe meets a free one soon.
  if (2 * (items_.size() + 1) > slots_.size()) grow();
  place(askedValid_ && number == asked_ ? askedHash_ : hashOf(number), items_.size());
  items_.push_back(std::move(number));
}

void NumberList::place(std::uint64_t hash, std::size_t index) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = hash & mask;
  while (slots_[slot] != 0) slot = (slot + 1) & mask;
  slots_[slot] = (hash >> 32) << 32 | (index + 1);
}

void NumberList::grow() {
  slots_.assign(slots_.empty() ? 64 : 2 * slots_.size(), 0);
  for (std::size_t i = 0; i < items_.size(); ++i) place(hashOf(items_[i]), i);
}

}  // namespace valo::harvest
