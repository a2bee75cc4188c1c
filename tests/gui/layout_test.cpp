// The main window's layout: bands, panes, status panels and settings row.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextBlock>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <iterator>

#include "gui_env.h"
#include "ui/main/status_bar.h"

using namespace valo;
using namespace valo::testing;

namespace {

class Layout : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    start();
  }
  QWidget* widget(const char* name) { return named<QWidget>(&form(), name); }
};

}  // namespace

TEST_F(Layout, ClientAreaAndBands) {
  EXPECT_EQ(form().size(), QSize(567, 409));
  struct Band {
    const char* name;
    int height;
  };
  int y = 0;
  for (const Band& b : {Band{"CoolBar1", 30}, Band{"Panel2", 28}, Band{"Panel1", 139}}) {
    SCOPED_TRACE(b.name);
    EXPECT_EQ(widget(b.name)->height(), b.height);
    EXPECT_EQ(widget(b.name)->y(), y);
    EXPECT_EQ(widget(b.name)->width(), 567);
    y += b.height;
  }
  EXPECT_EQ(widget("StatusBar1")->height(), 19);
  EXPECT_EQ(widget("StatusBar1")->y(), 409 - 19);
  EXPECT_EQ(widget("Panel3")->geometry(), QRect(0, y, 233, 409 - 19 - y));
  EXPECT_EQ(widget("Panel10")->geometry(), QRect(233, y, 567 - 233, 409 - 19 - y));
}

TEST_F(Layout, ResizingGivesTheBrowserPaneTheRest) {
  form().resize(800, 600);
  QApplication::processEvents();
  EXPECT_EQ(widget("CoolBar1")->height(), 30);
  EXPECT_EQ(widget("Panel2")->height(), 28);
  EXPECT_EQ(widget("Panel1")->height(), 139);
  EXPECT_EQ(widget("StatusBar1")->height(), 19);
  EXPECT_EQ(widget("Panel3")->width(), 233);
  EXPECT_EQ(widget("Panel10")->width(), 800 - 233);
  EXPECT_EQ(widget("Panel10")->height(), 600 - 30 - 28 - 139 - 19);
}

// The settings row at the window's own size and resized: the interval box is
// 41 px wide, the engine box 318 px at the 567 px client width, and its right
// edge follows the window's while nothing in the row overlaps.
TEST_F(Layout, SettingsRowWidths) {
  auto* interval = named<QSpinBox>(&form(), "SpinEdit1");
  auto* engines = named<QComboBox>(&form(), "ComboBox1");
  auto* label = named<QLabel>(&form(), "Label1");
  struct Case {
    int width;
    int engineWidth;
  };
  for (const Case& c : {Case{567, 318}, Case{800, 318 + 233}, Case{520, 318 - 47}, Case{567, 318}}) {
    SCOPED_TRACE(c.width);
    form().resize(c.width, 409);
    QApplication::processEvents();
    ASSERT_EQ(form().Panel2->width(), c.width);

    EXPECT_EQ(interval->width(), 41);
    EXPECT_EQ(engines->width(), c.engineWidth);
    EXPECT_EQ(engines->geometry().right(), c.width - 1 - 2);
    EXPECT_LT(label->geometry().right(), engines->x());
  }
  // A long engine address typed in does not widen the window.
  engines->setEditText(QStringLiteral("http://www.") + QString(300, QLatin1Char('x')) +
                       QStringLiteral(".com"));
  engines->addItem(QString(300, QLatin1Char('y')));
  QApplication::processEvents();
  EXPECT_EQ(form().width(), 567);
  EXPECT_EQ(engines->width(), 318);
}

// The keyword box has a vertical scroll bar only; a line longer than the box
// is not wrapped and scrolls into view with the caret.
TEST_F(Layout, KeywordBoxScrollsSidewaysWithoutABar) {
  auto* memo = named<QPlainTextEdit>(&form(), "Memo2");
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  memo->setPlainText(QStringLiteral("深圳 机械 传真:") + QString(80, QChar(0x4E2D)) +
                     QStringLiteral("\n短行"));
  QApplication::processEvents();
  EXPECT_TRUE(memo->verticalScrollBar()->isVisible());
  EXPECT_FALSE(memo->horizontalScrollBar()->isVisible());
  EXPECT_EQ(memo->document()->blockCount(), 2);  // not wrapped
  QTextCursor end = memo->textCursor();
  end.setPosition(0);
  end.movePosition(QTextCursor::EndOfLine);
  memo->setTextCursor(end);
  memo->ensureCursorVisible();
  EXPECT_GT(memo->horizontalScrollBar()->value(), 0);
}

TEST_F(Layout, StatusPanels) {
  const int widths[] = {39, 50, 39, 50, 39, 50};
  const char* texts[] = {"总数：", "", "进程：", "", "号码：", ""};
  ui::PanelStatusBar* bar = form().StatusBar1;
  ASSERT_EQ(bar->panelCount(), 7);
  int right = 0;
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(bar->panel(i)->width(), widths[i]);
    EXPECT_EQ(bar->panelText(i), QString::fromUtf8(texts[i]));
    right = bar->panel(i)->geometry().right();
  }
  // The last panel takes the rest of the bar.
  EXPECT_GT(bar->panel(6)->x(), right);
  EXPECT_GE(bar->panel(6)->geometry().right(), bar->width() - 2);
}

TEST_F(Layout, ResultListAndSettingsRow) {
  auto* list = named<QTreeView>(&form(), "ListView1");
  EXPECT_EQ(list->model()->columnCount(), 1);
  EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
            QStringLiteral("传真号码"));
  EXPECT_EQ(list->columnWidth(0), 229);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);

  auto* engines = named<QComboBox>(&form(), "ComboBox1");
  EXPECT_TRUE(engines->isEditable());
  const QStringList entries = {QStringLiteral("http://www.baidu.com"),
                               QStringLiteral("http://www.google.com.hk"),
                               QStringLiteral("http://www.yahoo.cn"), QStringLiteral("http://www.soso.com")};
  // The engines file's engines follow the four (engines_file_test.cpp).
  ASSERT_GE(engines->count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(engines->itemText(i), entries[i]);
  auto* interval = named<QSpinBox>(&form(), "SpinEdit1");
  EXPECT_EQ(interval->minimum(), 1);
  EXPECT_EQ(interval->maximum(), 1000);
  auto* dedup = named<QCheckBox>(&form(), "CheckBox1");
  EXPECT_EQ(dedup->text(), QStringLiteral("去重"));
  EXPECT_EQ(dedup->layoutDirection(), Qt::RightToLeft);  // caption on the left
  EXPECT_EQ(named<QLabel>(&form(), "Label2")->text(), QStringLiteral("搜索间隔[秒]："));
  EXPECT_EQ(named<QLabel>(&form(), "Label1")->text(), QStringLiteral("搜索引擎："));
  // Left to right: interval label, interval box, duplicates box, engine label, engine box.
  const int xs[] = {named<QLabel>(&form(), "Label2")->x(), interval->x(), dedup->x(),
                    named<QLabel>(&form(), "Label1")->x(), engines->x()};
  EXPECT_TRUE(std::is_sorted(std::begin(xs), std::end(xs)));
}

TEST_F(Layout, HiddenControlsStayHidden) {
  for (const char* name : {"Button1", "BitBtn1"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(widget(name)->isVisible());
  }
  EXPECT_FALSE(form().Timer1->isActive());
  EXPECT_EQ(form().Timer1->interval(), 8000);
  EXPECT_FALSE(form().Timer2->isActive());
  EXPECT_EQ(form().Timer2->interval(), 60000);
}
