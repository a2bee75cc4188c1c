// The result list's captions in the order found, with a hash index beside
// them so that asking whether a number is already listed costs the same for
// the 100,000th number as for the first. The window's list view shows these
// items one for one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
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

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  std::vector<GbkString> items_;
  std::unordered_set<GbkString, Hash, std::equal_to<>> index_;
};

}  // namespace valo::harvest
