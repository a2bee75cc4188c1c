// See tform3.h.
#include "ui/builder/tform3.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>

#include "files/atomic_file.h"
#include "files/data_folder.h"
#include "files/keyword_builder.h"
#include "text/app_error.h"
#include "text/text_lines.h"
#include "ui/common/dialogs.h"
#include "ui/common/error_box.h"
#include "ui/main/window_font.h"
#include "ui/resources/icons.h"

namespace valo::ui {
namespace {

QPlainTextEdit* box(QWidget* parent, const char* name, QRect geometry, const QString& text) {
  auto* m = new QPlainTextEdit(parent);
  m->setObjectName(QLatin1String(name));
  m->setGeometry(geometry);
  m->setLineWrapMode(QPlainTextEdit::NoWrap);
  m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m->setPlainText(text);
  return m;
}

QLabel* label(QWidget* parent, const char* name, QPoint at, const char* text) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->setObjectName(QLatin1String(name));
  l->move(at);
  l->adjustSize();
  return l;
}

}  // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("创建关键词列表文件"));
  setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
  setFont(windowFont());
  resize(318 - 8, 263 - 27);  // client area of the 318 x 263 window
  setSizeGripEnabled(true);

  Label1 = label(this, "Label1", {40, 8}, "产品分类词语");
  Label2 = label(this, "Label2", {200, 8}, "定向搜索标志");
  Memo1 =
      box(this, "Memo1", {8, 24, 137, 65}, QStringLiteral("广州 服装\n广州 服饰\n广州 制衣\n广州 时装\n"));
  Memo2 = box(this, "Memo2", {168, 24, 137, 65}, QStringLiteral("传真：\nFAX：\n\n"));
  Label3 = label(this, "Label3", {72, 104}, "生成搜索关键词列表文件内容");
  Memo3 = box(this, "Memo3", {8, 120, 297, 73}, QString());
  setTabOrder(Memo1, Memo2);
  setTabOrder(Memo2, Memo3);

  auto button = [this](const char* name, QRect geometry, const char* caption, const char* glyphKey,
                       void (TForm3::*handler)()) {
    auto* b = new QToolButton(this);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(geometry);
    b->setText(QString::fromUtf8(caption));
    b->setIcon(glyph(QLatin1String(glyphKey)));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setAutoRaise(true);
    connect(b, &QToolButton::clicked, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    return b;
  };
  SpeedButton2 =
      button("SpeedButton2", {40, 204, 65, 25}, "创建", "builder-create", &TForm3::SpeedButton2Click);
  SpeedButton3 =
      button("SpeedButton3", {120, 203, 65, 25}, "启用", "builder-use", &TForm3::SpeedButton3Click);
  SpeedButton1 =
      button("SpeedButton1", {200, 204, 65, 25}, "保存", "builder-save", &TForm3::SpeedButton1Click);
}

GbkString TForm3::boxText(const QPlainTextEdit* b) {
  QString text = b->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return toGbk(text);
}

void TForm3::SpeedButton2Click() {
  QString out = fromGbk(files::BuildKeywordList(boxText(Memo1), boxText(Memo2)));
  out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  Memo3->setPlainText(out);
}

void TForm3::SpeedButton3Click() {
  const TextLines out(boxText(Memo3));
  std::vector<GbkString> lines;
  for (int i = 0; i < out.count(); ++i) lines.emplace_back(out.line(i));
  if (appendToKeywords && !lines.empty()) appendToKeywords(lines);
}

void TForm3::SpeedButton1Click() {
  repaint();
  const QString path = dialogs::saveFileName(
      this,
      {QStringLiteral("生成搜索关键词列表文件"), QStringLiteral("Text files(*.txt)|*.txt|All files(*.*)|*.*"),
       files::dataFolder(), QStringLiteral("搜索关键词列表文件.txt"), QStringLiteral("txt")});
  if (path.isEmpty()) return;
  files::AtomicFile file(path);
  if (file.open() != 0) throw AppError(formatMessage("Cannot create file %s", toGbk(path)));
  if (file.write(boxText(Memo3)) != 0 || file.commit() != 0) throw AppError("Stream write error");
}

}  // namespace valo::ui
