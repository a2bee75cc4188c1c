// See keyword_box.h.
#include "ui/main/keyword_box.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

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
  const GbkString shown = shownText();
  if (kept_.empty()) return shown;
  const QTextDocument& document = *edit_.document();
  std::vector<std::string_view> lines;
  TextLineCursor cursor(shown, std::string_view::npos);
  for (std::string_view line; cursor.next(line);) lines.push_back(line);
  // A block holding a line separator (pasted text) shows as two lines; the
  // blocks no longer count the lines then, and nothing is put back.
  if (edit_.toPlainText().count(QLatin1Char('\n')) + 1 != document.blockCount()) return shown;
  std::vector<std::pair<std::size_t, GbkString>> restore;
  std::vector<bool> taken(static_cast<std::size_t>(document.blockCount()), false);
  for (const KeptLine& k : kept_) {
    // Still the whole of one block, and shown as it was.
    const QTextBlock block = document.findBlock(k.start.position());
    if (!block.isValid() || block.position() != k.start.position() ||
        block.position() + block.length() - 1 != k.end.position()) {
      continue;
    }
    const auto line = static_cast<std::size_t>(block.blockNumber());
    if (line >= lines.size() || lines[line] != k.shown || taken[line]) continue;
    taken[line] = true;
    restore.emplace_back(line, k.original);
  }
  return files::withKeptLines(shown, restore);
}

void KeywordBox::setText(const GbkString& text) {
  QString s = fromGbk(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  settingText_ = true;
  edit_.setPlainText(s);
  settingText_ = false;
  cacheValid_ = false;
  keepLines(text);
}

void KeywordBox::keepLines(const GbkString& text) {
  kept_.clear();
  QTextDocument* document = edit_.document();
  // What the box gives back for each line, paired with the bytes it was given.
  for (files::KeptLine& line : files::linesToKeep(text, shownText())) {
    const QTextBlock block = document->findBlockByNumber(static_cast<int>(line.line));
    if (!block.isValid()) continue;
    KeptLine k{QTextCursor(document), QTextCursor(document), std::move(line.shown), std::move(line.original)};
    k.start.setPosition(block.position());
    k.end.setPosition(block.position() + block.length() - 1);
    k.end.setKeepPositionOnInsert(true);
    kept_.push_back(std::move(k));
  }
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
