// See spreadsheet_cell.h; the characters are OWASP's list for CSV injection.
#include "text/spreadsheet_cell.h"

namespace valo {

bool readAsFormula(std::string_view cell) {
  return !cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos;
}

void appendSpreadsheetText(std::string& out, std::string_view cell) {
  if (readAsFormula(cell)) out.push_back('\'');
  out.append(cell);
}

}  // namespace valo
