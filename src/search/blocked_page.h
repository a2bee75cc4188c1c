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
// (0 when unknown) and its text lines. A page with results (a line that yields
// a fax number or passes the engine's next-page rule) is never blocked. Any
// other page is blocked when its status is a refusal status, or when it looks
// like a check page: at most 40 lines and 4096 bytes of text, with a
// verification request in one of its first five lines. A result page whose
// snippets mention such a text is read as a page.
bool isBlockedPage(int httpStatus, std::span<const std::string_view> lines, const SearchEngine* engine);
// The same over a page's whole text, by the text-box lines rule.
bool isBlockedPage(int httpStatus, std::string_view pageText, const SearchEngine* engine);

}  // namespace valo::search
