// The main window in the desktop's notification area: the tray icon and its
// menu, minimise to tray and back, and the messages the icon shows while the
// window is hidden there.
#pragma once

#include <QString>
#include <Qt>
#include <functional>
#include <memory>

namespace valo::ui {

class MinimiseToTray;
class TForm1;

class TrayBinding {
 public:
  // Builds `form.PopupMenu1` from the command table and `form.antTaskbarIcon1`;
  // a click on the icon runs the form's Show handler. `trayPresent` is asked
  // at every minimise.
  TrayBinding(TForm1& form, std::function<bool()> trayPresent);
  ~TrayBinding();
  TrayBinding(const TrayBinding&) = delete;
  TrayBinding& operator=(const TrayBinding&) = delete;

  void minimise();
  void show();
  // The window's state changed from `oldState`; true when it has just been
  // minimised on screen, which the window answers with Minimise to tray.
  bool windowStateChanged(Qt::WindowStates oldState);
  // Says `text` from the icon while the window is hidden in the tray.
  void tellWhileHidden(const QString& text);
  // The icon's hint names how far a search is beside the program; empty
  // once it has ended.
  void showRunProgress(const QString& text);
  // The program is ending: the icon leaves the tray.
  void remove();

 private:
  TForm1& form_;
  std::unique_ptr<MinimiseToTray> minimiser_;
};

}  // namespace valo::ui
