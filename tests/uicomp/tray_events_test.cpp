// The tray component's hidden-window procedure: mouse notifications, the
// popup menu at the cursor, Enabled, and forgetting a removed menu.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMenu>
#include <QWidget>
#include <memory>

#include "tray_fakes.h"

namespace valo::ui {
namespace {

using testing::EventLog;
using testing::FakeDesktop;
using testing::FakeShell;
using Log = std::vector<std::string>;

class TrayEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    icon = std::make_unique<TantTaskbarIcon>(&owner, &shell, &desktop);
    events.attach(*icon);
    icon->SetVisible(true);
    events.entries.clear();
  }
  void TearDown() override { icon.reset(); }

  // A notification as the shell sends it to the hidden window.
  void notify(unsigned mouse) {
    icon->HiddenWindow().send(WM_TRAYNOTIFY, 0, static_cast<std::intptr_t>(mouse));
  }

  QWidget owner;
  FakeShell shell;
  EventLog events;
  FakeDesktop desktop{events.entries};
  std::unique_ptr<TantTaskbarIcon> icon;
};

TEST_F(TrayEventsTest, MouseSequencesRaiseTheirEventsInOrder) {
  struct Case {
    const char* name;
    std::vector<unsigned> messages;
    Log expected;
  };
  const Case cases[] = {
      {"click", {WM_LBUTTONDOWN, WM_LBUTTONUP}, {"down L", "front app", "up L", "click"}},
      {"double click",
       {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP},
       {"down L", "front app", "up L", "click", "dblclick", "front app", "up L"}},
      {"release without a press", {WM_LBUTTONUP}, {"front app", "up L"}},
      {"right click without a menu",
       {WM_RBUTTONDOWN, WM_RBUTTONUP},
       {"front hidden", "down R", "front app", "up R"}},
      {"middle button and mouse moves", {0x200, 0x207, 0x208}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    events.entries.clear();
    for (unsigned m : c.messages) notify(m);
    EXPECT_EQ(events.entries, c.expected);
    EXPECT_FALSE(icon->LeftDown());
  }
  EXPECT_EQ(desktop.foregroundWindow, icon->HiddenWindow().id());
  EXPECT_EQ(icon->HiddenWindow().pendingMessages(), 0);
}

TEST_F(TrayEventsTest, MouseEventsCarryTheCursorAndTheModifierKeys) {
  struct Case {
    Qt::KeyboardModifiers keys;
    unsigned message;
    TShiftState expected;
  };
  const Case cases[] = {
      {Qt::NoModifier, WM_LBUTTONDOWN, ShiftFlag::ssLeft},
      {Qt::ShiftModifier | Qt::ControlModifier, WM_LBUTTONUP,
       ShiftFlag::ssShift | ShiftFlag::ssCtrl | ShiftFlag::ssLeft},
      {Qt::AltModifier, WM_RBUTTONDOWN, ShiftFlag::ssAlt | ShiftFlag::ssRight},
      {Qt::MetaModifier, WM_RBUTTONUP, ShiftFlag::ssRight},
  };
  for (const Case& c : cases) {
    desktop.modifiers = c.keys;
    desktop.cursor = QPoint(10 + static_cast<int>(c.message), 700);
    notify(c.message);
    EXPECT_EQ(events.lastShift, c.expected) << std::hex << c.message;
    EXPECT_EQ(events.lastPoint, desktop.cursor);
    EXPECT_EQ(events.lastSender, icon.get());
  }
}

TEST_F(TrayEventsTest, LeftPressSetsTheFlagThatTheReleaseConsumes) {
  notify(WM_LBUTTONDOWN);
  EXPECT_TRUE(icon->LeftDown());
  notify(WM_LBUTTONUP);
  EXPECT_FALSE(icon->LeftDown());
}

TEST_F(TrayEventsTest, RightClickWithAMenuShowsItAtTheCursorThenPostsANullMessage) {
  auto* menu = new QMenu(&owner);
  icon->SetPopupMenu(menu);
  desktop.cursor = QPoint(640, 470);
  notify(WM_RBUTTONDOWN);
  notify(WM_RBUTTONUP);
  EXPECT_EQ(events.entries, (Log{"front hidden", "down R", "menu", "popup", "front app", "up R"}));
  EXPECT_EQ(desktop.shownMenu, menu);
  EXPECT_EQ(desktop.shownAt, QPoint(640, 470));

  TrayHiddenWindow& window = icon->HiddenWindow();
  EXPECT_EQ(window.pendingMessages(), 1);
  const int before = window.defaultHandled();
  QCoreApplication::processEvents();
  EXPECT_EQ(window.pendingMessages(), 0);
  EXPECT_EQ(window.defaultHandled(), before + 1);
  EXPECT_EQ(window.lastDefaultMessage(), WM_NULL);
}

TEST_F(TrayEventsTest, DisabledIgnoresNotificationsButPassesThemOn) {
  icon->SetPopupMenu(new QMenu(&owner));
  icon->SetEnabled(false);
  TrayHiddenWindow& window = icon->HiddenWindow();
  const int before = window.defaultHandled();
  for (unsigned m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP}) notify(m);
  EXPECT_TRUE(events.entries.empty());
  EXPECT_EQ(desktop.shownMenu, nullptr);
  EXPECT_FALSE(icon->LeftDown());
  EXPECT_EQ(window.defaultHandled(), before + 5);
  EXPECT_EQ(window.lastDefaultMessage(), WM_TRAYNOTIFY);
  EXPECT_TRUE(icon->Visible());

  icon->SetEnabled(true);
  notify(WM_LBUTTONDOWN);
  EXPECT_EQ(events.entries, Log{"down L"});
}

TEST_F(TrayEventsTest, OtherMessagesGoToTheDefaultProcedure) {
  TrayHiddenWindow& window = icon->HiddenWindow();
  const int before = window.defaultHandled();
  EXPECT_EQ(window.send(WM_USER + 2, 0, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(window.send(WM_NULL, 0, 0), 0);
  EXPECT_EQ(window.defaultHandled(), before + 2);
  EXPECT_TRUE(events.entries.empty());
}

TEST_F(TrayEventsTest, RemovingAMenuOfTheSameOwnerClearsPopupMenu) {
  struct Case {
    const char* name;
    std::function<void(QMenu*, QWidget&)> remove;
  };
  QWidget elsewhere;
  const Case cases[] = {
      {"deleted", [](QMenu* m, QWidget&) { delete m; }},
      {"moved to another owner", [](QMenu* m, QWidget& other) { m->setParent(&other); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* menu = new QMenu(&owner);
    icon->SetPopupMenu(menu);
    c.remove(menu, elsewhere);
    EXPECT_EQ(icon->PopupMenu(), nullptr);
    events.entries.clear();
    notify(WM_RBUTTONDOWN);
    notify(WM_RBUTTONUP);
    EXPECT_EQ(events.entries, (Log{"front hidden", "down R", "front app", "up R"}));
  }
}

TEST_F(TrayEventsTest, RemovingAnotherChildOfTheOwnerKeepsTheMenu) {
  auto* menu = new QMenu(&owner);
  icon->SetPopupMenu(menu);
  delete new QMenu(&owner);
  delete new QObject(&owner);
  EXPECT_EQ(icon->PopupMenu(), menu);
}

// Documented limit: a menu owned elsewhere is not watched, so the component
// keeps its (then dangling) address; such a menu must outlive the component.
TEST_F(TrayEventsTest, AMenuOfAnotherOwnerStaysReferencedAfterItsRemoval) {
  QWidget otherOwner;
  auto* menu = new QMenu(&otherOwner);
  const void* address = menu;
  icon->SetPopupMenu(menu);
  delete menu;
  EXPECT_EQ(static_cast<const void*>(icon->PopupMenu()), address);
  icon->SetPopupMenu(nullptr);
}

TEST_F(TrayEventsTest, TheProcedureMayHideTheIconFromAClick) {
  icon->OnClick = [this](QObject*) { icon->SetVisible(false); };
  notify(WM_LBUTTONDOWN);
  notify(WM_LBUTTONUP);
  EXPECT_FALSE(icon->Visible());
  EXPECT_TRUE(shell.entries.empty());
}

}  // namespace
}  // namespace valo::ui
