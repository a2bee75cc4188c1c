// The numbers the store benchmarks fill their stores and lists with, so that
// each figure is taken on the same kind of data.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace valo::bench {

inline const char* const kAreaCodes[] = {"010",  "020",  "021",  "022",  "023",
                                         "0755", "0571", "0512", "0769", "0898"};

// The `i`-th distinct number: fixed lines by area, every seventh a mobile.
inline std::string numberAt(std::int64_t i) {
  char buffer[32];
  if (i % 7 == 0) {
    std::snprintf(buffer, sizeof buffer, "013%09lld", static_cast<long long>(i * 37 % 1000000000));
  } else {
    std::snprintf(buffer, sizeof buffer, "%s-%08lld", kAreaCodes[i % 10],
                  static_cast<long long>(20000000 + i));
  }
  return buffer;
}

}  // namespace valo::bench
