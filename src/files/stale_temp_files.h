// Temporary files the atomic replace leaves behind when the program is killed
// between making the fresh file and renaming it over the old one. The
// position is written at every keyword, so without a clean-up they would pile
// up in the data folder.
#pragma once

#include <QString>
#include <QStringList>

namespace valo::files {

// Removes, from each folder, the files named like the atomic replace's fresh
// copies of the progress and keyword files ("valofaxscan.ini.tmp<pid>-<n>",
// "valofaxbody.ini.tmp<pid>-<n>") that no running program is writing: their
// process is gone and nobody holds the lock a writer keeps on such a file.
// Best effort; returns how many were removed.
int removeStaleTemporaryFiles(const QStringList& folders);

// The same over every folder this program keeps its files in: the program
// folder, the user's data folder and, when set, the data folder override.
int removeStaleTemporaryFiles();

}  // namespace valo::files
