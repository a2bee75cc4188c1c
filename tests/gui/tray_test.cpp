// The tray icon on the main window, its menu, the closing question asked
// from it, minimising to the tray (or, on a desktop without one, to the taskbar) and
// back, and the tray's message at the end of a search.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWindow>

#include "gui_env.h"
#include "text/gbk.h"
#include "ui/common/app_texts.h"
#include "ui/resources/icons.h"
#include "ui/tray/ant_taskbar_icon.h"
#include "ui/tray/tray_shell.h"

using namespace valo;
using namespace valo::testing;
using ui::dialogs::Confirmation;
using ui::dialogs::Kind;

namespace {

constexpr unsigned kTrayNotify = 1025;
constexpr std::intptr_t kLeftDown = 0x201, kLeftUp = 0x202;

// The desktop's shell, recording the messages it is asked to show.
class RecordingShell : public ui::SystemTrayShell {
 public:
  bool showMessage(quintptr window, std::uint32_t id, const QString& title, const QString& text) override {
    messages.push_back(title + QLatin1Char('|') + text);
    return ui::SystemTrayShell::showMessage(window, id, title, text);
  }
  QStringList messages;
};

// A desktop with a tray unless a test takes it away.
class Tray : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    ui::setDefaultTrayShellForTests(&shell);
    start();
    form().trayAvailable = [this] { return trayPresent; };
  }
  void TearDown() override {
    GuiTest::TearDown();
    ui::setDefaultTrayShellForTests(nullptr);
  }
  QAction* item(const char* name) { return named<QAction>(&form(), name); }
  ui::TantTaskbarIcon& icon() { return *named<ui::TantTaskbarIcon>(&form(), "antTaskbarIcon1"); }
  void leftClickOnIcon() {
    icon().HiddenWindow().send(kTrayNotify, 0, kLeftDown);
    icon().HiddenWindow().send(kTrayNotify, 0, kLeftUp);
    QApplication::processEvents();
  }
  // The window's own minimise button: the window system minimises it, and
  // the application's minimise event follows.
  void minimise() {
    form().setWindowState(form().windowState() | Qt::WindowMinimized);
    ASSERT_TRUE(QTest::qWaitFor([this] { return item("N17")->isEnabled(); }, 2000));
    QApplication::processEvents();
  }

  bool trayPresent = true;
  RecordingShell shell;
};

struct ItemFacts {
  const char* name;
  const char* caption;
  bool enabled;
};

}  // namespace

TEST_F(Tray, MenuItemsInOrderWithCaptionsAndInitialStates) {
  const ItemFacts items[] = {
      {"N17", "显示主程序(&S)", false},     {"N18", "最小化显示(&M)", true}, {"N19", "与我们联系(&L)", true},
      {"N20", "访问Kestrin主页(&V)", true}, {"N21", "关于本软件(&A)", true},
      {"N24", "编辑搜索引擎(&E)", true},    {"N25", "重新载入搜索引擎(&R)", true}, {"N26", "号码库(&D)", true},
      {"N27", "代理设置(&P)", true},
      {"N28", "选项(&O)", true},              {"N29", "团队队列(&T)", true},
      {"N22", "", true},                    {"N23", "退 出(&Exit)", true},
  };
  const int count = static_cast<int>(std::size(items));
  const QList<QAction*> actions = form().PopupMenu1->actions();
  ASSERT_EQ(actions.size(), count);
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(items[i].name);
    EXPECT_EQ(actions[i], item(items[i].name));
    const bool separator = items[i].caption[0] == '\0';
    EXPECT_EQ(actions[i]->isSeparator(), separator);
    if (!separator) {
      EXPECT_EQ(actions[i]->text(), QString::fromUtf8(items[i].caption));
    }
    EXPECT_EQ(actions[i]->isEnabled(), items[i].enabled);
  }
}

TEST_F(Tray, IconCarriesTheWindowsProperties) {
  EXPECT_TRUE(icon().Visible());
  EXPECT_TRUE(icon().Enabled());
  EXPECT_EQ(icon().Hint(), gbk("『Valo传真搜索』V2.1"));
  EXPECT_EQ(icon().PopupMenu(), form().PopupMenu1);
  EXPECT_EQ(icon().IconID(), 0);
  EXPECT_EQ(icon().ImageList(), nullptr);
  EXPECT_EQ(icon().FlagsWord(), 7u);
  EXPECT_EQ(icon().Icon().pixmap(32).toImage(), ui::programIcon().pixmap(32).toImage());
  EXPECT_EQ(form().windowIcon().pixmap(32).toImage(), ui::programIcon().pixmap(32).toImage());
  // Only the click is bound; the other events stay unset.
  EXPECT_TRUE(icon().OnClick);
  EXPECT_FALSE(icon().OnDblClick || icon().OnMouseDown || icon().OnMouseUp || icon().OnPopupMenu ||
               icon().OnShow || icon().OnHide);
}

TEST_F(Tray, MinimiseHidesIntoTheTrayAndAClickOnTheIconBringsItBack) {
  minimise();
  EXPECT_FALSE(form().isVisible());
  EXPECT_TRUE(item("N17")->isEnabled());
  EXPECT_FALSE(item("N18")->isEnabled());
  EXPECT_TRUE(icon().Visible());
  leftClickOnIcon();
  EXPECT_TRUE(form().isVisible());
  EXPECT_FALSE(form().isMinimized());
  EXPECT_FALSE(item("N17")->isEnabled());
  EXPECT_TRUE(item("N18")->isEnabled());
}

TEST_F(Tray, MenuMinimiseAndShowSwapTheEnabledItems) {
  item("N18")->trigger();
  EXPECT_FALSE(form().isVisible());
  EXPECT_TRUE(item("N17")->isEnabled());
  EXPECT_FALSE(item("N18")->isEnabled());
  item("N17")->trigger();
  EXPECT_TRUE(form().isVisible());
  EXPECT_FALSE(item("N17")->isEnabled());
  EXPECT_TRUE(item("N18")->isEnabled());
}

// Minimising and showing again, with and without a tray, from a normal and a
// maximised window, by the window's own button and by the menu.
struct MinimiseCase {
  const char* name;
  bool tray;
  bool maximised;
  bool byMenu;
};

// Counts the times the program hides the window; the window system's own
// hide event for a minimised window is not one of them.
class HideCounter : public QObject {
 public:
  int hides = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Hide && !event->spontaneous()) ++hides;
    return false;
  }
};

class Minimise : public Tray, public ::testing::WithParamInterface<MinimiseCase> {};

TEST_P(Minimise, HidesOnlyIntoATrayAndShowBringsBackTheFormerState) {
  const MinimiseCase& c = GetParam();
  trayPresent = c.tray;
  if (c.maximised) {
    form().showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(form().isMaximized());
  }
  HideCounter counter;
  form().installEventFilter(&counter);
  if (c.byMenu)
    item("N18")->trigger();
  else
    minimise();
  QApplication::processEvents();
  EXPECT_TRUE(item("N17")->isEnabled());
  EXPECT_FALSE(item("N18")->isEnabled());
  EXPECT_TRUE(icon().Visible());
  if (c.tray) {
    EXPECT_FALSE(form().isVisible());
  } else {
    // Still a window of the desktop: minimised, with its taskbar entry.
    EXPECT_TRUE(form().isVisible());
    EXPECT_TRUE(form().windowState() & Qt::WindowMinimized);
    EXPECT_EQ(counter.hides, 0);
  }

  if (c.tray)
    leftClickOnIcon();
  else
    item("N17")->trigger();
  QApplication::processEvents();
  form().removeEventFilter(&counter);
  EXPECT_TRUE(form().isVisible());
  EXPECT_FALSE(form().isMinimized());
  EXPECT_EQ(form().isMaximized(), c.maximised);
  EXPECT_FALSE(item("N17")->isEnabled());
  EXPECT_TRUE(item("N18")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Desktops, Minimise,
                         ::testing::Values(MinimiseCase{"TrayButton", true, false, false},
                                           MinimiseCase{"TrayMenu", true, false, true},
                                           MinimiseCase{"TrayMaximisedButton", true, true, false},
                                           MinimiseCase{"TrayMaximisedMenu", true, true, true},
                                           MinimiseCase{"NoTrayButton", false, false, false},
                                           MinimiseCase{"NoTrayMenu", false, false, true},
                                           MinimiseCase{"NoTrayMaximisedButton", false, true, false},
                                           MinimiseCase{"NoTrayMaximisedMenu", false, true, true}),
                         [](const ::testing::TestParamInfo<MinimiseCase>& param) {
                           return std::string(param.param.name);
                         });

TEST_F(Tray, WhetherThereIsATrayIsAskedAtEveryMinimise) {
  trayPresent = false;
  minimise();
  EXPECT_TRUE(form().isVisible());
  item("N17")->trigger();
  trayPresent = true;  // a panel with a tray has started
  minimise();
  EXPECT_FALSE(form().isVisible());
  leftClickOnIcon();
  ASSERT_TRUE(form().isVisible());
  trayPresent = false;  // and has gone again
  item("N18")->trigger();
  EXPECT_TRUE(form().isVisible());
  EXPECT_TRUE(form().isMinimized());
}

TEST_F(Tray, WithoutATrayTheItemsFollowTheWindowBackFromTheTaskbar) {
  trayPresent = false;
  minimise();
  ASSERT_TRUE(form().isMinimized());
  // The user brings it back through its taskbar entry.
  form().setWindowState(form().windowState() & ~Qt::WindowMinimized);
  QApplication::processEvents();
  EXPECT_FALSE(item("N17")->isEnabled());
  EXPECT_TRUE(item("N18")->isEnabled());
  // And minimises it again: once more a minimised window, items swapped.
  minimise();
  EXPECT_TRUE(form().isVisible());
  EXPECT_TRUE(form().isMinimized());
  EXPECT_FALSE(item("N18")->isEnabled());
}

TEST_F(Tray, TheTrayMenuIsAlsoTheIconsOwnMenuOnTheDesktop) {
  QSystemTrayIcon* entry = shell.entry(icon().HiddenWindow().id(), 0);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->contextMenu(), form().PopupMenu1);
}

// The end step of a search tells a window hidden in the tray through a
// message from the tray icon; a window on screen or in the taskbar already
// shows the end in its status bar.
TEST_F(Tray, TheEndOfASearchIsToldInTheTrayOnlyWhileHidden) {
  struct Case {
    const char* name;
    bool tray;
    bool minimise;
    bool told;
  };
  const Case cases[] = {
      {"shown", true, false, false},
      {"hidden in the tray", true, true, true},
      {"minimised without a tray", false, true, false},
      {"shown again", true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    trayPresent = c.tray;
    shell.messages.clear();
    if (c.minimise) item("N18")->trigger();
    form().driver().state().FoundCount = 17;
    form().BitBtn1Click();
    EXPECT_EQ(status(6), QStringLiteral("搜索已经结束！"));
    if (c.told) {
      EXPECT_EQ(shell.messages,
                QStringList{ui::applicationTitle() + QStringLiteral("|搜索已经结束！号码：17")});
    } else {
      EXPECT_TRUE(shell.messages.isEmpty());
    }
    if (c.minimise) item("N17")->trigger();
  }
}

// An engine that holds an unattended run up is told from the tray once per
// run of refusals, and only while the window is hidden there.
TEST_F(Tray, ARefusingEngineIsToldInTheTrayOncePerEpisodeWhileHidden) {
  env::PageText refused;
  refused.text = gbk("请输入验证码\r\n");
  refused.httpStatus = 429;
  search::SearchRunDriver& run = form().driver();
  run.state().MorePages = true;
  item("N18")->trigger();
  run.ProcessResultPage(refused);
  ASSERT_EQ(shell.messages.size(), 1);
  EXPECT_TRUE(shell.messages[0].startsWith(ui::applicationTitle() + QStringLiteral("|搜索引擎要求验证")))
      << shell.messages[0].toStdString();
  EXPECT_EQ(shell.messages[0].section(QLatin1Char('|'), 1), status(6));
  run.Timer3Timer();  // asked again, and refused again: the same episode
  run.ProcessResultPage(refused);
  EXPECT_EQ(run.refusedAnswers(), 2);
  EXPECT_EQ(shell.messages.size(), 1);
  run.N3Click();  // Stop ends the wait
  EXPECT_EQ(status(6), QStringLiteral("搜索已经结束！（被拒绝 2 次）"));

  item("N17")->trigger();  // on screen, a new episode shows only in the status bar
  shell.messages.clear();
  run.state().StopRequested = false;  // as a new search leaves it
  run.ProcessResultPage(refused);
  EXPECT_TRUE(status(6).startsWith(QStringLiteral("搜索引擎要求验证")));
  EXPECT_TRUE(shell.messages.isEmpty());
  run.N3Click();
}

TEST_F(Tray, ClickWhileShownKeepsItShownAndDisabledIconIgnoresClicks) {
  leftClickOnIcon();
  EXPECT_TRUE(form().isVisible());
  item("N18")->trigger();
  icon().SetEnabled(false);
  leftClickOnIcon();
  EXPECT_FALSE(form().isVisible());
}

TEST_F(Tray, ContactHomeAndAbout) {
  item("N19")->trigger();
  item("N20")->trigger();
  ASSERT_EQ(gOpenedUrls.size(), 2);
  EXPECT_EQ(gOpenedUrls[0], QUrl(ui::contactMailAddress()));
  EXPECT_EQ(gOpenedUrls[0].scheme(), QStringLiteral("mailto"));
  EXPECT_EQ(gOpenedUrls[1], QUrl(ui::homePageAddress()));
  QWidget* seen = nullptr;
  whileModal([&](QWidget* modal) {
    seen = modal;
    modal->close();
  });
  item("N21")->trigger();
  EXPECT_EQ(seen, reinterpret_cast<QWidget*>(windows().Form2()));
}

TEST_F(Tray, ExitFromTheMenuWhileHiddenStillAsks) {
  item("N18")->trigger();
  ASSERT_FALSE(form().isVisible());
  ui::dialogs::queueAnswer(static_cast<int>(Confirmation::No));
  item("N23")->trigger();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].kind, Kind::Confirm);
  EXPECT_TRUE(icon().Visible());  // No: nothing happened
  ui::dialogs::queueAnswer(static_cast<int>(Confirmation::Yes));
  item("N23")->trigger();
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_FALSE(icon().Visible());  // Yes: the program is ending
}
