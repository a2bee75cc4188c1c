// Building keyword lines by pairing every product word with every fax marker.
#pragma once

#include <string_view>

#include "text/gbk.h"

namespace valo::files {

// For each product line (outer) and each marker line (inner): the product,
// one blank and the marker, each line ended by CR LF. Nothing is trimmed,
// skipped or de-duplicated; lines take part with at most their first 4096
// bytes.
GbkString BuildKeywordList(std::string_view productText, std::string_view markerText);

}  // namespace valo::files
