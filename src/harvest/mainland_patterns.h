// libphonenumber's verdict on a mainland number, reached faster. The library
// matches a number against its patterns through ICU's regular expressions
// and a locked cache, about 5 µs a number; a dense page of new numbers spent
// most of its reading there. Here the same patterns, taken from the
// library's own metadata at first use, are compiled once with RE2: one
// expression per length for the general pattern and one for the union of
// the kinds that count as valid. The answer is the library's by
// construction, and a check against the library itself at first use falls
// back to asking the library when any answer differs (a later library with
// other rules).
#pragma once

#include <string_view>

namespace valo::harvest {

// Whether a national significant number (digits only, no leading "0": the
// digits after +86) is valid for region CN, as the library's
// IsValidNumberForRegion answers. Any other text gives false. Safe to call
// from any thread.
bool mainlandVerdict(std::string_view digits);

// The same question put to libphonenumber itself, for the check at first use
// and for the tests and fuzz target that compare the two.
bool libraryMainlandVerdict(std::string_view digits);

// Whether mainlandVerdict answers from the compiled patterns (false when the
// metadata could not be read or the first-use check found a difference).
bool mainlandPatternsInUse();

}  // namespace valo::harvest
