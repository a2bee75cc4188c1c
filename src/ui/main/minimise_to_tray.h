// Minimising the main window and showing it again. With a notification area
// on the desktop, minimising hides the window into it and the tray icon is
// the way back. Without one (a bare window manager, GNOME without a tray
// extension) hiding would leave the user no way back at all, so the window
// stays an ordinary minimised window with its taskbar entry. Whether there is
// a tray is asked anew at every minimise, since a panel can come and go while
// the program runs. The Show and Minimise menu items follow what is on screen.
#pragma once

#include <Qt>
#include <functional>

class QAction;
class QWidget;

namespace valo::ui {

class MinimiseToTray {
 public:
  MinimiseToTray(QWidget& window, QAction& showItem, QAction& minimiseItem,
                 std::function<bool()> trayPresent);

  // Minimise to tray: the menu item, and the window having been minimised.
  void minimise();
  // Show the window again in the state it had before it was minimised, so a
  // maximised window comes back maximised.
  void show();

  // The window's state has changed from `oldState`. True when the window has
  // just been minimised on screen: the application's minimise event, which
  // the window answers with its Minimise to tray command.
  bool stateChanged(Qt::WindowStates oldState);

  // Hidden into the tray by minimise() and not shown since.
  bool hiddenInTray() const;

 private:
  void followScreen();

  QWidget& window_;
  QAction& showItem_;
  QAction& minimiseItem_;
  std::function<bool()> trayPresent_;
  bool hiddenInTray_ = false;
};

}  // namespace valo::ui
