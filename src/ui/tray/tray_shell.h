// The notification-area shell the tray component talks to: one call that adds,
// modifies or deletes a tray entry, keyed by (hidden window, icon id), and
// two for what current desktops do themselves: the entry's own menu and a
// passing message from it. The desktop implementation shows each entry as a
// QSystemTrayIcon and turns its activations into the mouse notifications the
// component expects.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <map>
#include <utility>

#include "ui/tray/notify_icon_data.h"

class QMenu;

namespace valo::ui {

class TrayShell {
 public:
  virtual ~TrayShell() = default;
  // message: NIM_ADD, NIM_MODIFY or NIM_DELETE. Returns false when the shell
  // refuses (an add for an entry that exists, a modify or delete for one that
  // does not).
  virtual bool notifyIcon(int message, const NotifyIconData& data) = 0;

  // The menu the desktop opens by itself on every entry of `window`, now and
  // when entries are added later; null takes it away. Desktops that host tray
  // icons as StatusNotifierItems never report a right click, so this is the
  // only way their users reach the menu. The base shell has no such menus.
  virtual void setContextMenu(quintptr window, QMenu* menu);

  // A passing message (a balloon or desktop notification) from the entry
  // (window, id). False when there is no such entry; the base shell has none.
  virtual bool showMessage(quintptr window, std::uint32_t id, const QString& title, const QString& text);
};

class SystemTrayShell : public QObject, public TrayShell {
  Q_OBJECT

 public:
  explicit SystemTrayShell(QObject* parent = nullptr);
  ~SystemTrayShell() override;

  bool notifyIcon(int message, const NotifyIconData& data) override;
  void setContextMenu(quintptr window, QMenu* menu) override;
  bool showMessage(quintptr window, std::uint32_t id, const QString& title, const QString& text) override;

  // The desktop entry for (window, id), or nullptr.
  QSystemTrayIcon* entry(quintptr window, std::uint32_t id) const;
  int entryCount() const { return static_cast<int>(entries_.size()); }

 private:
  using Key = std::pair<quintptr, std::uint32_t>;
  struct Entry {
    QSystemTrayIcon* icon = nullptr;
    bool notifies = false;
    std::uint32_t callbackMessage = 0;
  };

  void apply(Entry& entry, const NotifyIconData& data);
  void activated(const Key& key, QSystemTrayIcon::ActivationReason reason);

  std::map<Key, Entry> entries_;
  std::map<quintptr, QPointer<QMenu>> menus_;
};

// While the shell delivers the right click of an entry whose menu the desktop
// opens itself, that menu; otherwise null. A request from the component to
// open that menu for the same click must not open it a second time.
QMenu* menuOpenedByDesktop();

// The shell of the running desktop, shared by all tray components and owned
// by the application object.
TrayShell& defaultTrayShell();
// Tests hand the components they create a shell of their own this way; null
// brings back the desktop's. Components keep the shell they were made with.
void setDefaultTrayShellForTests(TrayShell* shell);

}  // namespace valo::ui
