// The failure report of the fuzz targets: a property that does not hold
// prints what was expected and aborts, which libFuzzer records as a crash
// together with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace valo::fuzz {

[[noreturn]] inline void fail(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
  std::abort();
}

// Printable form of some bytes for the failure report.
inline std::string escaped(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F && b != '\\') {
      out += c;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    }
  }
  return out;
}

}  // namespace valo::fuzz

#define FUZZ_CHECK(cond)                                        \
  do {                                                          \
    if (!(cond)) ::valo::fuzz::fail(__FILE__, __LINE__, #cond); \
  } while (0)

// FUZZ_CHECK with the bytes involved printed first.
#define FUZZ_CHECK_BYTES(cond, bytes)                                                \
  do {                                                                               \
    if (!(cond)) {                                                                   \
      std::fprintf(stderr, "bytes: \"%s\"\n", ::valo::fuzz::escaped(bytes).c_str()); \
      ::valo::fuzz::fail(__FILE__, __LINE__, #cond);                                 \
    }                                                                                \
  } while (0)
