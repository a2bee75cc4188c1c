// Where the program keeps its files. Writes go to the program folder when it
// can be written to, otherwise to the user's own data folder for this
// program. A file is read from where the writes go when it is there, else
// from the other of the two folders: an installed program still finds files
// shipped beside it, the user's own copy wins over them, and what one run
// saves the next run finds.
#pragma once

#include <QString>

namespace valo::files {

inline constexpr const char* kProgressFileName = "valofaxscan.ini";
inline constexpr const char* kKeywordFileName = "valofaxbody.ini";
inline constexpr const char* kEnginesFileName = "valofaxengines.ini";
inline constexpr const char* kOptionsFileName = "valofaxoptions.ini";
inline constexpr const char* kStoreFileName = "valofaxnumbers.db";
inline constexpr const char* kProxiesFileName = "valofaxproxies.txt";

// The folder of the running executable, with a trailing separator.
QString programFolder();

// The user's own data folder for this program (QStandardPaths::AppDataLocation),
// with a trailing separator; not created here.
QString userDataFolder();

// The write rule, for a given program folder: that folder when the running
// user may create files in it, otherwise userDataFolder() (created when
// missing). Always with a trailing separator.
QString chooseDataFolder(const QString& programFolder);

// The read rule for `fileName`: the first of the write folder, the program
// folder and the user's data folder that holds the file; the write folder's
// path when none does.
QString chooseReadPath(const QString& programFolder, const QString& fileName);

// chooseDataFolder(programFolder()), unless an override is set.
QString dataFolder();

// Test seam: a non-empty folder replaces both rules; empty removes the override.
void setDataFolderOverride(const QString& folder);

QString progressFilePath();  // dataFolder() + "valofaxscan.ini", where it is written
QString keywordFilePath();   // dataFolder() + "valofaxbody.ini", where it is written
QString progressReadPath();  // where "valofaxscan.ini" is read from at start-up
QString keywordReadPath();   // where "valofaxbody.ini" is read from at start-up
QString enginesFilePath();   // dataFolder() + "valofaxengines.ini", where the example is copied
QString enginesReadPath();   // where "valofaxengines.ini" is read from
QString optionsFilePath();   // dataFolder() + "valofaxoptions.ini", where it is written
QString optionsReadPath();   // where "valofaxoptions.ini" is read from
QString storeFilePath();     // dataFolder() + "valofaxnumbers.db", the number store
QString proxiesFilePath();   // dataFolder() + "valofaxproxies.txt", read and written there

}  // namespace valo::files
