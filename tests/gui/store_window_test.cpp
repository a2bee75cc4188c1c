// The number store window: opened from the toolbar and the tray menu over
// the store in the data folder, filtered, its chosen numbers copied,
// exported and deleted after the question; following what another
// connection writes with the user's place and chosen rows kept, and staying
// small while the user scrolls through a million rows.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
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
    files::store::Connection db(dataPath("valofaxnumbers.db").toStdString(),
                                SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    files::store::createOrMigrate(db);
    db.exec(
        "INSERT INTO numbers (number, valid, kind, region, first_seen, last_seen, first_keyword) VALUES "
        "('0755-12345678', 1, 'fixed', '广东省深圳市', '2026-12-01T08:00:00', '2026-12-01T08:00:00', '深圳 "
        "机械'),"
        "('0755-87654321', 1, 'fixed', '广东省深圳市', '2026-12-02T08:00:00', '2026-12-02T08:00:00', '深圳 "
        "五金'),"
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
  void openWindow() {
    named<QAction>(&form(), "N26")->trigger();
    ASSERT_NE(window(), nullptr);
  }
  // A second connection, as a running search or the background checks have.
  files::store::Connection other() {
    return files::store::Connection(dataPath("valofaxnumbers.db").toStdString(), SQLITE_OPEN_READWRITE);
  }
  std::string numberAtTop() { return window()->model().storeRow(window()->Table->rowAt(0)).number; }
};

// Store rows numbered by the expression `number` of i for i below `rows`, in one statement.
std::string insertRows(const char* number, int rows) {
  return std::string("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ") +
         std::to_string(rows - 1) +
         ") INSERT INTO numbers (number, valid, kind, first_seen, last_seen) SELECT " + number +
         ", 1, 'fixed', '2026-12-01T08:00:00', '2026-12-01T08:00:00' FROM n";
}

// 0755-10000000, 0755-10000010, ...: room between neighbours for numbers added later.
std::string spaced(int i) {
  return "0755-" + std::to_string(10000000 + 10 * i);
}

std::size_t residentBytes() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  return statm.readAll().split(' ').value(1).toULongLong() * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

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
  // The store's writer deletes them; the window follows its commit.
  EXPECT_TRUE(QTest::qWaitFor([&] { return counts() == QStringLiteral("1 条 / 共 3 条"); }, 5000))
      << counts().toStdString();
  EXPECT_EQ(window()->model().storeRow(0).number, "0755-87654321");

  // The tray's item brings up the same window.
  ui::StoreWindow* open = window();
  named<QAction>(&form(), "N26")->trigger();
  EXPECT_EQ(window(), open);
}

TEST_F(StoreWindowTest, RowsAnotherConnectionWritesAppearWithoutQuery) {
  openWindow();
  other().exec(
      "INSERT INTO numbers (number, first_seen, last_seen) VALUES ('010-66666666', '2026-12-05', "
      "'2026-12-05')",
      "a search's page");
  // A burst of commits is one reading.
  for (int i = 0; i < 3; ++i) window()->storeChanged();
  EXPECT_TRUE(QTest::qWaitFor([&] { return counts() == QStringLiteral("5 条 / 共 5 条"); }, 3000))
      << counts().toStdString();
  EXPECT_EQ(window()->model().storeRow(0).number, "010-66666666");
}

// Another connection changes the store while the user looks at row 1000 with
// rows 1001 and 1003-1005 chosen and 1003 current.
TEST_F(StoreWindowTest, FollowingTheStoreKeepsTheTopRowAndTheChosenRowsByNumber) {
  struct Case {
    const char* name;
    std::string change;
    std::string top;
    std::vector<std::string> chosen;
    const char* kind;  // of row 1001's number
  };
  const std::vector<std::string> chosen = {spaced(1001), spaced(1003), spaced(1004), spaced(1005)};
  const Case cases[] = {
      {"rows added before the top", insertRows("printf('0755-100%04d5', i)", 50), spaced(1000), chosen,
       "fixed"},
      {"a row added among the chosen",
       "INSERT INTO numbers (number, first_seen, last_seen) VALUES ('" + spaced(1003) + "5', '', '')",
       spaced(1000), chosen, "fixed"},
      {"rows deleted before the top", "DELETE FROM numbers WHERE number < '" + spaced(10) + "'", spaced(1000),
       chosen, "fixed"},
      {"the top row deleted", "DELETE FROM numbers WHERE number = '" + spaced(1000) + "'", spaced(1001),
       chosen, "fixed"},
      {"a chosen row deleted",
       "DELETE FROM numbers WHERE number = '" + spaced(1004) + "'",
       spaced(1000),
       {spaced(1001), spaced(1003), spaced(1005)},
       "fixed"},
      {"a new check", "UPDATE numbers SET kind = 'mobile' WHERE number = '" + spaced(1001) + "'",
       spaced(1000), chosen, "mobile"},
  };
  openWindow();
  QTableView* table = window()->Table;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    other().exec("DELETE FROM numbers; " + insertRows("printf('0755-1%06d0', i)", 2000), "fill");
    window()->followStore();
    ASSERT_EQ(window()->model().matchingCount(), 2000);
    table->scrollTo(window()->model().index(1000, 0), QAbstractItemView::PositionAtTop);
    table->clearSelection();
    for (const int row : {1001, 1003, 1004, 1005}) {
      table->selectionModel()->select(window()->model().index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    table->selectionModel()->setCurrentIndex(window()->model().index(1003, 0), QItemSelectionModel::NoUpdate);
    ASSERT_EQ(numberAtTop(), spaced(1000));

    other().exec(c.change, c.name);
    window()->followStore();
    EXPECT_EQ(numberAtTop(), c.top);
    EXPECT_EQ(window()->selectedNumbers(), c.chosen);
    EXPECT_EQ(window()->model().storeRow(table->currentIndex().row()).number, spaced(1003));
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    ASSERT_FALSE(rows.isEmpty());
    const auto first =
        std::min_element(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.row() < b.row(); });
    EXPECT_EQ(window()->model().storeRow(first->row()).kind, c.kind);
  }
}

TEST_F(StoreWindowTest, StaysSmallWhileScrollingAMillionRows) {
  constexpr int kRows = 1000000;
  // 0010-10000000 ... 0019-10999990: the row of each number is known.
  auto numberOfRow = [](int row) {
    char text[32];
    std::snprintf(text, sizeof text, "0%03d-%08d", 10 + row / 100000, 10000000 + row % 100000 * 10);
    return std::string(text);
  };
  other().exec("DELETE FROM numbers; " +
                   insertRows("printf('0%03d-%08d', 10 + i / 100000, 10000000 + i % 100000 * 10)", kRows),
               "fill");
  openWindow();
  QTableView* table = window()->Table;
  QScrollBar* bar = table->verticalScrollBar();
  ASSERT_EQ(window()->model().matchingCount(), kRows);
  table->viewport()->grab();
  const std::size_t before = residentBytes();

  // The scroll bar dragged from the top to the bottom, the rows painted at
  // every step, steps close enough that nearly every page is read.
  constexpr int kSteps = 1000;
  for (int step = 0; step <= kSteps; ++step) {
    bar->setValue(static_cast<int>(static_cast<std::int64_t>(bar->maximum()) * step / kSteps));
    table->viewport()->grab();
    if (step % 100 == 0 || step == kSteps) {
      const int top = table->rowAt(0);
      ASSERT_EQ(window()->model().storeRow(top).number, numberOfRow(top)) << "step " << step;
    }
  }
  const std::size_t grown = residentBytes() - std::min(before, residentBytes());
  EXPECT_LT(grown, std::size_t{50} << 20) << grown / 1024 << " KiB";
  EXPECT_GT(table->rowAt(0), kRows - 100);

  // Rows chosen far apart are read for the copy even when no longer cached.
  table->selectRow(5);
  table->selectionModel()->select(window()->model().index(kRows / 2, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
  click("StoreCopyButton");
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            numberOfRow(5) + "\n" + numberOfRow(kRows / 2) + "\n");
}
