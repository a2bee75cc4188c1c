// See proxy_window.h.
#include "ui/proxies/proxy_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "search/proxy_list.h"
#include "ui/common/error_box.h"
#include "ui/main/window_font.h"

namespace valo::ui {

ProxyWindow::ProxyWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ProxyWindow"));
  setWindowTitle(QStringLiteral("代理设置"));
  setFont(windowFont());
  resize(460, 360);
  Label1 = new QLabel(QStringLiteral("每行一个代理：http://主机:端口 或 socks5://主机:端口，"
                                     "HTTP 代理可在主机前加 用户名:密码@。"
                                     "搜索被拒绝时换用下一个代理；列表为空时使用系统的代理设置。"),
                      this);
  Label1->setWordWrap(true);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* badLabel = new QLabel(QStringLiteral("以下各行不是代理，不会使用："), this);
  Memo2 = new QPlainTextEdit(this);
  Memo2->setObjectName(QStringLiteral("Memo2"));
  Memo2->setReadOnly(true);
  Memo2->setMaximumHeight(90);
  Button1 = new QPushButton(QStringLiteral("确定"), this);
  Button2 = new QPushButton(QStringLiteral("取消"), this);
  Button1->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(Memo1, 1);
  layout->addWidget(badLabel);
  layout->addWidget(Memo2);
  layout->addLayout(buttons);

  connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { accept(); }); });
  connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { reject(); }); });
  connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { guarded([this] { recheck(); }); });
  recheck();
}

void ProxyWindow::setListText(const QString& text) {
  Memo1->setPlainText(text);
}

QString ProxyWindow::listText() const {
  return Memo1->toPlainText();
}

QString ProxyWindow::badLinesText() const {
  return Memo2->toPlainText();
}

void ProxyWindow::recheck() {
  const search::ProxyList list = search::parseProxyList(listText().toStdString());
  QStringList lines;
  for (const search::BadProxyLine& bad : list.bad) {
    lines << QStringLiteral("第 %1 行 %2：%3")
                 .arg(bad.lineNumber)
                 .arg(QString::fromStdString(bad.text), QString::fromStdString(bad.reason));
  }
  Memo2->setPlainText(lines.join(QLatin1Char('\n')));
}

}  // namespace valo::ui
