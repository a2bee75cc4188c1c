// The proxy list file "valofaxproxies.txt" in the data folder: UTF-8, one
// proxy a line, so that any editor can write it too. It may hold passwords,
// so the program keeps it readable by its owner only (mode 0600): it writes
// it so, and narrows a looser mode it finds when it reads it.
#pragma once

#include <QString>
#include <string>

namespace valo::files {

// The file's text; empty when there is none. Throws AppError when it exists
// but cannot be read.
std::string readProxyFile(const QString& path);

// Replaces the file atomically with `utf8Text`, mode 0600. Throws AppError.
void writeProxyFile(const QString& path, const std::string& utf8Text);

}  // namespace valo::files
