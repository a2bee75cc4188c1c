// The merge's core on bytes already joined: the distinct lines of a text in
// the merge order, keeping the first of each set of equal lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace valo::files {

class LineOrder;

// From this many lines that need the collator on, their keys are made and
// sorted on two threads; below it a second thread costs more than it saves.
inline constexpr std::size_t kTwoThreadLines = 20000;

// Cuts at the first zero byte, splits at CR LF, CR alone or LF alone (a final
// line end adds no empty line), keeps the first of equal lines and sorts.
// `text` is used as the work buffer and left changed. Each kept line goes to
// `sink` in order; returns their count. `twoThreadLines` is the threshold
// above, a parameter so that tests can take the two-thread road on small
// texts.
std::int64_t sortDistinctLines(std::string& text, const LineOrder& order,
                               const std::function<void(std::string_view)>& sink,
                               std::size_t twoThreadLines = kTwoThreadLines);

}  // namespace valo::files
