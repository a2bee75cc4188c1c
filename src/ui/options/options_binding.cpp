// See options_binding.h.
#include "ui/options/options_binding.h"

#include "ui/options/options_window.h"

namespace valo::ui {

OptionsBinding::OptionsBinding(QString readPath, QString writePath)
    : writePath_(std::move(writePath)), current_(files::loadProgramOptions(readPath)) {}

void OptionsBinding::edit(QWidget* parent) {
  OptionsWindow window(current_, parent);
  if (furnish) furnish(window);
  if (window.exec() != QDialog::Accepted) return;
  const files::ProgramOptions chosen = window.options();
  if (chosen == current_) return;
  current_ = chosen;
  files::saveProgramOptions(writePath_, current_);
}

}  // namespace valo::ui
