// Export of the number store's rows to a file a spreadsheet opens as it is:
// an Excel workbook (.xlsx) with the numbers as text, or CSV in UTF-8 with a
// byte-order mark, or in GBK. A CSV text cell that a spreadsheet would take
// for a formula gets a leading "'" (text/spreadsheet_cell.h); the workbook's
// cells are strings and never formulas. The file appears under its name only
// when it is complete: a cancelled or failed export leaves neither it nor a
// fragment.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "files/store/store_query.h"

namespace valo::files::store {

enum class ExportFormat { Xlsx, CsvUtf8, CsvGbk };

// Told of the rows written so far and in all; returning false cancels.
using ExportProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

struct ExportOutcome {
  std::int64_t rows = 0;
  bool cancelled = false;
};

// Writes the rows of `query` to `path`, replacing a file there only on
// success. Throws AppError when the file cannot be written.
ExportOutcome exportRows(NumberQuery& query, const QString& path, ExportFormat format,
                         const ExportProgress& progress = {});

}  // namespace valo::files::store
