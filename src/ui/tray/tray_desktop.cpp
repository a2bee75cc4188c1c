// The running desktop's side of the tray component.
#include "ui/tray/tray_desktop.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>

#include "ui/tray/tray_shell.h"

namespace valo::ui {

QPoint TrayDesktop::cursorPos() const {
  return QCursor::pos();
}

Qt::KeyboardModifiers TrayDesktop::keyboardModifiers() const {
  return QGuiApplication::queryKeyboardModifiers();
}

void TrayDesktop::setForegroundWindow(quintptr) {
  // Nothing to do here: the hidden window is not a desktop window, and a Qt
  // popup menu grabs the mouse itself and closes on a click outside it, which
  // is what the foreground switch achieves for a native tray menu.
}

void TrayDesktop::bringApplicationToForeground() {
  if (QApplication::activeWindow()) return;
  const auto windows = QApplication::topLevelWidgets();
  for (QWidget* w : windows) {
    if (w->isVisible() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip) {
      w->raise();
      w->activateWindow();
      return;
    }
  }
}

void TrayDesktop::popupMenu(QMenu* menu, const QPoint& at) {
  if (menu == menuOpenedByDesktop()) {
    // The desktop shows this menu for the click itself: wait until it has
    // closed, as for a menu opened here. A StatusNotifierItem host shows its
    // own copy out of process, so there is nothing to wait for.
    if (menu->isVisible()) {
      QEventLoop loop;
      QObject::connect(menu, &QMenu::aboutToHide, &loop, &QEventLoop::quit);
      QObject::connect(menu, &QObject::destroyed, &loop, &QEventLoop::quit);
      loop.exec();
    }
    return;
  }
  menu->exec(at);
}

TrayDesktop& TrayDesktop::standard() {
  static TrayDesktop desktop;
  return desktop;
}

}  // namespace valo::ui
