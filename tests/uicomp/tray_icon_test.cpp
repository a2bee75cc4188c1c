// The tray component's properties and the requests it makes of the shell.
#include <gtest/gtest.h>

#include <QPixmap>
#include <memory>

#include "tray_fakes.h"

namespace valo::ui {
namespace {

using testing::EventLog;
using testing::FakeDesktop;
using testing::FakeShell;
using testing::solidIcon;

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    icon = std::make_unique<TantTaskbarIcon>(&owner, &shell, &desktop);
    icon->setObjectName(QStringLiteral("antTaskbarIcon1"));
    events.attach(*icon);
  }
  void TearDown() override { icon.reset(); }

  QObject owner;
  FakeShell shell;
  EventLog events;
  FakeDesktop desktop{events.entries};
  std::unique_ptr<TantTaskbarIcon> icon;
};

TEST_F(TrayIconTest, StartsHiddenWithItsDefaultsAndNoShellCall) {
  EXPECT_EQ(icon->ImageIndex(), 0);
  EXPECT_EQ(icon->IconID(), 0);
  EXPECT_EQ(icon->FlagsWord(), 5u);
  EXPECT_FALSE(icon->Visible());
  EXPECT_TRUE(icon->Enabled());
  EXPECT_TRUE(icon->Hint().empty());
  EXPECT_FALSE(icon->LeftDown());
  EXPECT_EQ(icon->PopupMenu(), nullptr);
  EXPECT_EQ(icon->ImageList(), nullptr);
  EXPECT_TRUE(icon->Icon().isNull());
  EXPECT_EQ(icon->parent(), &owner);
  EXPECT_EQ(TrayHiddenWindow::find(icon->HiddenWindow().id()), &icon->HiddenWindow());
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(TrayIconTest, ShowingAddsWithTheFullRecordAndHidingDeletes) {
  icon->SetHint(gbk("『Valo传真搜索』V2.1"));
  icon->SetIcon(solidIcon(Qt::red));
  shell.calls.clear();

  icon->SetVisible(true);
  ASSERT_EQ(shell.calls.size(), 1u);
  const auto& add = shell.calls[0];
  EXPECT_EQ(add.message, NIM_ADD);
  EXPECT_EQ(add.size, 88u);
  EXPECT_EQ(add.window, icon->HiddenWindow().id());
  EXPECT_EQ(add.id, 0u);
  EXPECT_EQ(add.flags, 7u);
  EXPECT_EQ(add.callback, 1025u);
  EXPECT_EQ(add.tip, gbk("『Valo传真搜索』V2.1"));
  EXPECT_TRUE(add.iconPresent);
  EXPECT_TRUE(icon->Visible());
  EXPECT_EQ(icon->FlagsWord(), 7u);
  EXPECT_EQ(events.entries, std::vector<std::string>{"show"});
  EXPECT_EQ(events.lastSender, icon.get());

  icon->SetVisible(true);  // unchanged: nothing happens
  EXPECT_EQ(shell.calls.size(), 1u);

  icon->SetVisible(false);
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[1].message, NIM_DELETE);
  EXPECT_EQ(shell.calls[1].flags, 5u);
  EXPECT_FALSE(icon->Visible());
  EXPECT_EQ(events.entries, (std::vector<std::string>{"show", "hide"}));
  EXPECT_TRUE(shell.entries.empty());
}

TEST_F(TrayIconTest, HintIsCutTo63BytesAndSentWithAModify) {
  struct Case {
    const char* name;
    GbkString given;
    std::size_t kept;
  };
  const GbkString chinese35 = gbk("传真号码搜索工具传真号码搜索工具传真号码搜索工具传真号码搜索工具传真号");
  ASSERT_EQ(chinese35.size(), 70u);
  const Case cases[] = {
      {"70 ASCII bytes", GbkString(70, 'h'), 63},
      {"exactly 63", GbkString(63, 'x'), 63},
      {"64 bytes", GbkString(64, 'y'), 63},
      {"short", "Valo", 4},
      {"empty", "", 0},
      {"35 double-byte characters", chinese35, 63},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    shell.calls.clear();
    icon->SetHint(c.given);
    EXPECT_EQ(icon->Hint(), c.given.substr(0, c.kept));
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].message, NIM_MODIFY);
    EXPECT_EQ(shell.calls[0].flags, 5u);
    EXPECT_EQ(shell.calls[0].tip, c.given.substr(0, c.kept));
  }
  // The cut leaves half a character; the display text drops it.
  EXPECT_EQ(tipDisplayText(icon->Hint()).size(), 31);
  EXPECT_FALSE(tipDisplayText(icon->Hint()).contains(QChar(0xFFFD)));
}

TEST_F(TrayIconTest, IconIdChangeWhileHiddenOnlyStoresIt) {
  icon->SetIconID(5);
  EXPECT_EQ(icon->IconID(), 5);
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_TRUE(events.entries.empty());
  icon->SetVisible(true);
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].id, 5u);
}

TEST_F(TrayIconTest, IconIdChangeWhileShownRemovesAndAddsAgain) {
  icon->SetVisible(true);
  shell.calls.clear();
  events.entries.clear();

  icon->SetIconID(9);
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[0].message, NIM_DELETE);
  EXPECT_EQ(shell.calls[0].id, 0u);
  EXPECT_EQ(shell.calls[1].message, NIM_ADD);
  EXPECT_EQ(shell.calls[1].id, 9u);
  EXPECT_EQ(shell.calls[1].flags, 7u);
  EXPECT_EQ(events.entries, (std::vector<std::string>{"hide", "show"}));
  EXPECT_TRUE(icon->Visible());
  EXPECT_EQ(shell.entries.size(), 1u);

  icon->SetIconID(9);  // same id: nothing
  EXPECT_EQ(shell.calls.size(), 2u);
}

TEST_F(TrayIconTest, EnabledIsStoredWithoutAShellCall) {
  icon->SetVisible(true);
  shell.calls.clear();
  icon->SetEnabled(false);
  EXPECT_FALSE(icon->Enabled());
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(TrayIconTest, IconAndImageListPicturesAreSentWithAModify) {
  icon->SetIcon(solidIcon(Qt::blue));
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].message, NIM_MODIFY);
  EXPECT_TRUE(shell.calls[0].iconPresent);

  // Without an image list the index is only stored.
  shell.calls.clear();
  icon->SetImageIndex(1);
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_FALSE(icon->Icon().isNull());

  const QIcon green = solidIcon(Qt::green);
  TImageList list({solidIcon(Qt::red), green});
  icon->SetImageList(&list);
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(icon->Icon().cacheKey(), green.cacheKey());

  icon->SetImageIndex(7);  // outside the list: an empty picture
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_FALSE(shell.calls[1].iconPresent);
  EXPECT_TRUE(icon->Icon().isNull());
  icon->SetImageList(nullptr);
}

TEST_F(TrayIconTest, LoadedShowsAVisibleIconAgainAndTheRefusalIsIgnored) {
  icon->Loaded();  // not visible: nothing
  EXPECT_TRUE(shell.calls.empty());

  icon->SetVisible(true);
  icon->Loaded();
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[0].message, NIM_ADD);
  EXPECT_EQ(shell.calls[1].message, NIM_ADD);
  EXPECT_EQ(events.entries, (std::vector<std::string>{"show", "show"}));
  EXPECT_EQ(shell.entries.size(), 1u);
}

TEST_F(TrayIconTest, ShellRefusalsAreSilent) {
  shell.refuseAll = true;
  EXPECT_NO_THROW(icon->SetVisible(true));
  EXPECT_NO_THROW(icon->SetHint("tip"));
  EXPECT_NO_THROW(icon->SetVisible(false));
  EXPECT_EQ(shell.calls.size(), 3u);
  EXPECT_EQ(events.entries, (std::vector<std::string>{"show", "hide"}));
}

TEST_F(TrayIconTest, AnErrorInsideAShellCallBecomesEantTaskbarIcon) {
  struct Case {
    int failing;
    std::function<void(TantTaskbarIcon&)> act;
    const char* message;
  };
  const Case cases[] = {
      {NIM_ADD, [](TantTaskbarIcon& i) { i.SetVisible(true); }, "antTaskbarIcon1.AddToTaskbar failed"},
      {NIM_DELETE, [](TantTaskbarIcon& i) { i.SetVisible(false); },
       "antTaskbarIcon1.DeleteFromTaskbar failed"},
      {NIM_MODIFY, [](TantTaskbarIcon& i) { i.SetHint("x"); }, "antTaskbarIcon1.UpDate failed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    shell.throwOn = -1;
    icon->SetVisible(c.failing == NIM_DELETE);
    shell.throwOn = c.failing;
    try {
      c.act(*icon);
      ADD_FAILURE() << "no error raised";
    } catch (const EantTaskbarIcon& e) {
      EXPECT_EQ(e.message(), c.message);
    }
  }
  // A failed add leaves the stored value but raises no OnShow.
  shell.throwOn = -1;
  icon->SetVisible(false);
  events.entries.clear();
  shell.throwOn = NIM_ADD;
  EXPECT_THROW(icon->SetVisible(true), EantTaskbarIcon);
  EXPECT_TRUE(events.entries.empty());
  shell.throwOn = -1;
}

TEST_F(TrayIconTest, DestroyingAShownComponentRemovesItsIcon) {
  icon->SetIconID(3);
  icon->SetVisible(true);
  shell.calls.clear();
  icon.reset();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].message, NIM_DELETE);
  EXPECT_EQ(shell.calls[0].id, 3u);
  EXPECT_TRUE(shell.entries.empty());
}

TEST_F(TrayIconTest, DestroyingSwallowsAFailingRemoval) {
  icon->SetVisible(true);
  shell.throwOn = NIM_DELETE;
  EXPECT_NO_THROW(icon.reset());
}

}  // namespace
}  // namespace valo::ui
