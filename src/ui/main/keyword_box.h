// The keyword box `Memo2` as the program reads and writes it: its whole text
// as GBK with CR LF line ends, and its lines by the text-box lines rule. The
// box shows Unicode, so bytes that are not GBK cannot be shown as they are;
// a line it was given keeps its bytes as long as it stays where it is and as
// shown. Each such line is followed through the edits by text cursors at its
// ends, so inserting, deleting or moving other lines never hands it the bytes
// of another line that looks alike; a line the user moves or retypes is
// taken as shown. The lines are taken from the widget once per edit, not at
// every read of the run.
#pragma once

#include <QMetaObject>
#include <QTextCursor>
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
  // A line whose bytes the box cannot show, and where it is now.
  struct KeptLine {
    QTextCursor start;  // moves on past text put in front of the line
    QTextCursor end;    // stays before text typed after it
    GbkString shown;
    GbkString original;
  };

  GbkString shownText() const;
  void keepLines(const GbkString& text);

  QPlainTextEdit& edit_;
  QMetaObject::Connection edited_;
  std::vector<KeptLine> kept_;
  TextLines cache_;
  bool cacheValid_ = false;
  bool settingText_ = false;
};

// The lines a new keyword box holds before any keyword file is read.
GbkString defaultKeywordText();

}  // namespace valo::ui
