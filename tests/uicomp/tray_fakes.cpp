// The tray test doubles.
#include "tray_fakes.h"

#include <stdexcept>

namespace valo::ui::testing {

bool FakeShell::notifyIcon(int message, const NotifyIconData& data) {
  calls.push_back(ShellCall{message, data.hWnd, data.uID, data.uFlags, data.tip(), !data.hIcon.isNull(),
                            data.cbSize, data.uCallbackMessage});
  if (message == throwOn) throw std::runtime_error("icon handle could not be made");
  if (refuseAll) return false;
  const auto key = std::make_pair(data.hWnd, data.uID);
  switch (message) {
    case NIM_ADD:
      return entries.insert(key).second;
    case NIM_DELETE:
      return entries.erase(key) == 1;
    default:
      return entries.count(key) == 1;
  }
}

bool FakeShell::showMessage(quintptr window, std::uint32_t id, const QString& title, const QString& text) {
  if (throwOn == kShowMessage) throw std::runtime_error("notification service gone");
  messages.push_back({window, id, title, text});
  return entries.count({window, id}) == 1;
}

void FakeDesktop::setForegroundWindow(quintptr window) {
  foregroundWindow = window;
  log_.push_back("front hidden");
}

void FakeDesktop::popupMenu(QMenu* menu, const QPoint& at) {
  shownMenu = menu;
  shownAt = at;
  log_.push_back("menu");
}

void EventLog::attach(TantTaskbarIcon& icon) {
  auto mouse = [this](const char* what) {
    return [this, what](QObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
      entries.push_back(std::string(what) + (button == TMouseButton::mbLeft ? " L" : " R"));
      lastSender = sender;
      lastShift = shift;
      lastPoint = QPoint(x, y);
    };
  };
  auto notify = [this](const char* what) {
    return [this, what](QObject* sender) {
      entries.push_back(what);
      lastSender = sender;
    };
  };
  icon.OnMouseDown = mouse("down");
  icon.OnMouseUp = mouse("up");
  icon.OnClick = notify("click");
  icon.OnDblClick = notify("dblclick");
  icon.OnPopupMenu = notify("popup");
  icon.OnShow = notify("show");
  icon.OnHide = notify("hide");
}

}  // namespace valo::ui::testing
