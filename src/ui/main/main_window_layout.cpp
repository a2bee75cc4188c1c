// See main_window_layout.h.
#include "ui/main/main_window_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/browser/web_browser.h"
#include "ui/common/app_texts.h"
#include "ui/main/anchored_row_layout.h"
#include "ui/main/main_window_controls.h"
#include "ui/main/status_bar.h"

namespace valo::ui {
namespace {

const char* const kEngineChoices[] = {"http://www.baidu.com", "http://www.google.com.hk",
                                      "http://www.yahoo.cn", "http://www.soso.com"};

QWidget* band(QWidget* parent, const char* name, int height) {
  auto* w = new QWidget(parent);
  w->setObjectName(QLatin1String(name));
  if (height > 0) w->setFixedHeight(height);
  return w;
}

// Puts `child` into `panel` edge to edge.
void fill(QWidget* panel, QWidget* child) {
  auto* layout = new QVBoxLayout(panel);
  layout->addWidget(child);
  layout->setContentsMargins(0, 0, 0, 0);
}

void buildSettingsRow(MainWindowControls& c) {
  // Laid out for the 567 px client width, where the engine box is 318 px
  // wide; the controls before it then take 242 of the 247 px left to them.
  auto* row = new AnchoredRowLayout(c.Panel2, 567, 318);
  row->setContentsMargins(2, 2, 2, 2);
  row->setSpacing(2);
  c.Label2 = new QLabel(QStringLiteral("搜索间隔[秒]："), c.Panel2);
  c.Label2->setObjectName(QStringLiteral("Label2"));
  c.SpinEdit1 = new QSpinBox(c.Panel2);
  c.SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
  c.SpinEdit1->setRange(1, 1000);
  c.SpinEdit1->setValue(8);
  c.SpinEdit1->setFixedWidth(41);
  c.CheckBox1 = new QCheckBox(QStringLiteral("去重"), c.Panel2);
  c.CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  c.CheckBox1->setLayoutDirection(Qt::RightToLeft);  // caption left of the box
  c.Label1 = new QLabel(QStringLiteral("搜索引擎："), c.Panel2);
  c.Label1->setObjectName(QStringLiteral("Label1"));
  c.ComboBox1 = new QComboBox(c.Panel2);
  c.ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  c.ComboBox1->setEditable(true);
  c.ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  for (const char* e : kEngineChoices) c.ComboBox1->addItem(QLatin1String(e));
  c.ComboBox1->setCurrentIndex(0);
  row->addWidget(c.Label2);
  row->addWidget(c.SpinEdit1);
  row->addWidget(c.CheckBox1);
  row->addWidget(c.Label1);
  row->addWidget(c.ComboBox1);  // anchored: the last one
}

QPushButton* hiddenButton(QWidget& window, const char* name) {
  auto* button = new QPushButton(&window);
  button->setObjectName(QLatin1String(name));
  button->hide();
  return button;
}

}  // namespace

void layOutMainWindow(QWidget& window, MainWindowControls& c, QAbstractItemModel* results) {
  auto* root = new QVBoxLayout(&window);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);

  c.CoolBar1 = band(&window, "CoolBar1", 30);
  root->addWidget(c.CoolBar1);

  c.Panel2 = band(&window, "Panel2", 28);
  buildSettingsRow(c);
  root->addWidget(c.Panel2);

  c.Panel1 = band(&window, "Panel1", 139);
  c.ListView1 = new QTreeView(c.Panel1);
  c.ListView1->setObjectName(QStringLiteral("ListView1"));
  c.ListView1->setModel(results);
  c.ListView1->setRootIsDecorated(false);
  c.ListView1->setUniformRowHeights(true);
  c.ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  c.ListView1->header()->setStretchLastSection(false);
  c.ListView1->setColumnWidth(0, 229);
  fill(c.Panel1, c.ListView1);
  root->addWidget(c.Panel1);

  auto* lower = new QHBoxLayout;
  lower->setSpacing(0);
  c.Panel3 = band(&window, "Panel3", 0);
  c.Panel3->setFixedWidth(233);
  c.Memo2 = new QPlainTextEdit(c.Panel3);
  c.Memo2->setObjectName(QStringLiteral("Memo2"));
  c.Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
  // A vertical scroll bar only: long lines are not wrapped and scroll
  // sideways with the caret, without a bar of their own.
  c.Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  c.Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fill(c.Panel3, c.Memo2);
  lower->addWidget(c.Panel3);
  c.Panel10 = band(&window, "Panel10", 0);
  c.Panel11 = band(c.Panel10, "Panel11", 0);
  fill(c.Panel10, c.Panel11);
  c.WebBrowser1 = new WebBrowser(c.Panel11);
  c.WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
  fill(c.Panel11, c.WebBrowser1);
  lower->addWidget(c.Panel10, 1);
  root->addLayout(lower, 1);

  c.StatusBar1 = new PanelStatusBar({39, 50, 39, 50, 39, 50}, &window);
  c.StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  c.StatusBar1->setFixedHeight(19);
  c.StatusBar1->setPanelText(0, QStringLiteral("总数："));
  c.StatusBar1->setPanelText(2, QStringLiteral("进程："));
  c.StatusBar1->setPanelText(4, QStringLiteral("号码："));
  c.StatusBar1->setPanelText(6, contactLine());
  root->addWidget(c.StatusBar1);

  c.Button1 = hiddenButton(window, "Button1");
  c.BitBtn1 = hiddenButton(window, "BitBtn1");
}

}  // namespace valo::ui
