// See keyword_builder.h.
#include "files/keyword_builder.h"

#include "text/text_lines.h"

namespace valo::files {

GbkString BuildKeywordList(std::string_view productText, std::string_view markerText) {
  const TextLines products{GbkString(productText)};
  const TextLines markers{GbkString(markerText)};
  TextLines out;
  for (int p = 0; p < products.count(); ++p) {
    for (int m = 0; m < markers.count(); ++m) {
      GbkString line(products.line(p));
      line += ' ';
      line += markers.line(m);
      out.append(line);
    }
  }
  return out.text();
}

}  // namespace valo::files
