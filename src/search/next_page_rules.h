// Whether a line of a result page shows that the keyword has a further
// result page, by each engine's pager text. Matching is byte-wise on GBK, so
// a one-byte "[" or "]" also matches the second byte of a Chinese character.
#pragma once

#include <string_view>

#include "search/engine_table.h"

namespace valo::search {

bool linePassesNextPageRule(Service service, std::string_view gbkLine);

}  // namespace valo::search
