// The wider reading of a page line ("扩展识别"): every number behind every fax
// label of the line, with the labels the marker rewrites lack ("传真号",
// "传 真", "傳真", "Fax No.", "Facsimile"), full-width digits and
// punctuation, "+86", "0086" and "(0)", several numbers after one label and
// short tails that share the number before them ("021-53853033/3022").
// Precision comes first: only what follows a label directly is read, and a
// run that is no mainland number (a foreign number, a postcode, a date, an
// order number) ends the numbers of that label.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "text/gbk.h"

namespace valo::harvest {

struct WideNumber {
  // The domestic form: "021-53853022", "0571-87654321", "013912345678";
  // at most 13 characters.
  GbkString number;
  // Whether libphonenumber holds it a valid mainland number.
  bool valid = false;
};

// Every number of one GBK page line in order of appearance, each once.
// Foreign numbers are left out; mainland-looking numbers that libphonenumber
// does not hold valid come with `valid` false.
std::vector<WideNumber> readWideNumbers(std::string_view line);
// The same into `out`, which is emptied first; a caller that reads many
// lines keeps its room.
void readWideNumbers(std::string_view line, std::vector<WideNumber>& out);
// The same, each number handed to `take` as soon as it is read, so a line of
// any length is read in little memory. `take` may throw; the reading then
// ends with its exception. It must not read a line itself: the folded line
// is kept per thread.
void readWideNumbers(std::string_view line, const std::function<void(WideNumber&&)>& take);

}  // namespace valo::harvest
