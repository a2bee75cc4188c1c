// Tray entries on the desktop through QSystemTrayIcon.
#include "ui/tray/tray_shell.h"

#include <QCoreApplication>
#include <QMenu>
#include <QPointer>

#include "ui/common/error_box.h"
#include "ui/tray/tray_window.h"

namespace valo::ui {
namespace {

QPointer<QMenu>& desktopMenu() {
  static QPointer<QMenu> menu;
  return menu;
}

// Names the menu the desktop opens for the click being delivered, for as long
// as the delivery lasts (a nested delivery restores the outer one).
class DesktopMenuScope {
 public:
  explicit DesktopMenuScope(QMenu* menu) : previous_(desktopMenu()) { desktopMenu() = menu; }
  ~DesktopMenuScope() { desktopMenu() = previous_; }
  DesktopMenuScope(const DesktopMenuScope&) = delete;
  DesktopMenuScope& operator=(const DesktopMenuScope&) = delete;

 private:
  QPointer<QMenu> previous_;
};

}  // namespace

void TrayShell::setContextMenu(quintptr, QMenu*) {}

bool TrayShell::showMessage(quintptr, std::uint32_t, const QString&, const QString&) {
  return false;
}

QMenu* menuOpenedByDesktop() {
  return desktopMenu();
}

SystemTrayShell::SystemTrayShell(QObject* parent) : QObject(parent) {}

SystemTrayShell::~SystemTrayShell() {
  for (auto& [key, entry] : entries_) delete entry.icon;
}

bool SystemTrayShell::notifyIcon(int message, const NotifyIconData& data) {
  const Key key{data.hWnd, data.uID};
  auto found = entries_.find(key);
  switch (message) {
    case NIM_ADD: {
      if (found != entries_.end()) return false;
      Entry entry;
      entry.icon = new QSystemTrayIcon(this);
      connect(entry.icon, &QSystemTrayIcon::activated, this,
              [this, key](QSystemTrayIcon::ActivationReason reason) { guarded([&] { activated(key, reason); }); });
      apply(entry, data);
      if (auto menu = menus_.find(key.first); menu != menus_.end()) entry.icon->setContextMenu(menu->second);
      entry.icon->show();
      entries_.emplace(key, entry);
      return true;
    }
    case NIM_MODIFY:
      if (found == entries_.end()) return false;
      apply(found->second, data);
      return true;
    case NIM_DELETE: {
      if (found == entries_.end()) return false;
      QSystemTrayIcon* icon = found->second.icon;
      entries_.erase(found);
      icon->hide();
      // The entry may be deleted from inside its own activation, so it goes
      // when control is back in the event loop.
      icon->deleteLater();
      return true;
    }
    default:
      return false;
  }
}

void SystemTrayShell::setContextMenu(quintptr window, QMenu* menu) {
  if (menu)
    menus_[window] = menu;
  else
    menus_.erase(window);
  for (auto& [key, entry] : entries_) {
    if (key.first == window) entry.icon->setContextMenu(menu);
  }
}

bool SystemTrayShell::showMessage(quintptr window, std::uint32_t id, const QString& title,
                                  const QString& text) {
  auto found = entries_.find(Key{window, id});
  if (found == entries_.end()) return false;
  found->second.icon->showMessage(title, text, QSystemTrayIcon::Information);
  return true;
}

QSystemTrayIcon* SystemTrayShell::entry(quintptr window, std::uint32_t id) const {
  auto found = entries_.find(Key{window, id});
  return found == entries_.end() ? nullptr : found->second.icon;
}

void SystemTrayShell::apply(Entry& entry, const NotifyIconData& data) {
  if (data.uFlags & NIF_ICON) entry.icon->setIcon(data.hIcon);
  if (data.uFlags & NIF_TIP) entry.icon->setToolTip(tipDisplayText(data.tip()));
  if (data.uFlags & NIF_MESSAGE) {
    entry.notifies = true;
    entry.callbackMessage = data.uCallbackMessage;
  }
}

void SystemTrayShell::activated(const Key& key, QSystemTrayIcon::ActivationReason reason) {
  auto found = entries_.find(key);
  if (found == entries_.end() || !found->second.notifies) return;
  const std::uint32_t callback = found->second.callbackMessage;
  // A desktop tray reports whole gestures; the component expects the button
  // messages they are made of.
  unsigned first = 0;
  unsigned second = 0;
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      first = WM_LBUTTONDOWN;
      second = WM_LBUTTONUP;
      break;
    case QSystemTrayIcon::DoubleClick:
      first = WM_LBUTTONDBLCLK;
      second = WM_LBUTTONUP;
      break;
    case QSystemTrayIcon::Context:
      first = WM_RBUTTONDOWN;
      second = WM_RBUTTONUP;
      break;
    default:
      return;
  }
  // With a menu of its own the entry's desktop side has opened it already
  // (an X11 tray pops it up before reporting the click).
  DesktopMenuScope scope(reason == QSystemTrayIcon::Context ? found->second.icon->contextMenu() : nullptr);
  for (unsigned mouse : {first, second}) {
    // Looked up anew each time: the first message may remove the component.
    TrayHiddenWindow* window = TrayHiddenWindow::find(key.first);
    if (!window) return;
    window->send(callback, key.second, static_cast<std::intptr_t>(mouse));
  }
}

namespace {
TrayShell* testShell = nullptr;
}  // namespace

void setDefaultTrayShellForTests(TrayShell* shell) {
  testShell = shell;
}

TrayShell& defaultTrayShell() {
  if (testShell) return *testShell;
  static QPointer<SystemTrayShell> shell;
  if (!shell) shell = new SystemTrayShell(QCoreApplication::instance());
  return *shell;
}

}  // namespace valo::ui
