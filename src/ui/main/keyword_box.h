// The keyword box `Memo2` as the program reads and writes it: its whole text
// as GBK with CR LF line ends, and its lines by the text-box lines rule. The
// box shows Unicode, so bytes that are not GBK cannot be shown as they are;
// the lines it was given are kept byte for byte as long as the user leaves
// them as shown. The lines are taken from the widget once per edit, not at
// every read of the run.
#pragma once

#include <QMetaObject>
#include <functional>
#include <vector>

#include "files/keyword_line_keeper.h"
#include "text/gbk.h"
#include "text/text_lines.h"

class QPlainTextEdit;

namespace valo::ui {

class KeywordBox {
 public:
  explicit KeywordBox(QPlainTextEdit& edit);
  ~KeywordBox();
  KeywordBox(const KeywordBox&) = delete;
  KeywordBox& operator=(const KeywordBox&) = delete;

  // Runs after every change the user makes, typing or the builder's Use;
  // not after setText.
  std::function<void()> onEdited;

  GbkString text() const;
  void setText(const GbkString& text);
  // Appends lines, each ended by CR LF (the builder's Use command).
  void appendLines(const std::vector<GbkString>& lines);
  const TextLines& lines();

 private:
  GbkString shownText() const;

  QPlainTextEdit& edit_;
  QMetaObject::Connection edited_;
  files::KeywordLineKeeper keeper_;
  TextLines cache_;
  bool cacheValid_ = false;
  bool settingText_ = false;
};

// The lines a new keyword box holds before any keyword file is read.
GbkString defaultKeywordText();

}  // namespace valo::ui
