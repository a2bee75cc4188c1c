// Where a page being read came from: the one record of it the run hands to
// the number store, so that every sighting says which keyword, engine and
// address its number was read under.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "text/gbk.h"

namespace valo::harvest {

struct PageSource {
  GbkString keyword;             // the keyword line
  std::int32_t keywordLine = 0;  // its line number, from 1, as status panel 3 shows it
  GbkString engine;              // the engine box text
  std::string address;           // the page address asked for
  // The page's text as read, kept by whoever records the page's lines, so
  // they point into it instead of copying them.
  std::shared_ptr<const std::string> text;
};

}  // namespace valo::harvest
