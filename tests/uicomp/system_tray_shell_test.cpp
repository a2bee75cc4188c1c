// The desktop shell: tray entries as QSystemTrayIcons and their activations
// delivered to the component as mouse notifications.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPixmap>

#include "tray_fakes.h"

namespace valo::ui {
namespace {

using testing::EventLog;
using testing::FakeDesktop;
using testing::solidIcon;
using Log = std::vector<std::string>;

NotifyIconData record(quintptr window, std::uint32_t id, std::uint32_t flags, const GbkString& tip) {
  NotifyIconData data;
  data.cbSize = kNotifyIconDataSize;
  data.hWnd = window;
  data.uID = id;
  data.uFlags = flags;
  data.uCallbackMessage = WM_TRAYNOTIFY;
  data.hIcon = solidIcon(Qt::darkBlue);
  std::copy(tip.begin(), tip.end(), data.szTip.begin());
  return data;
}

TEST(SystemTrayShellTest, KeepsOneEntryPerWindowAndId) {
  SystemTrayShell shell;
  EXPECT_TRUE(shell.notifyIcon(NIM_ADD, record(77, 0, 7, gbk("甲"))));
  EXPECT_FALSE(shell.notifyIcon(NIM_ADD, record(77, 0, 7, "again")));
  EXPECT_TRUE(shell.notifyIcon(NIM_ADD, record(77, 1, 7, "second id")));
  EXPECT_TRUE(shell.notifyIcon(NIM_ADD, record(78, 0, 7, "second window")));
  EXPECT_EQ(shell.entryCount(), 3);

  QSystemTrayIcon* entry = shell.entry(77, 0);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->toolTip(), QStringLiteral("甲"));
  EXPECT_FALSE(entry->icon().isNull());

  EXPECT_TRUE(shell.notifyIcon(NIM_MODIFY, record(77, 0, 7, "changed")));
  EXPECT_EQ(entry->toolTip(), QStringLiteral("changed"));

  EXPECT_TRUE(shell.notifyIcon(NIM_DELETE, record(77, 0, 5, "")));
  EXPECT_EQ(shell.entry(77, 0), nullptr);
  EXPECT_FALSE(shell.notifyIcon(NIM_DELETE, record(77, 0, 5, "")));
  EXPECT_FALSE(shell.notifyIcon(NIM_MODIFY, record(77, 0, 5, "")));
  EXPECT_EQ(shell.entryCount(), 2);
  QCoreApplication::processEvents();
}

TEST(SystemTrayShellTest, TooltipDropsAHalfCharacterLeftByTheCut) {
  SystemTrayShell shell;
  TantTaskbarIcon icon(nullptr, &shell);
  icon.SetIcon(solidIcon(Qt::darkBlue));
  icon.SetHint(gbk("传真号码搜索工具传真号码搜索工具传真号码搜索工具传真号码搜索工具"));
  icon.SetVisible(true);
  QSystemTrayIcon* entry = shell.entry(icon.HiddenWindow().id(), 0);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->toolTip(),
            QStringLiteral("传真号码搜索工具传真号码搜索工具传真号码搜索工具传真号码搜索工"));
}

TEST(SystemTrayShellTest, ActivationsArriveAsMouseNotifications) {
  struct Case {
    QSystemTrayIcon::ActivationReason reason;
    Log expected;
  };
  const Case cases[] = {
      {QSystemTrayIcon::Trigger, {"down L", "front app", "up L", "click"}},
      {QSystemTrayIcon::DoubleClick, {"dblclick", "front app", "up L"}},
      {QSystemTrayIcon::Context, {"front hidden", "down R", "front app", "up R"}},
      {QSystemTrayIcon::MiddleClick, {}},
  };
  SystemTrayShell shell;
  EventLog events;
  FakeDesktop desktop(events.entries);
  TantTaskbarIcon icon(nullptr, &shell, &desktop);
  events.attach(icon);
  icon.SetIcon(solidIcon(Qt::darkBlue));
  icon.SetIconID(4);
  icon.SetVisible(true);
  QSystemTrayIcon* entry = shell.entry(icon.HiddenWindow().id(), 4);
  ASSERT_NE(entry, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    events.entries.clear();
    emit entry->activated(c.reason);
    EXPECT_EQ(events.entries, c.expected);
  }
}

TEST(SystemTrayShellTest, AClickThatRemovesTheIconEndsTheGestureQuietly) {
  SystemTrayShell shell;
  EventLog events;
  FakeDesktop desktop(events.entries);
  TantTaskbarIcon icon(nullptr, &shell, &desktop);
  events.attach(icon);
  icon.SetIcon(solidIcon(Qt::darkBlue));
  icon.OnMouseDown = [&icon](QObject*, TMouseButton, TShiftState, int, int) { icon.SetVisible(false); };
  icon.SetVisible(true);
  QSystemTrayIcon* entry = shell.entry(icon.HiddenWindow().id(), 0);
  ASSERT_NE(entry, nullptr);
  events.entries.clear();
  emit entry->activated(QSystemTrayIcon::Trigger);
  // The release still reaches the component: it is addressed to the window.
  EXPECT_EQ(events.entries, (Log{"hide", "front app", "up L", "click"}));
  EXPECT_EQ(shell.entryCount(), 0);
  QCoreApplication::processEvents();
}

}  // namespace
}  // namespace valo::ui
