// Keeps the bytes of keyword lines that the keyword box cannot show as they
// are. The box holds Unicode: a line with bytes that are not GBK (a list
// saved by another editor, a lone lead byte) comes back from it changed,
// with "?" where those bytes were. The keeper remembers, for each such line,
// what the box gives back and what the file held, and puts the file's bytes
// back for every line the box still gives back unchanged. Lines the user
// edited are taken as the box gives them.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "text/gbk.h"

namespace valo::files {

class KeywordLineKeeper {
 public:
  // `original` is the text put into the box and `shown` what the box gives
  // back right after, both with CR LF line ends. Lines are paired by
  // position; when the counts differ nothing can be paired and nothing is
  // remembered.
  void remember(std::string_view original, std::string_view shown);
  // `shown` with each remembered line put back to its own bytes. Lines shown
  // alike more than once take the remembered originals in their order.
  GbkString restore(std::string_view shown) const;
  bool empty() const { return byShown_.empty(); }

 private:
  std::unordered_map<std::string, std::vector<std::string>> byShown_;
};

}  // namespace valo::files
