// The main window's layout: bands, panes, status panels and settings row.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
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
  // The engine box's right edge follows the window's.
  QComboBox* engines = named<QComboBox>(&form(), "ComboBox1");
  EXPECT_GT(engines->geometry().right(), 800 - 20);
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
  ASSERT_EQ(engines->count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(engines->itemText(i), entries[i]);
  // It takes the rest of the row at the window's own size.
  EXPECT_GE(engines->width(), 280);
  EXPECT_GE(engines->geometry().right(), form().Panel2->width() - 8);

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
  for (const char* name : {"Memo1", "Button1", "BitBtn1"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(widget(name)->isVisible());
  }
  EXPECT_FALSE(form().Timer1->isActive());
  EXPECT_EQ(form().Timer1->interval(), 8000);
  EXPECT_FALSE(form().Timer2->isActive());
  EXPECT_EQ(form().Timer2->interval(), 60000);
}
