// The options beyond the main window's own controls, kept across runs in
// "valofaxoptions.ini" (INI, UTF-8) beside the progress file, which keeps its
// four lines. Every option is off unless the file says otherwise, so a
// missing, unreadable or foreign file changes nothing of how a search runs.
#pragma once

#include <QString>

namespace valo::files {

struct ProgramOptions {
  // "历史去重": a number the store holds from an earlier search or an
  // imported list is not listed again.
  bool historyDedup = false;
  // "扩展识别": lines are read by the wider rules instead of the exact ones.
  bool wideReading = false;
  // A team's server: a libpq connection string or "service=…", without its
  // password (libpq reads that from ~/.pgpass or the service file). Empty:
  // the program keeps its numbers in its own store.
  QString teamConnection{};
  // Names this machine's searches and sightings in a team's store; empty:
  // the host name.
  QString machineName{};

  friend bool operator==(const ProgramOptions&, const ProgramOptions&) = default;
};

// The key names as they stand in the file, under the section [options].
inline constexpr const char* kHistoryDedupKey = "history-dedup";
inline constexpr const char* kWideReadingKey = "wide-reading";
inline constexpr const char* kTeamConnectionKey = "team-connection";
inline constexpr const char* kMachineNameKey = "machine";

// The machine name a team store records: the option, or the host name.
QString machineNameOf(const ProgramOptions& options);

// Reads the file; a missing file, a missing key or a value other than
// true/false/1/0 gives the default.
ProgramOptions loadProgramOptions(const QString& path);

// Whether a team connection holds a password (a password= pair, or one in a
// postgresql:// address), which the options file never keeps.
bool carriesPassword(const QString& connection);

// Writes the file whole through a temporary file, keeping keys it does not
// know (a later version's). Throws AppError when it cannot be written, or
// when the team connection holds a password.
void saveProgramOptions(const QString& path, const ProgramOptions& options);

}  // namespace valo::files
