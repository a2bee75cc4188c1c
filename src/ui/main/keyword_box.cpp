// See keyword_box.h.
#include "ui/main/keyword_box.h"

#include <QPlainTextEdit>

namespace valo::ui {
namespace {

const char* const kDefaultKeywords[] = {
    "深圳 机械 传真:",  "深圳 化工 FAX:",  "深圳 旅游 FAX:",  "北京 酒店 传真:",
    "深圳 酒店 传真:",  "苏州 电子 传真:", "常州 机械 传真:", "上海 食品 FAX:",
    "上海 旅行社 FAX:", "上海 出口 传真:", "广州 服装 传真:", "苏州 电子 FAX:",
};

}  // namespace

KeywordBox::KeywordBox(QPlainTextEdit& edit) : edit_(edit) {
  edited_ = QObject::connect(&edit_, &QPlainTextEdit::textChanged, &edit_, [this] {
    cacheValid_ = false;
    if (!settingText_ && onEdited) onEdited();
  });
}

KeywordBox::~KeywordBox() {
  QObject::disconnect(edited_);
}

GbkString KeywordBox::shownText() const {
  QString text = edit_.toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return toGbk(text);
}

GbkString KeywordBox::text() const {
  return keeper_.restore(shownText());
}

void KeywordBox::setText(const GbkString& text) {
  QString s = fromGbk(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  settingText_ = true;
  edit_.setPlainText(s);
  settingText_ = false;
  cacheValid_ = false;
  // What the box gives back for each line, paired with the bytes it was given.
  keeper_.remember(text, shownText());
}

const TextLines& KeywordBox::lines() {
  if (!cacheValid_) {
    cache_.setText(text());
    cacheValid_ = true;
  }
  return cache_;
}

void KeywordBox::appendLines(const std::vector<GbkString>& lines) {
  if (lines.empty()) return;
  TextLines text(this->text());
  for (const GbkString& l : lines) text.append(l);
  setText(text.text());
  if (onEdited) onEdited();
}

GbkString defaultKeywordText() {
  GbkString text;
  for (const char* line : kDefaultKeywords) text += gbk(line) + "\r\n";
  return text;
}

}  // namespace valo::ui
