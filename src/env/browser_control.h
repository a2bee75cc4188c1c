// What the search run needs of the embedded browser: a navigation request
// that returns at once, whether a document is there, the body's text in GBK,
// and a completion notice on the user-interface thread.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "text/gbk.h"

namespace valo::env {

// The text of the document the browser holds when it was read.
struct PageText {
  bool hasBody = true;       // false: the document has no body element
  GbkString text;            // the body's rendered text, lines ended by CR LF
  std::exception_ptr error;  // set when the document or its body could not be read
  int httpStatus = 0;        // the main frame's HTTP status; 0 when not known
  int netError = 0;          // the browser's network error code of a failed load; 0 otherwise
};

class BrowserControl {
 public:
  virtual ~BrowserControl() = default;

  // Starts loading `address` and returns at once. May throw; every caller
  // swallows navigation errors.
  virtual void Navigate(const std::string& address) = 0;

  // The document property: false until the first page has committed.
  virtual bool hasDocument() const = 0;

  // Reads the current document's body text. `done` runs exactly once, on the
  // user-interface thread: before this returns when the text of the current
  // document is already known, otherwise once the browser has produced it.
  virtual void readBodyText(std::function<void(PageText)> done) = 0;

  // Raised for every document-complete event, for whichever frame.
  std::function<void()> OnDocumentComplete;
};

}  // namespace valo::env
