// The options window ("选项"): the switches that change how a search reads
// and lists numbers beyond the main window's own settings row, which has no
// room left. Opened from the toolbar and the tray menu.
#pragma once

#include <QDialog>

#include "files/program_options.h"

class QCheckBox;
class QLineEdit;
class QVBoxLayout;

namespace valo::ui {

class OptionsWindow : public QDialog {
  Q_OBJECT
 public:
  explicit OptionsWindow(const files::ProgramOptions& options, QWidget* parent = nullptr);

  files::ProgramOptions options() const;
  // Where later commands (a proxies button, say) go, below the switches.
  QVBoxLayout* commandsArea() const { return commands_; }

  QCheckBox* HistoryDedupBox = nullptr;
  QCheckBox* WideReadingBox = nullptr;
  // A team's server and this machine's name in it (see the README's Teams).
  QLineEdit* TeamConnectionEdit = nullptr;
  QLineEdit* MachineNameEdit = nullptr;

 private:
  QVBoxLayout* commands_ = nullptr;
};

}  // namespace valo::ui
