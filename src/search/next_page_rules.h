// Whether a line of a result page shows that the keyword has a further
// result page, by each engine's pager text. Matching is byte-wise on GBK, so
// a one-byte "[" or "]" also matches the second byte of a Chinese character.
#pragma once

#include <string_view>

#include "search/engine_table.h"

namespace valo::search {

// The table's rules by service; a file's engine has no rule here.
bool linePassesNextPageRule(Service service, std::string_view gbkLine);

// The engine's rule: the table's by service, a file engine's by its texts (a
// line contains one of them and, when a start text is given, begins with it
// once trimmed of blanks).
bool linePassesNextPageRule(const SearchEngine& engine, std::string_view gbkLine);

}  // namespace valo::search
