// Where the program keeps its two files: the program folder when it can be
// written to, otherwise the user's own data folder for this program. Reading
// and writing follow the same rule, so what one run saves the next run finds.
#pragma once

#include <QString>

namespace valo::files {

inline constexpr const char* kProgressFileName = "valofaxscan.ini";
inline constexpr const char* kKeywordFileName = "valofaxbody.ini";

// The folder of the running executable, with a trailing separator.
QString programFolder();

// The rule itself, for a given program folder: that folder when a file can
// be created in it, otherwise QStandardPaths::AppDataLocation (created when
// missing). Always with a trailing separator.
QString chooseDataFolder(const QString& programFolder);

// chooseDataFolder(programFolder()), unless an override is set.
QString dataFolder();

// Test seam: a non-empty folder replaces the rule; empty removes the override.
void setDataFolderOverride(const QString& folder);

QString progressFilePath();  // dataFolder() + "valofaxscan.ini"
QString keywordFilePath();   // dataFolder() + "valofaxbody.ini"

}  // namespace valo::files
