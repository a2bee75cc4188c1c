// The keyword file comes back as it was: bytes the box cannot show (not
// GBK, a lone lead byte) survive a start and an exit, and edits of other
// lines (inserted, deleted, moved or changed), and an edit reaches the file
// within seconds, before any exit.
#include <sys/stat.h>

#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <functional>

#include "gui_env.h"
#include "text/gbk.h"
#include "ui/main/keyword_file_binding.h"

using namespace valo;
using namespace valo::testing;

namespace {

class KeywordFile : public GuiTest {};

struct BytePattern {
  const char* name;
  QByteArray file;
  QByteArray kept;  // what the file holds after a start and an exit
};

QByteArray bytes(const char* s, int n) {
  return QByteArray(s, n);
}

}  // namespace

TEST_F(KeywordFile, ComesBackByteForByteAndKeepsEditsOfOtherLines) {
  const QByteArray shenzhen = QByteArray::fromStdString(gbk("深圳 机械 传真:"));
  const BytePattern patterns[] = {
      {"bytes of another editor", bytes("\xFF\xFE" "a\r\nb\xFF\r\n", 9), bytes("\xFF\xFE" "a\r\nb\xFF\r\n", 9)},
      {"a lone lead byte ends the file", bytes("abc\r\n\x81", 6), bytes("abc\r\n\x81", 6)},
      {"a lone lead byte ends a line", bytes("x\x81\r\ny\r\n", 7), bytes("x\x81\r\ny\r\n", 7)},
      {"GBK beside bytes that are not", shenzhen + bytes("\r\n\xA1\r\n", 5), shenzhen + bytes("\r\n\xA1\r\n", 5)},
      {"alike lines keep their own bytes", bytes("\xFF\r\n\xFE\r\n", 6), bytes("\xFF\r\n\xFE\r\n", 6)},
      {"CR alone becomes CR LF", bytes("a\rb\r\n", 5), bytes("a\r\nb\r\n", 6)},
      {"LF alone becomes CR LF", bytes("a\nb", 3), bytes("a\r\nb", 4)},
      {"text after a zero byte is dropped", bytes("a\r\nb\0c\r\n", 8), bytes("a\r\nb", 4)},
  };
  const QByteArray typed = QByteArray::fromStdString(gbk("新行")) + "\r\n";
  const QString path = dataPath("valofaxbody.ini");
  for (const BytePattern& p : patterns) {
    SCOPED_TRACE(p.name);
    writeBytes(path, p.file);
    start();
    stop();
    EXPECT_EQ(readBytes(path).toHex(' '), p.kept.toHex(' '));

    // An edit in another line: every untouched line keeps its bytes, and the
    // file has it within seconds, while the program still runs.
    start();
    auto* box = named<QPlainTextEdit>(&form(), "Memo2");
    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::Start);
    cursor.insertText(QStringLiteral("新行\n"));
    const QByteArray edited = typed + p.kept;
    EXPECT_TRUE(QTest::qWaitFor([&] { return readBytes(path) == edited; },
                                ui::KeywordFileBinding::kQuietMilliseconds + 3000))
        << readBytes(path).toHex(' ').toStdString();
    stop();
    EXPECT_EQ(readBytes(path).toHex(' '), edited.toHex(' '));
  }
}

// Each edit of the box, as a user makes it: at the start of a line,
// selecting whole lines, typing at a line's end.
void insertLine(QTextDocument* document, int before, const QString& text) {
  QTextCursor cursor(document->findBlockByNumber(before));
  cursor.insertText(text + QLatin1Char('\n'));
}
QString deleteLine(QTextDocument* document, int line) {
  QTextCursor cursor(document->findBlockByNumber(line));
  const QString text = cursor.block().text();
  cursor.setPosition(document->findBlockByNumber(line + 1).position(), QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  return text;
}
void moveLine(QTextDocument* document, int from, int to) {
  insertLine(document, to, deleteLine(document, from));
}
void typeAtEnd(QTextDocument* document, int line, const QString& text) {
  QTextCursor cursor(document->findBlockByNumber(line));
  cursor.movePosition(QTextCursor::EndOfBlock);
  cursor.insertText(text);
}

// Lines that show alike: a genuine "?" and a lone lead byte shown as one, and
// two lines of a lone lead byte. Every line that stays where it is and as shown
// keeps its own bytes through the edits of others; a line that is moved or
// changed is written as the box shows it, never with another line's bytes.
TEST_F(KeywordFile, EditsOfOtherLinesNeverSwapTheBytesOfAlikeLines) {
  const QByteArray question = QByteArray::fromStdString(gbk("深圳 机械 传真?"));
  const QByteArray leadByte = QByteArray::fromStdString(gbk("深圳 机械 传真")) + '\x81';
  // Two lone lead bytes, each shown as "?".
  const QByteArray lone1("\x81"), lone2("\xFE"), abc("abc"), shownAlone("?");
  const auto file = [](std::initializer_list<QByteArray> lines) {
    QByteArray out;
    for (const QByteArray& line : lines) out += line + "\r\n";
    return out;
  };
  const struct {
    const char* name;
    std::function<void(QTextDocument*)> edit;
    QByteArray kept;
  } cases[] = {
      {"no edit", [](QTextDocument*) {}, file({question, leadByte, lone1, lone2, abc})},
      {"a line inserted above", [](QTextDocument* d) { insertLine(d, 2, QStringLiteral("新行")); },
       file({question, leadByte, QByteArray::fromStdString(gbk("新行")), lone1, lone2, abc})},
      {"the genuine line above deleted", [](QTextDocument* d) { deleteLine(d, 0); }, file({leadByte, lone1, lone2, abc})},
      {"the first of two alike lines deleted", [](QTextDocument* d) { deleteLine(d, 2); },
       file({question, leadByte, lone2, abc})},
      {"the second of two alike lines deleted", [](QTextDocument* d) { deleteLine(d, 3); },
       file({question, leadByte, lone1, abc})},
      {"another line moved to the top", [](QTextDocument* d) { moveLine(d, 4, 0); },
       file({abc, question, leadByte, lone1, lone2})},
      {"a line that is not GBK moved is written as shown", [](QTextDocument* d) { moveLine(d, 2, 3); },
       file({question, leadByte, lone2, shownAlone, abc})},
      {"another line changed", [](QTextDocument* d) { typeAtEnd(d, 4, QStringLiteral("d")); },
       file({question, leadByte, lone1, lone2, "abcd"})},
      {"the line itself changed is written as shown", [](QTextDocument* d) { typeAtEnd(d, 1, QStringLiteral("x")); },
       file({question, QByteArray::fromStdString(gbk("深圳 机械 传真?x")), lone1, lone2, abc})},
  };
  const QString path = dataPath("valofaxbody.ini");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeBytes(path, file({question, leadByte, lone1, lone2, abc}));
    start();
    c.edit(named<QPlainTextEdit>(&form(), "Memo2")->document());
    stop();
    EXPECT_EQ(readBytes(path).toHex(' ').toStdString(), c.kept.toHex(' ').toStdString());
  }
}

TEST_F(KeywordFile, AFileThatCouldNotBeReadIsNeverReplacedByEdits) {
  const QString path = dataPath("valofaxbody.ini");
  const QByteArray original("keep\r\n");
  writeBytes(path, original);
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
  {
    AsOrdinaryUser user;
    start();
    named<QPlainTextEdit>(&form(), "Memo2")->setPlainText(QStringLiteral("edited"));
    QTest::qWait(ui::KeywordFileBinding::kQuietMilliseconds + 500);
  }
  stop();
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
  EXPECT_EQ(readBytes(path), original);
}
