// A deliberately plain second implementation of the extractor's text steps:
// the text is split into characters first and every rewrite compares whole
// characters, with no prefilter and no shortcut. The fast code is checked
// against it on many generated lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace valo::harvest::reference {

std::string rewrite(std::string_view text, std::string_view pattern, std::string_view replacement);

// All 34 label rewrites, in table order.
std::string rewriteMarkers(std::string_view line);

// Character index of the first "FAX:" that begins at a character start,
// as a byte offset; npos when there is none.
std::size_t findMarker(std::string_view rewritten);

std::optional<std::string> extract(std::string_view line);

// The same, given the line after the 34 rewrites.
std::optional<std::string> extractRewritten(std::string_view rewritten);

}  // namespace valo::harvest::reference
