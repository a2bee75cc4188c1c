// The notification-area shell the tray component talks to: one call that adds,
// modifies or deletes a tray entry, keyed by (hidden window, icon id). The
// desktop implementation shows each entry as a QSystemTrayIcon and turns its
// activations into the mouse notifications the component expects.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <map>
#include <utility>

#include "ui/tray/notify_icon_data.h"

namespace valo::ui {

class TrayShell {
 public:
  virtual ~TrayShell() = default;
  // message: NIM_ADD, NIM_MODIFY or NIM_DELETE. Returns false when the shell
  // refuses (an add for an entry that exists, a modify or delete for one that
  // does not).
  virtual bool notifyIcon(int message, const NotifyIconData& data) = 0;
};

class SystemTrayShell : public QObject, public TrayShell {
  Q_OBJECT

 public:
  explicit SystemTrayShell(QObject* parent = nullptr);
  ~SystemTrayShell() override;

  bool notifyIcon(int message, const NotifyIconData& data) override;

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
};

// The shell of the running desktop, shared by all tray components and owned
// by the application object.
TrayShell& defaultTrayShell();

}  // namespace valo::ui
