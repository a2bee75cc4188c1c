// Keeps the bytes of keyword lines that the keyword box cannot show as they
// are. The box holds Unicode: a line with bytes that are not GBK (a list
// saved by another editor, a lone lead byte) comes back from it changed,
// with "?" where those bytes were. These are the text halves of that: which
// lines of a text need keeping, and the shown text with the kept lines put
// back. Which shown line is still which kept line is the box's to tell, by
// following each line through the edits (ui/main/keyword_box.h); going by
// the shown text alone would give a line the bytes of another that merely
// looks alike.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "text/gbk.h"

namespace valo::files {

// A line of the text given to the box that the box shows otherwise.
struct KeptLine {
  std::size_t line = 0;  // its index, from 0
  GbkString shown;       // what the box gives back for it
  GbkString original;    // the bytes it was given
};

// `original` is the text put into the box and `shown` what the box gives
// back right after, both with CR LF line ends. Lines are paired by position;
// when the counts differ nothing can be paired and nothing is kept.
std::vector<KeptLine> linesToKeep(std::string_view original, std::string_view shown);

// `shown` (CR LF line ends) with line `index` replaced by `bytes` for each
// pair of `kept`; indices beyond the text are ignored.
GbkString withKeptLines(std::string_view shown, const std::vector<std::pair<std::size_t, GbkString>>& kept);

}  // namespace valo::files
