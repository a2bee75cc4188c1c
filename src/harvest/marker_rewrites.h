// The 34 rewrites that turn every way of writing a fax label ("传真：",
// "Fax号码：", "(Fax)", ...) into the one marker "FAX:", and the cheap test
// that tells which lines can possibly hold a marker afterwards.
#pragma once

#include <string_view>
#include <vector>

#include "harvest/rewrite.h"
#include "text/gbk.h"

namespace valo::harvest {

// The rows in the order they are applied, patterns and replacements in GBK.
const std::vector<RewriteRule>& markerRewrites();

// Applies every row to `line`, each to the result of the one before.
GbkString applyMarkerRewrites(std::string_view line);

// False only when the rewrites cannot leave a "FAX:" in `line`. Every row
// that writes a marker needs "传真" or the letters f, a, x in a row; without
// them the rewrites only turn ";" into ":" and drop spaces, so a marker can
// then come only from the letters F, A, X with nothing but spaces between.
// The test therefore looks for the bytes of "传真", or for f, a, x in any case
// with only spaces between, anywhere in the line.
bool mayHoldMarker(std::string_view line);

// Where the first of those letters or of "传真" begins, npos when there are
// none: every marker of the rewritten line comes from there or later.
std::size_t firstMarkerCandidate(std::string_view line);

}  // namespace valo::harvest
