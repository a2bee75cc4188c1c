// The main window's layout: from top to bottom the toolbar band, the settings
// row, the result list, the keyword box beside the browser pane, and the
// status bar, plus the hidden buttons of the run. The toolbar's buttons come
// from the command table (main_commands.h); the timers from the run binding.
#pragma once

class QAbstractItemModel;
class QWidget;

namespace valo::ui {

struct MainWindowControls;

// Creates the controls as children of `window`, fills `controls` with them and
// lays them out for the window's design size. `results` is the result list's
// model.
void layOutMainWindow(QWidget& window, MainWindowControls& controls, QAbstractItemModel* results);

}  // namespace valo::ui
