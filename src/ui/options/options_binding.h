// The program's options as the run and the windows see them: read from
// "valofaxoptions.ini" at start, changed in the options window and written
// back when the user confirms it.
#pragma once

#include <QString>
#include <functional>

#include "session/options_keeper.h"

class QWidget;

namespace valo::ui {

class OptionsWindow;

class OptionsBinding {
 public:
  // The search session keeps the options; this is their window.
  explicit OptionsBinding(session::OptionsKeeper& options) : options_(options) {}

  const files::ProgramOptions& current() const { return options_.current(); }

  // Lets later features put their own commands into the window before it
  // is shown.
  std::function<void(OptionsWindow&)> furnish;

  // Shows the window modally; on 确定 the options take effect at once (a
  // running search sees them at its next page) and are written to the file.
  // Throws AppError when the file cannot be written; the options still hold
  // for this run.
  void edit(QWidget* parent);

 private:
  session::OptionsKeeper& options_;
};

}  // namespace valo::ui
