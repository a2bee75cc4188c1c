// Whether a loaded page is an engine's refusal rather than a result page:
// engines that find a client asking too often answer with HTTP 403, 429 or
// 503, or with a page asking the visitor to prove to be human. Such a page
// must not be read as an empty result page, or the run would skip keywords.
#pragma once

#include <span>
#include <string_view>

#include "search/engine_table.h"

namespace valo::search {

// The HTTP statuses with which engines turn a client away.
bool isRefusalStatus(int httpStatus);

// Whether a line (GBK) holds one of the verification requests engines show,
// such as "安全验证" or "unusual traffic" (letters in any case).
bool holdsVerificationRequest(std::string_view gbkLine);

// The decision over a page as the reader has it: its main frame's HTTP status
// (0 when unknown) and its text lines. A refusal status or a verification
// request makes the page blocked, unless a line yields a fax number or passes
// the engine's next-page rule: a page with results is never blocked, whatever
// else it says.
bool isBlockedPage(int httpStatus, std::span<const std::string_view> lines, const SearchEngine* engine);

}  // namespace valo::search
