// The tray component's requests to the shell, its setters and its handling of
// the shell's mouse notifications.
#include "ui/tray/ant_taskbar_icon.h"

#include <QChildEvent>
#include <QMenu>
#include <algorithm>
#include <cstring>

namespace valo::ui {
namespace {

constexpr std::size_t kMaxHintBytes = kTipBytes - 1;

}  // namespace

TantTaskbarIcon::TantTaskbarIcon(QObject* owner, TrayShell* shell, TrayDesktop* desktop)
    : QObject(owner),
      shell_(shell ? shell : &defaultTrayShell()),
      desktop_(desktop ? desktop : &TrayDesktop::standard()),
      window_(std::make_unique<TrayHiddenWindow>(
          [this](unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
            return TrayWndProc(message, wParam, lParam);
          })) {
  if (owner) owner->installEventFilter(this);
}

TantTaskbarIcon::~TantTaskbarIcon() {
  // A destructor cannot pass the error on; the icon is gone with the
  // component either way.
  try {
    SetVisible(false);
  } catch (const EantTaskbarIcon&) {
  }
  shell_->setContextMenu(window_->id(), nullptr);
}

void TantTaskbarIcon::SetPopupMenu(QMenu* menu) {
  popupMenu_ = menu;
  popupMenuObject_ = menu;
  handMenuToShell();
}

void TantTaskbarIcon::handMenuToShell() {
  // A disabled icon opens no menu, so the desktop gets none to open either.
  shell_->setContextMenu(window_->id(), enabled_ ? popupMenu_ : nullptr);
}

bool TantTaskbarIcon::ShowBalloon(const QString& title, const QString& text) {
  if (!visible_) return false;
  try {
    return shell_->showMessage(window_->id(), static_cast<std::uint32_t>(iconId_), title, text);
  } catch (...) {
    throw EantTaskbarIcon(formatMessage("%s.ShowBalloon failed", toGbk(objectName())));
  }
}

std::intptr_t TantTaskbarIcon::TrayWndProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (message != WM_TRAYNOTIFY || !enabled_) return window_->defaultProcedure(message, wParam, lParam);
  const QPoint at = desktop_->cursorPos();
  const TShiftState shift = currentShift();
  switch (static_cast<unsigned>(lParam)) {
    case WM_LBUTTONDOWN:
      leftDown_ = true;
      RaiseMouseDown(TMouseButton::mbLeft, shift | ShiftFlag::ssLeft, at.x(), at.y());
      break;
    case WM_LBUTTONUP:
      RaiseMouseUp(TMouseButton::mbLeft, shift | ShiftFlag::ssLeft, at.x(), at.y());
      if (leftDown_) RaiseClick();
      leftDown_ = false;
      break;
    case WM_LBUTTONDBLCLK:
      RaiseDblClick();
      break;
    case WM_RBUTTONDOWN:
      desktop_->setForegroundWindow(window_->id());
      RaiseMouseDown(TMouseButton::mbRight, shift | ShiftFlag::ssRight, at.x(), at.y());
      break;
    case WM_RBUTTONUP:
      PopupAtCursor();
      RaiseMouseUp(TMouseButton::mbRight, shift | ShiftFlag::ssRight, at.x(), at.y());
      break;
    default:
      break;
  }
  return 0;
}

TShiftState TantTaskbarIcon::currentShift() const {
  const Qt::KeyboardModifiers keys = desktop_->keyboardModifiers();
  TShiftState shift;
  if (keys & Qt::ShiftModifier) shift |= ShiftFlag::ssShift;
  if (keys & Qt::ControlModifier) shift |= ShiftFlag::ssCtrl;
  if (keys & Qt::AltModifier) shift |= ShiftFlag::ssAlt;
  return shift;
}

void TantTaskbarIcon::FillIconData() {
  iconData_.cbSize = kNotifyIconDataSize;
  iconData_.hWnd = window_->id();
  iconData_.uID = static_cast<std::uint32_t>(iconId_);
  iconData_.uFlags = flags_;
  iconData_.uCallbackMessage = WM_TRAYNOTIFY;
  iconData_.hIcon = icon_;
  iconData_.szTip.fill('\0');
  std::memcpy(iconData_.szTip.data(), hint_.data(), std::min(hint_.size(), kMaxHintBytes));
}

void TantTaskbarIcon::callShell(int message, const char* pattern) {
  try {
    FillIconData();
    shell_->notifyIcon(message, iconData_);  // a refusal is not an error
  } catch (...) {
    throw EantTaskbarIcon(formatMessage(pattern, toGbk(objectName())));
  }
}

void TantTaskbarIcon::AddToTaskbar() {
  callShell(NIM_ADD, "%s.AddToTaskbar failed");
}

void TantTaskbarIcon::DeleteFromTaskbar() {
  callShell(NIM_DELETE, "%s.DeleteFromTaskbar failed");
}

void TantTaskbarIcon::UpDate() {
  callShell(NIM_MODIFY, "%s.UpDate failed");
}

void TantTaskbarIcon::LoadIconFromImageList() {
  if (!imageList_) return;
  icon_ = QIcon();
  icon_ = imageList_->GetIcon(imageIndex_);
  UpDate();
}

void TantTaskbarIcon::RaiseMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TantTaskbarIcon::RaiseMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  desktop_->bringApplicationToForeground();
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TantTaskbarIcon::RaiseClick() {
  if (OnClick) OnClick(this);
}

void TantTaskbarIcon::RaiseDblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TantTaskbarIcon::SetIcon(const QIcon& icon) {
  icon_ = icon;
  UpDate();
}

void TantTaskbarIcon::SetImageList(const TImageList* list) {
  imageList_ = list;
  LoadIconFromImageList();
}

void TantTaskbarIcon::SetImageIndex(std::int32_t index) {
  imageIndex_ = index;
  LoadIconFromImageList();
}

void TantTaskbarIcon::SetIconID(std::int32_t id) {
  if (id == iconId_) return;
  const bool wasVisible = visible_;
  SetVisible(false);
  iconId_ = id;
  SetVisible(wasVisible);
}

void TantTaskbarIcon::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (visible)
    ShowIcon();
  else
    HideIcon();
}

void TantTaskbarIcon::SetEnabled(bool enabled) {
  enabled_ = enabled;
  handMenuToShell();
}

void TantTaskbarIcon::SetHint(const GbkString& hint) {
  hint_ = hint.substr(0, kMaxHintBytes);
  UpDate();
}

void TantTaskbarIcon::ShowIcon() {
  flags_ |= NIF_ICON;
  AddToTaskbar();
  visible_ = true;
  if (OnShow) OnShow(this);
}

void TantTaskbarIcon::HideIcon() {
  flags_ &= ~NIF_ICON;
  DeleteFromTaskbar();
  visible_ = false;
  if (OnHide) OnHide(this);
}

void TantTaskbarIcon::PopupAtCursor() {
  if (!popupMenu_) return;
  const QPoint at = desktop_->cursorPos();
  desktop_->popupMenu(popupMenu_, at);
  window_->post(WM_NULL, 0, 0);
  if (OnPopupMenu) OnPopupMenu(this);
}

void TantTaskbarIcon::Loaded() {
  if (visible_) ShowIcon();
}

void TantTaskbarIcon::Notification(QObject* component) {
  if (component && component == popupMenuObject_) SetPopupMenu(nullptr);
}

bool TantTaskbarIcon::eventFilter(QObject* watched, QEvent* event) {
  // A child leaving the owner, by deletion or by a new parent, is the owner's
  // removal notice.
  if (watched == parent() && event->type() == QEvent::ChildRemoved)
    Notification(static_cast<QChildEvent*>(event)->child());
  return QObject::eventFilter(watched, event);
}

}  // namespace valo::ui
