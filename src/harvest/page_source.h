// Where a page being read came from: the one record of it the run hands to
// the number store, so that every sighting says which keyword, engine and
// address its number was read under.
#pragma once

#include <cstdint>
#include <string>

#include "text/gbk.h"

namespace valo::harvest {

struct PageSource {
  GbkString keyword;             // the keyword line
  std::int32_t keywordLine = 0;  // its line number, from 1, as status panel 3 shows it
  GbkString engine;              // the engine box text
  std::string address;           // the page address asked for
};

}  // namespace valo::harvest
