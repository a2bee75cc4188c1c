// The state of a search run, under the names the rest of the program uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "text/gbk.h"

namespace valo::search {

struct RunState {
  std::int32_t KeywordIndex = 0;  // next keyword line to take; the progress file may set -1
  std::int32_t PageIndex = 0;     // page counter of the current keyword
  bool StopRequested = false;
  bool MorePages = false;
  std::int32_t PollTicks = 0;      // ticks that found a document not yet complete
  std::int32_t WatchdogPage = 0;   // PageIndex as the last watchdog tick saw it
  std::int32_t DocumentReady = 0;  // 0 before every navigation, 9 on document complete
  std::int32_t PageCap = 0;
  std::int32_t FoundCount = 0;
  std::vector<GbkString> PageLines;
  std::string QueryHead;
  std::string QueryTail;
  std::string QueryText;
};

}  // namespace valo::search
