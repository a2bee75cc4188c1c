// The record the tray icon hands to the shell for every add, modify and
// delete, with the message and flag numbers of the notification-area protocol.
#pragma once

#include <QIcon>
#include <QtGlobal>
#include <array>
#include <cstdint>

#include "text/gbk.h"

namespace valo::ui {

// Shell requests.
inline constexpr int NIM_ADD = 0;
inline constexpr int NIM_MODIFY = 1;
inline constexpr int NIM_DELETE = 2;

// Which fields of the record the shell is to take.
inline constexpr std::uint32_t NIF_MESSAGE = 1;
inline constexpr std::uint32_t NIF_ICON = 2;
inline constexpr std::uint32_t NIF_TIP = 4;

// Window messages the tray component deals with.
inline constexpr unsigned WM_NULL = 0;
inline constexpr unsigned WM_USER = 0x400;
inline constexpr unsigned WM_TRAYNOTIFY = WM_USER + 1;  // 1025
inline constexpr unsigned WM_LBUTTONDOWN = 0x201;
inline constexpr unsigned WM_LBUTTONUP = 0x202;
inline constexpr unsigned WM_LBUTTONDBLCLK = 0x203;
inline constexpr unsigned WM_RBUTTONDOWN = 0x204;
inline constexpr unsigned WM_RBUTTONUP = 0x205;

// The first, 88-byte form of the record: six 32-bit fields and a 64-byte tip.
inline constexpr std::uint32_t kNotifyIconDataSize = 88;
inline constexpr std::size_t kTipBytes = 64;

struct NotifyIconData {
  std::uint32_t cbSize = 0;
  quintptr hWnd = 0;  // id of the hidden window that receives the notifications
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  QIcon hIcon;
  std::array<char, kTipBytes> szTip{};  // GBK bytes, zero-terminated

  // The tip up to its terminating zero.
  GbkString tip() const;
};

// The tip as display text. A tip cut at 63 bytes may end in the first byte of
// a double-byte character; that stray byte is dropped rather than shown as a
// replacement character.
QString tipDisplayText(const GbkString& tip);

}  // namespace valo::ui
