// What the tray component asks of the desktop besides the shell: the cursor,
// the keyboard's modifier keys, bringing windows to the front and running a
// popup menu. Tests replace it to control all of these.
#pragma once

#include <QPoint>
#include <QtGlobal>

class QMenu;

namespace valo::ui {

class TrayDesktop {
 public:
  virtual ~TrayDesktop() = default;

  // Cursor position in screen coordinates.
  virtual QPoint cursorPos() const;
  // Modifier keys held down right now.
  virtual Qt::KeyboardModifiers keyboardModifiers() const;
  // Makes the component's hidden window the foreground window before its menu
  // opens, so that a click elsewhere closes the menu.
  virtual void setForegroundWindow(quintptr hiddenWindow);
  // Brings the application's own top-level window to the front.
  virtual void bringApplicationToForeground();
  // Shows `menu` with its top-left corner at `at`; returns when it has closed.
  // A menu the desktop is already showing for the same click (see
  // menuOpenedByDesktop) is not opened again; the call waits for it instead.
  virtual void popupMenu(QMenu* menu, const QPoint& at);

  static TrayDesktop& standard();
};

}  // namespace valo::ui
