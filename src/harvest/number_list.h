// The result list's captions in the order found, with a hash index beside
// them so that asking whether a number is already listed costs the same for
// the 100,000th number as for the first, and little for either. The window's list view shows these
// items one for one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text/gbk.h"

namespace valo::harvest {

class NumberList {
 public:
  void clear();
  std::size_t size() const { return items_.size(); }
  const GbkString& at(std::size_t index) const { return items_.at(index); }
  const std::vector<GbkString>& items() const { return items_; }

  // Exact, case-sensitive comparison of the whole text with every caption.
  bool contains(std::string_view number) const;

  // Appends even when the number is listed already: whether repeats are
  // dropped is the caller's decision.
  void append(GbkString number);

  // Starts fetching the part of the index that contains() and append() will
  // read for this number; the table is larger than the caches.
  void prefetch(std::string_view number) const;

 private:
  // Open addressing over the items: a slot holds the high half of an item's
  // hash and its index + 1 (0 is a free slot), so a lookup mostly touches one
  // slot and compares text only when the hash halves agree.
  static std::uint64_t hashOf(std::string_view number) { return std::hash<std::string_view>{}(number); }
  void grow();
  void place(std::uint64_t hash, std::size_t index);

  std::vector<GbkString> items_;
  std::vector<std::uint64_t> slots_;
  // The last number asked for and its hash: the extractor asks whether a
  // number is listed and then appends that very number.
  mutable GbkString asked_;
  mutable std::uint64_t askedHash_ = 0;
  mutable bool askedValid_ = false;
};

}  // namespace valo::harvest
