// Writes the result list for the Save command: one number a line, GBK, each
// line ended by CR LF, replacing the chosen file only once it is complete.
#pragma once

#include <QString>
#include <vector>

#include "text/gbk.h"

namespace valo::ui {

// Throws AppError "Cannot create file %s" or "Stream write error".
void writeResultList(const QString& path, const std::vector<GbkString>& numbers);

}  // namespace valo::ui
