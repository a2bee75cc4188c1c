// A recording shell and a scripted desktop for the tray component's tests.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ui/tray/ant_taskbar_icon.h"

namespace valo::ui::testing {

// An icon of one colour, enough for the shell to be handed a picture.
inline QIcon solidIcon(Qt::GlobalColor colour) {
  QPixmap p(16, 16);
  p.fill(colour);
  return QIcon(p);
}

struct ShellCall {
  int message;
  quintptr window;
  std::uint32_t id;
  std::uint32_t flags;
  GbkString tip;
  bool iconPresent;
  std::uint32_t size;
  std::uint32_t callback;
};

// Keeps entries as a shell does (an add for an existing entry is refused) and
// records every request. It can refuse everything or throw on one request.
class FakeShell : public TrayShell {
 public:
  bool notifyIcon(int message, const NotifyIconData& data) override;
  void setContextMenu(quintptr window, QMenu* menu) override { menus.emplace_back(window, menu); }
  bool showMessage(quintptr window, std::uint32_t id, const QString& title, const QString& text) override;

  struct Message {
    quintptr window;
    std::uint32_t id;
    QString title, text;
  };

  std::vector<ShellCall> calls;
  std::vector<std::pair<quintptr, QMenu*>> menus;  // every menu handed over, in order
  std::vector<Message> messages;
  std::set<std::pair<quintptr, std::uint32_t>> entries;
  bool refuseAll = false;
  static constexpr int kShowMessage = 100;
  int throwOn = -1;  // the request (or kShowMessage) that throws, or -1
};

// Cursor and modifier keys as the test sets them; foreground changes and
// menus are written to a shared log instead of happening.
class FakeDesktop : public TrayDesktop {
 public:
  explicit FakeDesktop(std::vector<std::string>& log) : log_(log) {}

  QPoint cursorPos() const override { return cursor; }
  Qt::KeyboardModifiers keyboardModifiers() const override { return modifiers; }
  void setForegroundWindow(quintptr window) override;
  void bringApplicationToForeground() override { log_.push_back("front app"); }
  void popupMenu(QMenu* menu, const QPoint& at) override;

  QPoint cursor{120, 340};
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
  quintptr foregroundWindow = 0;
  QMenu* shownMenu = nullptr;
  QPoint shownAt;

 private:
  std::vector<std::string>& log_;
};

// Hooks every event of `icon` into `log` ("down L", "up R", "click", ...),
// and the mouse events' arguments into the last* fields.
struct EventLog {
  void attach(TantTaskbarIcon& icon);

  std::vector<std::string> entries;
  TShiftState lastShift;
  QPoint lastPoint;
  QObject* lastSender = nullptr;
};

}  // namespace valo::ui::testing
