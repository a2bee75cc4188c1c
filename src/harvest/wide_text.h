// The page line as the wider reading sees it: full-width digits, letters and
// punctuation ("０", "Ｆ", "（", "－", "：", "，") read as their ASCII
// counterparts, the ideographic space as a blank and the enumeration comma
// "、" as ",". Everything else stays as it was, so a Chinese label keeps its
// GBK bytes and character boundaries hold.
#pragma once

#include <string_view>

#include "text/gbk.h"

namespace valo::harvest {

// False only when no fax label of the wider reading can be in the line: it
// holds neither the bytes of "真" (传真, 傳真, 传 真) nor "fa" in any case,
// nor a full-width "Ｆ" or "ｆ" followed by a full-width "Ａ" or "ａ".
// Byte matches inside double-byte characters count too; the test only
// settles the many lines that need no further look.
bool mayHoldWideLabel(std::string_view line);

// The line with the forms above folded into single ASCII bytes, written over
// `out`, whose room is kept from line to line.
void foldWideForms(std::string_view line, GbkString& out);

}  // namespace valo::harvest
