// The number run behind the first marker of a line, found in one pass over
// the line instead of 34 rewrites of it.
//
// Why one pass gives the same text as the table, row by row:
// - Rows 1 to 3 (the parenthesised labels) are applied as they are, first,
//   and only to lines that hold a parenthesis.
// - Row 4 turns a ";" into ":" in place; the pass reads ";" as ":".
// - Row 5 shortens runs of spaces but never removes the first space of a
//   run, and every later pattern looks at one space at most, so it changes
//   nothing that row 34, which deletes every space, leaves.
// - Rows 6 to 12 all begin with "传真" and rows 13 to 33 with f, a, x (any
//   case), and the rest of every pattern is one of the same seven endings,
//   none of which holds "传真" or an f. Matches of these rows therefore never
//   overlap or reach into each other's replacement, and at each "传真" or
//   "fax" the first ending that follows it in table order decides: the
//   label becomes "FAX:". A "fax" that no ending follows never becomes one
//   later, since whatever follows it keeps its first character.
// - Rows 20 to 33 repeat rows 13 to 19. They can only find a "FAX:" made
//   before and rewrite it to itself, eating one space behind it; row 34
//   deletes that space anyway.
// - Row 34 deletes every space that is a character of its own.
// The pass writes the characters of the fully rewritten line in order and
// stops at the end of the number run behind the first "FAX:" among them.
#pragma once

#include <cstddef>
#include <string_view>

namespace valo::harvest {

// Room for the longest run: at most 255 characters are taken behind a marker.
struct NumberRun {
  char chars[255];
  std::size_t length = 0;
  std::string_view view() const { return std::string_view(chars, length); }
};

// True when the rewritten line holds a "FAX:"; `run` then holds the run of
// number characters behind the first one (possibly empty). `candidate` is
// firstMarkerCandidate(line), which must not be npos: nothing before it
// needs reading.
bool findMarkedRun(std::string_view line, std::size_t candidate, NumberRun& run);

}  // namespace valo::harvest
