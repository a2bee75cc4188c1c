// TantTaskbarIcon: puts one icon into the desktop's notification area, keeps
// its picture and tip up to date, turns mouse actions on it into events and
// opens a popup menu at the cursor on a right click. It talks to the shell
// with add / modify / delete requests and hears back through a hidden window.
// Its menu is also handed to the shell for desktops that open it themselves,
// and it can show a passing message from the icon.
#pragma once

#include <QFlags>
#include <QIcon>
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>

#include "text/app_error.h"
#include "ui/tray/image_list.h"
#include "ui/tray/notify_icon_data.h"
#include "ui/tray/tray_desktop.h"
#include "ui/tray/tray_shell.h"
#include "ui/tray/tray_window.h"

class QMenu;

namespace valo::ui {

// Raised when a request to the shell fails on the way; the message names the
// component and the operation ("Tray.AddToTaskbar failed").
class EantTaskbarIcon : public AppError {
 public:
  using AppError::AppError;
};

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

enum class ShiftFlag : unsigned {
  ssShift = 0x01,
  ssAlt = 0x02,
  ssCtrl = 0x04,
  ssLeft = 0x08,
  ssRight = 0x10,
  ssMiddle = 0x20,
  ssDouble = 0x40,
};
Q_DECLARE_FLAGS(TShiftState, ShiftFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

using TNotifyEvent = std::function<void(QObject* sender)>;
using TMouseEvent =
    std::function<void(QObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;

class TantTaskbarIcon : public QObject {
  Q_OBJECT

 public:
  // `owner` is the parent; a popup menu that is also a child of it is
  // forgotten when it is removed. A null shell or desktop means the running
  // desktop's.
  explicit TantTaskbarIcon(QObject* owner, TrayShell* shell = nullptr, TrayDesktop* desktop = nullptr);
  ~TantTaskbarIcon() override;

  // Events, raised only when set.
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnPopupMenu;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

  // Properties.
  const QIcon& Icon() const { return icon_; }
  const TImageList* ImageList() const { return imageList_; }
  std::int32_t ImageIndex() const { return imageIndex_; }
  std::int32_t IconID() const { return iconId_; }
  bool Visible() const { return visible_; }
  bool Enabled() const { return enabled_; }
  const GbkString& Hint() const { return hint_; }
  QMenu* PopupMenu() const { return popupMenu_; }
  // Stored as given, without a setter's side effects on the icon's record; the
  // shell is told of it (while Enabled) so that desktops which never report a
  // right click open it themselves. A menu that is not a child of this
  // component's owner must outlive the component.
  void SetPopupMenu(QMenu* menu);

  // Shows a passing message from the icon: `title` in bold, then `text`.
  // False, and nothing shown, while the icon is not in the tray.
  bool ShowBalloon(const QString& title, const QString& text);

  // Flags word for the record: NIF_MESSAGE | NIF_TIP, plus NIF_ICON while shown.
  std::uint32_t FlagsWord() const { return flags_; }
  // The record as last filled for the shell.
  const NotifyIconData& IconData() const { return iconData_; }
  TrayHiddenWindow& HiddenWindow() { return *window_; }
  bool LeftDown() const { return leftDown_; }

  // Message handler of the hidden window.
  virtual std::intptr_t TrayWndProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  virtual void FillIconData();
  virtual void AddToTaskbar();
  virtual void DeleteFromTaskbar();
  virtual void LoadIconFromImageList();
  virtual void RaiseMouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void RaiseMouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void RaiseClick();
  virtual void RaiseDblClick();
  virtual void SetIcon(const QIcon& icon);
  virtual void SetImageList(const TImageList* list);
  virtual void SetImageIndex(std::int32_t index);
  virtual void SetIconID(std::int32_t id);
  virtual void SetVisible(bool visible);
  virtual void SetEnabled(bool enabled);
  // `hint` is GBK text; only its first 63 bytes are kept.
  virtual void SetHint(const GbkString& hint);
  virtual void UpDate();
  virtual void ShowIcon();
  virtual void HideIcon();
  virtual void PopupAtCursor();

  // The owner calls this once its properties have been applied; an icon that
  // is to be visible is shown (again) now.
  virtual void Loaded();

 protected:
  // The owner's notice that `component` is leaving it.
  virtual void Notification(QObject* component);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void callShell(int message, const char* pattern);
  void handMenuToShell();
  TShiftState currentShift() const;

  TrayShell* shell_;
  TrayDesktop* desktop_;
  std::unique_ptr<TrayHiddenWindow> window_;
  NotifyIconData iconData_;
  QIcon icon_;
  const TImageList* imageList_ = nullptr;
  std::int32_t imageIndex_ = 0;
  std::int32_t iconId_ = 0;
  std::uint32_t flags_ = NIF_MESSAGE | NIF_TIP;
  bool visible_ = false;
  bool enabled_ = true;
  GbkString hint_;
  QMenu* popupMenu_ = nullptr;
  // The menu's address as an object, kept to recognise it while it is being
  // destroyed (when it can no longer be converted).
  const QObject* popupMenuObject_ = nullptr;
  bool leftDown_ = false;
};

}  // namespace valo::ui
