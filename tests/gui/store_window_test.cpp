// The number store window: opened from the toolbar and the tray menu over
// the store in the data folder, filtered, its chosen numbers copied,
// exported and deleted after the question.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "files/store/store_schema.h"
#include "gui_env.h"
#include "ui/store/store_table_model.h"
#include "ui/store/store_window.h"

using namespace valo;
using namespace valo::testing;
using ui::dialogs::Confirmation;
using ui::dialogs::Kind;

namespace {

class StoreWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    files::store::Connection db(dataPath("valofaxnumbers.db").toStdString(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    files::store::createOrMigrate(db);
    db.exec("INSERT INTO numbers (number, valid, kind, region, first_seen, last_seen, first_keyword) VALUES "
            "('0755-12345678', 1, 'fixed', '广东省深圳市', '2026-12-01T08:00:00', '2026-12-01T08:00:00', '深圳 机械'),"
            "('0755-87654321', 1, 'fixed', '广东省深圳市', '2026-12-02T08:00:00', '2026-12-02T08:00:00', '深圳 五金'),"
            "('021-53853022', 1, 'fixed', '上海市', '2026-12-03T08:00:00', '2026-12-03T08:00:00', '上海 机械'),"
            "('013912345678', 1, 'mobile', '江苏省南京市', '2026-12-04T08:00:00', '2026-12-04T08:00:00', '南京')",
            "seed");
    start();
  }
  ui::StoreWindow* window() { return form().findChild<ui::StoreWindow*>(QStringLiteral("StoreWindow")); }
  QString counts() { return named<QLabel>(window(), "StoreCountLabel")->text(); }
  void click(const char* name) {
    auto* button = named<QPushButton>(window(), name);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
  }
};

}  // namespace

TEST_F(StoreWindowTest, OpensFiltersCopiesExportsAndDeletesAfterTheQuestion) {
  auto* button = named<QToolButton>(&form(), "SpeedButton11");
  EXPECT_LT(button->geometry().right(), named<QToolButton>(&form(), "SpeedButton12")->x());
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
  ASSERT_NE(window(), nullptr);
  EXPECT_TRUE(window()->isVisible());
  EXPECT_EQ(counts(), QStringLiteral("4 条 / 共 4 条"));

  named<QLineEdit>(window(), "StoreFilterText")->setText(QStringLiteral("0755"));
  click("StoreFilterButton");
  EXPECT_EQ(counts(), QStringLiteral("2 条 / 共 4 条"));

  window()->Table->selectAll();
  click("StoreCopyButton");
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("0755-12345678\n0755-87654321\n"));

  const QString exported = dataPath("shown.csv");
  ui::dialogs::queueAnswer(exported);
  window()->findChild<QAction*>(QStringLiteral("ExportShownCsv"))->trigger();
  EXPECT_EQ(readBytes(exported).count("\r\n"), 3);

  for (const Confirmation answer : {Confirmation::No, Confirmation::Yes}) {
    window()->Table->selectRow(0);
    ui::dialogs::queueAnswer(static_cast<int>(answer));
    click("StoreDeleteButton");
    ASSERT_FALSE(shown().empty());
    EXPECT_EQ(shown().back().kind, Kind::Confirm);
  }
  EXPECT_EQ(counts(), QStringLiteral("1 条 / 共 3 条"));
  EXPECT_EQ(window()->model().storeRow(0).number, "0755-87654321");

  // The tray's item brings up the same window.
  ui::StoreWindow* open = window();
  named<QAction>(&form(), "N26")->trigger();
  EXPECT_EQ(window(), open);
}
