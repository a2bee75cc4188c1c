// See main_commands.h. Every handler runs through guarded(): an error raised
// by a command goes to the standard error box and never into Qt's signal code.
#include "ui/main/main_commands.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "ui/common/error_box.h"
#include "ui/main/tform1.h"
#include "ui/resources/icons.h"

namespace valo::ui {
namespace {

using P = MainCommand::Place;
using C = MainWindowControls;

const MainCommand kCommands[] = {
    {P::Toolbar, "SpeedButton2", "搜索", "开始号码搜索", "search", &TForm1::N2Click, &C::SpeedButton2},
    {P::Toolbar, "SpeedButton3", "终止", "终止号码搜索", "stop", &TForm1::N3Click, &C::SpeedButton3},
    {P::Toolbar, "SpeedButton5", "保存", "保存搜索结果", "save", &TForm1::N5Click, &C::SpeedButton5},
    {P::Toolbar, "SpeedButton8", "进程", "保存搜索进程", "progress", &TForm1::SpeedButton8Click, &C::SpeedButton8},
    {P::Toolbar, "SpeedButton6", "创建", "创建搜索文件", "create", &TForm1::N20Click, &C::SpeedButton6},
    {P::Toolbar, "SpeedButton1", "合并", "合并号码列表", "merge", &TForm1::SpeedButton1Click, &C::SpeedButton1},
    {P::Toolbar, "SpeedButton4", "主页", "访问软件网站", "home", &TForm1::SpeedButton4Click, &C::SpeedButton4},
    {P::Toolbar, "SpeedButton9", "关于", "关于本软件", "about", &TForm1::N15Click, &C::SpeedButton9},
    {P::Toolbar, "SpeedButton10", "退出", "退出软件系统", "exit", &TForm1::SpeedButton10Click, &C::SpeedButton10},
    {P::ToolbarIcon, "SpeedButton11", "号码库", "搜索到和导入的全部号码：查找、导入、导出", "store", &TForm1::N26Click,
     &C::SpeedButton11},
    {P::ToolbarIcon, "SpeedButton12", "选项", "历史去重、扩展识别等选项", "options", &TForm1::N28Click,
     &C::SpeedButton12},
    {P::ToolbarIcon, "SpeedButton13", "团队队列", "团队的关键字队列：查看进度，从队列搜索", "team", &TForm1::N29Click,
     &C::SpeedButton13},

    {P::TrayMenu, "N17", "显示主程序(&S)", "", "", &TForm1::N17Click, nullptr, &C::N17},
    {P::TrayMenu, "N18", "最小化显示(&M)", "", "", &TForm1::N18Click, nullptr, &C::N18},
    {P::TrayMenu, "N19", "与我们联系(&L)", "", "", &TForm1::N14Click, nullptr, &C::N19},
    {P::TrayMenu, "N20", "访问Kestrin主页(&V)", "", "", &TForm1::SpeedButton4Click, nullptr, &C::N20},
    {P::TrayMenu, "N21", "关于本软件(&A)", "", "", &TForm1::N15Click, nullptr, &C::N21},
    {P::TrayMenu, "N24", "编辑搜索引擎(&E)", "", "", &TForm1::N24Click, nullptr, &C::N24},
    {P::TrayMenu, "N25", "重新载入搜索引擎(&R)", "", "", &TForm1::N25Click, nullptr, &C::N25},
    {P::TrayMenu, "N26", "号码库(&D)", "", "", &TForm1::N26Click, nullptr, &C::N26},
    {P::TrayMenu, "N27", "代理设置(&P)", "", "", &TForm1::N27Click, nullptr, &C::N27},
    {P::TrayMenu, "N28", "选项(&O)", "", "", &TForm1::N28Click, nullptr, &C::N28},
    {P::TrayMenu, "N29", "团队队列(&T)", "", "", &TForm1::N29Click, nullptr, &C::N29},
    {P::TrayMenu, "N22", "", "", "", nullptr, nullptr, &C::N22},
    {P::TrayMenu, "N23", "退 出(&Exit)", "", "", &TForm1::N23Click, nullptr, &C::N23},
};

// Buttons are 55 px wide, one pixel apart, from x = 2; glyph-only buttons
// are 28 px wide and follow them.
constexpr int kButtonWidth = 55;
constexpr int kIconButtonWidth = 28;
constexpr int kButtonGap = 1;

template <typename Sender, typename Signal>
void bindHandler(TForm1& form, Sender* sender, Signal signal, void (TForm1::*handler)()) {
  QObject::connect(sender, signal, &form, [&form, handler] { guarded([&] { (form.*handler)(); }); });
}

}  // namespace

std::span<const MainCommand> mainCommands() {
  return kCommands;
}

void buildToolbar(TForm1& form) {
  int x = 2;
  for (const MainCommand& c : kCommands) {
    if (c.place != P::Toolbar && c.place != P::ToolbarIcon) continue;
    const bool iconOnly = c.place == P::ToolbarIcon;
    auto* button = new QToolButton(form.CoolBar1);
    button->setObjectName(QLatin1String(c.objectName));
    button->setText(QString::fromUtf8(c.caption));
    button->setToolTip(iconOnly ? QString::fromUtf8(c.caption) + QStringLiteral("：") + QString::fromUtf8(c.hint)
                                : QString::fromUtf8(c.hint));
    button->setIcon(glyph(QLatin1String(c.glyph)));
    button->setIconSize(QSize(16, 16));
    button->setToolButtonStyle(iconOnly ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    const int width = iconOnly ? kIconButtonWidth : kButtonWidth;
    button->setGeometry(x, 3, width, 23);
    x += width + kButtonGap;
    bindHandler(form, button, &QToolButton::clicked, c.handler);
    form.*(c.button) = button;
  }
}

void buildTrayMenu(TForm1& form) {
  for (const MainCommand& c : kCommands) {
    if (c.place != P::TrayMenu) continue;
    QAction* action = c.handler == nullptr ? form.PopupMenu1->addSeparator()
                                           : form.PopupMenu1->addAction(QString::fromUtf8(c.caption));
    action->setObjectName(QLatin1String(c.objectName));
    if (c.handler != nullptr) bindHandler(form, action, &QAction::triggered, c.handler);
    form.*(c.item) = action;
  }
}

}  // namespace valo::ui
