// Fuzz target: the wider reading ("扩展识别") over arbitrary page text. Every
// number it gives must be in the domestic form, a valid one must be valid to
// libphonenumber as it parses the text anew, and the extractor with the
// switch on must list exactly the valid ones in order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "harvest/fax_extractor.h"
#include "harvest/number_check.h"
#include "harvest/number_list.h"
#include "harvest/wide_reading.h"
#include "harvest/wide_text.h"
#include "text/text_lines.h"

namespace {

using valo::harvest::WideNumber;

// "0", digits, at most one dash, which then follows a two- or three-digit
// area code.
void checkDomesticForm(const std::string& number) {
  FUZZ_CHECK_BYTES(number.size() >= 2 && number.size() <= 13, number);
  FUZZ_CHECK_BYTES(number.front() == '0', number);
  FUZZ_CHECK_BYTES(number.find_first_not_of("0123456789-") == std::string::npos, number);
  const std::size_t dash = number.find('-');
  if (dash != std::string::npos) {
    FUZZ_CHECK_BYTES(dash == 3 || dash == 4, number);
    FUZZ_CHECK_BYTES(number.find('-', dash + 1) == std::string::npos && dash + 1 < number.size(), number);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> PageLines;
  std::vector<std::string> expected;
  for (const std::string_view line : valo::splitTextLines(page)) {
    const std::vector<WideNumber> numbers = valo::harvest::readWideNumbers(line);
    if (!valo::harvest::mayHoldWideLabel(line)) FUZZ_CHECK_BYTES(numbers.empty(), line);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      const WideNumber& n = numbers[i];
      checkDomesticForm(n.number);
      for (std::size_t k = 0; k < i; ++k) FUZZ_CHECK_BYTES(numbers[k].number != n.number, line);
      if (n.valid) {
        FUZZ_CHECK_BYTES(valo::harvest::checkMainlandNumber(n.number).valid, n.number);
        bool listed = false;
        for (const std::string& e : expected) listed = listed || e == n.number;
        if (!listed) expected.push_back(n.number);
      }
    }
    PageLines.emplace_back(line);
  }

  valo::harvest::NumberList list;
  valo::harvest::NumberListSink sink(list, true);
  sink.setWideReading(true);
  std::int32_t FoundCount = 0;
  valo::harvest::ExtractFaxNumbers(PageLines, sink, FoundCount);
  FUZZ_CHECK(list.items() == expected);
  FUZZ_CHECK(FoundCount == static_cast<std::int32_t>(expected.size()));
  return 0;
}
