// Keyword encodings for the query addresses: the URL encoder component
// `TNMURL`, the UTF-8 percent encoding, and EncodeQueryKeyword that picks
// one by the engine's kind (the engines file's engines may also ask for
// UTF-8 with the unreserved characters A-Z a-z 0-9 - . _ ~ kept).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "search/engine_table.h"

namespace valo::search {

class TNMURL;
using TOnErrorEvent =
    std::function<void(TNMURL& Sender, const std::string& Operation, const std::string& ErrMsg)>;

// Encodes InputString afresh on every read of EncodedInput: letters and
// digits stay, a space becomes "+", every other byte "%XX" (capital hex).
class TNMURL {
 public:
  TNMURL() = default;
  virtual ~TNMURL() = default;

  std::string InputString;
  TOnErrorEvent OnError;

  // On an error the component reports it through OnError (when assigned)
  // and hands back InputString unencoded; the error goes no further.
  std::string EncodedInput();

 protected:
  // One byte's contribution; virtual so tests can make the encoding fail.
  virtual void appendEncodedByte(std::string& out, unsigned char byte) const;
};

// Every byte as "%XX" with capital hex digits; nothing is exempt.
std::string Utf8PercentEncode(std::string_view bytes);

// Trims the GBK keyword line, always runs it through the component (so its
// InputString holds the last keyword), then applies the kind's encoding.
std::string EncodeQueryKeyword(TNMURL& encoder, std::string_view keywordLine, KeywordEncoding kind);

// The kind for the engine box's current text: an unknown engine is URL-encoded.
KeywordEncoding encodingFor(const SearchEngine* engine);

}  // namespace valo::search
