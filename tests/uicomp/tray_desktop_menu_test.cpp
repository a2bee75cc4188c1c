// What the tray component adds for current desktops: its menu handed to the
// shell for desktops that open it themselves, without the menu opening twice
// where the desktop also reports the right click, and a passing message from
// the icon.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMenu>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "tray_fakes.h"

namespace valo::ui {
namespace {

using testing::EventLog;
using testing::FakeDesktop;
using testing::FakeShell;
using testing::solidIcon;
using Log = std::vector<std::string>;
using Handed = std::vector<std::pair<quintptr, QMenu*>>;

class TrayMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    icon = std::make_unique<TantTaskbarIcon>(&owner, &shell, &desktop);
    icon->setObjectName(QStringLiteral("antTaskbarIcon1"));
  }

  QWidget owner;
  FakeShell shell;
  Log log;
  FakeDesktop desktop{log};
  std::unique_ptr<TantTaskbarIcon> icon;
};

TEST_F(TrayMenuTest, TheMenuIsHandedToTheShellWhileTheIconIsEnabled) {
  const quintptr window = icon->HiddenWindow().id();
  auto* menu = new QMenu(&owner);
  icon->SetPopupMenu(menu);
  icon->SetEnabled(false);  // a disabled icon opens no menu, so the desktop must not either
  icon->SetEnabled(true);
  delete menu;  // a menu of the same owner is forgotten, by the shell too
  auto* second = new QMenu(&owner);
  icon->SetPopupMenu(second);
  icon.reset();
  EXPECT_EQ(shell.menus, (Handed{{window, menu},
                                 {window, nullptr},
                                 {window, menu},
                                 {window, nullptr},
                                 {window, second},
                                 {window, nullptr}}));
  // None of it is a request about the icon's record.
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(TrayMenuTest, ShowBalloonAsksTheShellOnlyWhileTheIconIsInTheTray) {
  EXPECT_FALSE(icon->ShowBalloon(QStringLiteral("标题"), QStringLiteral("搜索已经结束！")));
  EXPECT_TRUE(shell.messages.empty());

  icon->SetIconID(3);
  icon->SetVisible(true);
  EXPECT_TRUE(icon->ShowBalloon(QStringLiteral("标题"), QStringLiteral("搜索已经结束！")));
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].window, icon->HiddenWindow().id());
  EXPECT_EQ(shell.messages[0].id, 3u);
  EXPECT_EQ(shell.messages[0].title, QStringLiteral("标题"));
  EXPECT_EQ(shell.messages[0].text, QStringLiteral("搜索已经结束！"));

  // A shell that refuses (its entry is gone) is answered with false.
  shell.entries.clear();
  EXPECT_FALSE(icon->ShowBalloon(QStringLiteral("t"), QStringLiteral("x")));

  icon->SetVisible(false);
  const std::size_t before = shell.messages.size();
  EXPECT_FALSE(icon->ShowBalloon(QStringLiteral("t"), QStringLiteral("x")));
  EXPECT_EQ(shell.messages.size(), before);
}

TEST_F(TrayMenuTest, AFailingMessageIsReportedInTheComponentsName) {
  icon->SetVisible(true);
  shell.throwOn = FakeShell::kShowMessage;
  try {
    icon->ShowBalloon(QStringLiteral("t"), QStringLiteral("x"));
    FAIL() << "no error";
  } catch (const EantTaskbarIcon& e) {
    EXPECT_EQ(e.message(), "antTaskbarIcon1.ShowBalloon failed");
  }
}

NotifyIconData record(quintptr window, std::uint32_t id) {
  NotifyIconData data;
  data.cbSize = kNotifyIconDataSize;
  data.hWnd = window;
  data.uID = id;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAYNOTIFY;
  data.hIcon = solidIcon(Qt::darkGreen);
  return data;
}

TEST(SystemTrayShellMenuTest, AWindowsMenuGoesToItsEntriesNowAndWhenAddedLater) {
  SystemTrayShell shell;
  QMenu menu;
  ASSERT_TRUE(shell.notifyIcon(NIM_ADD, record(77, 0)));
  ASSERT_TRUE(shell.notifyIcon(NIM_ADD, record(78, 0)));
  shell.setContextMenu(77, &menu);
  EXPECT_EQ(shell.entry(77, 0)->contextMenu(), &menu);
  EXPECT_EQ(shell.entry(78, 0)->contextMenu(), nullptr);

  ASSERT_TRUE(shell.notifyIcon(NIM_ADD, record(77, 5)));  // a new id, as after an IconID change
  EXPECT_EQ(shell.entry(77, 5)->contextMenu(), &menu);
  ASSERT_TRUE(shell.notifyIcon(NIM_DELETE, record(77, 0)));
  ASSERT_TRUE(shell.notifyIcon(NIM_ADD, record(77, 0)));  // shown again
  EXPECT_EQ(shell.entry(77, 0)->contextMenu(), &menu);

  shell.setContextMenu(77, nullptr);
  EXPECT_EQ(shell.entry(77, 0)->contextMenu(), nullptr);
  EXPECT_EQ(shell.entry(77, 5)->contextMenu(), nullptr);
  ASSERT_TRUE(shell.notifyIcon(NIM_DELETE, record(77, 5)));
  ASSERT_TRUE(shell.notifyIcon(NIM_ADD, record(77, 5)));
  EXPECT_EQ(shell.entry(77, 5)->contextMenu(), nullptr);
  QCoreApplication::processEvents();
}

TEST(SystemTrayShellMenuTest, MessagesNeedAnEntry) {
  SystemTrayShell shell;
  EXPECT_FALSE(shell.showMessage(77, 0, QStringLiteral("t"), QStringLiteral("x")));
  ASSERT_TRUE(shell.notifyIcon(NIM_ADD, record(77, 0)));
  EXPECT_TRUE(shell.showMessage(77, 0, QStringLiteral("t"), QStringLiteral("x")));
  EXPECT_FALSE(shell.showMessage(77, 1, QStringLiteral("t"), QStringLiteral("x")));
  // A shell that knows nothing of messages shows none.
  struct RecordOnly : TrayShell {
    bool notifyIcon(int, const NotifyIconData&) override { return true; }
  } plain;
  EXPECT_FALSE(plain.showMessage(77, 0, QStringLiteral("t"), QStringLiteral("x")));
}

// A right click through the desktop's shell and the running desktop's menu
// handling, with a real menu: however the desktop reports the click, the menu
// opens once, and the component's events come in their order.
TEST(DesktopRightClickTest, TheMenuOpensOnceAndTheEventsStillCome) {
  struct Case {
    const char* name;
    bool withMenu;
    bool deliveredByShell;  // false: the notifications arrive without the desktop's menu
    bool desktopShowsMenu;  // an X11 tray pops the menu up before reporting the click
    int expectedOpenings;
    Log expected;
  };
  const Case cases[] = {
      {"X11 tray: the desktop opened it", true, true, true, 1, {"down R", "popup", "up R"}},
      {"host shows its own copy", true, true, false, 0, {"down R", "popup", "up R"}},
      {"click without the desktop's menu", true, false, false, 1, {"down R", "popup", "up R"}},
      {"no menu at all", false, true, false, 0, {"down R", "up R"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QWidget owner;
    SystemTrayShell shell;
    EventLog events;                       // outlives the icon, which reports its removal
    TantTaskbarIcon icon(&owner, &shell);  // the running desktop's menu handling
    events.attach(icon);
    icon.SetIcon(solidIcon(Qt::darkGreen));
    auto* menu = new QMenu(&owner);
    menu->addAction(QStringLiteral("显示主程序(&S)"));
    if (c.withMenu) icon.SetPopupMenu(menu);
    icon.SetVisible(true);
    QSystemTrayIcon* entry = shell.entry(icon.HiddenWindow().id(), 0);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->contextMenu(), c.withMenu ? menu : nullptr);

    int openings = 0;
    bool openWhenToldOfIt = true;
    QObject::connect(menu, &QMenu::aboutToShow, [&] {
      ++openings;
      // Whoever opened it, the user closes it a moment later.
      QTimer::singleShot(30, menu, &QMenu::close);
    });
    icon.OnPopupMenu = [&](QObject*) {
      events.entries.push_back("popup");
      openWhenToldOfIt = menu->isVisible();
    };
    events.entries.clear();
    if (c.desktopShowsMenu) menu->popup(QPoint(200, 300));
    if (c.deliveredByShell) {
      emit entry->activated(QSystemTrayIcon::Context);
    } else {
      icon.HiddenWindow().send(WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN);
      icon.HiddenWindow().send(WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
    }
    EXPECT_EQ(events.entries, c.expected);
    EXPECT_EQ(openings, c.expectedOpenings);
    // The popup event comes once the menu has closed.
    EXPECT_FALSE(openWhenToldOfIt && c.withMenu);
    EXPECT_EQ(menuOpenedByDesktop(), nullptr);
    QCoreApplication::processEvents();
  }
}

}  // namespace
}  // namespace valo::ui
