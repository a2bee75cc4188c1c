// Takes the body text of the page a browser shows, as the page reader wants
// it: the body's outer text, line breaks as CR LF, in GBK. A large page's
// text comes over in pieces of a million characters, each converted as it
// arrives: handed over whole, the script result alone held the text some
// five times over in this process, and a page of tens of megabytes did not
// come over at all.
#pragma once

#include <QVariant>
#include <functional>

#include "env/browser_control.h"

class QWebEnginePage;

namespace valo::ui {

// Characters of the page's text that one script result carries at most.
inline constexpr int kPageTextPieceChars = 1 << 20;

// Runs `done` once with the page's text and `httpStatus`, or with an error
// when the text cannot be read, unless `page` goes away first. Errors that
// `done` raises go to the standard error box.
void fetchPageText(QWebEnginePage* page, int httpStatus, std::function<void(env::PageText)> done);

// The page text of one whole script result ({text: string or null}); an
// error when the result is not such an object.
env::PageText pageTextFromScriptResult(const QVariant& result);

}  // namespace valo::ui
