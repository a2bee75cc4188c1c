// Fuzz target: the compiled mainland patterns against libphonenumber. The
// bytes are read as digits (a digit as itself, any other byte as its value
// modulo ten; the first one made non-zero, at most 17); the fast verdict and
// the library's must agree on every such number.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "harvest/mainland_patterns.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string digits;
  for (std::size_t i = 0; i < size && i < 17; ++i) {
    const bool digit = data[i] >= '0' && data[i] <= '9';
    digits += digit ? static_cast<char>(data[i]) : static_cast<char>('0' + data[i] % 10);
  }
  if (digits.front() == '0') digits.front() = '1' + data[0] % 9;
  if (!valo::harvest::mainlandPatternsInUse()) valo::fuzz::fail(__FILE__, __LINE__, "the patterns are not in use");
  if (valo::harvest::mainlandVerdict(digits) != valo::harvest::libraryMainlandVerdict(digits)) {
    valo::fuzz::fail(__FILE__, __LINE__, ("verdicts differ on " + digits).c_str());
  }
  return 0;
}
