// The program's options ("valofaxoptions.ini") as a session holds them: read
// at start, asked afresh at every page, changed (and written back) when the
// user confirms the options window.
#pragma once

#include <QString>

#include "files/program_options.h"

namespace valo::session {

class OptionsKeeper {
 public:
  // `readPath` is read now; changes are written to `writePath`.
  OptionsKeeper(const QString& readPath, QString writePath)
      : writePath_(std::move(writePath)), current_(files::loadProgramOptions(readPath)) {}

  const files::ProgramOptions& current() const { return current_; }
  // Takes effect at once, for this run only: the options file stays as the
  // user left it (a command line's switches).
  void useForThisRun(const files::ProgramOptions& chosen) { current_ = chosen; }
  // Takes effect at once (a running search sees it at its next page) and is
  // written when it differs. Throws AppError when the file cannot be
  // written; the options still hold for this run.
  void change(const files::ProgramOptions& chosen) {
    if (chosen == current_) return;
    current_ = chosen;
    files::saveProgramOptions(writePath_, current_);
  }

 private:
  QString writePath_;
  files::ProgramOptions current_;
};

}  // namespace valo::session
