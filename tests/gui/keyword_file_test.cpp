// The keyword file comes back as it was: bytes the box cannot show (not
// GBK, a lone lead byte) survive a start and an exit, and an edit of another
// line, and an edit reaches the file within seconds, before any exit.
#include <sys/stat.h>

#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>

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
