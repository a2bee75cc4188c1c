// See minimise_to_tray.h.
#include "ui/main/minimise_to_tray.h"

#include <QAction>
#include <QWidget>
#include <utility>

namespace valo::ui {

MinimiseToTray::MinimiseToTray(QWidget& window, QAction& showItem, QAction& minimiseItem,
                               std::function<bool()> trayPresent)
    : window_(window),
      showItem_(showItem),
      minimiseItem_(minimiseItem),
      trayPresent_(std::move(trayPresent)) {}

void MinimiseToTray::minimise() {
  minimiseItem_.setEnabled(false);
  showItem_.setEnabled(true);
  if (trayPresent_()) {
    hiddenInTray_ = true;
    window_.hide();
    return;
  }
  hiddenInTray_ = false;
  if (!window_.isMinimized()) window_.setWindowState(window_.windowState() | Qt::WindowMinimized);
}

void MinimiseToTray::show() {
  showItem_.setEnabled(false);
  minimiseItem_.setEnabled(true);
  hiddenInTray_ = false;
  // The window keeps its maximised or full-screen flag while minimised;
  // taking away only the minimised one brings that state back.
  window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
  window_.show();
  window_.raise();
  window_.activateWindow();
}

bool MinimiseToTray::stateChanged(Qt::WindowStates oldState) {
  if (!window_.isVisible()) return false;
  if (window_.isMinimized()) return !(oldState & Qt::WindowMinimized);
  // Restored by the window manager (its taskbar entry, when there is no tray).
  followScreen();
  return false;
}

bool MinimiseToTray::hiddenInTray() const {
  return hiddenInTray_ && !window_.isVisible();
}

void MinimiseToTray::followScreen() {
  const bool onScreen = window_.isVisible() && !window_.isMinimized();
  showItem_.setEnabled(!onScreen);
  minimiseItem_.setEnabled(onScreen);
}

}  // namespace valo::ui
