// A page whose text is larger than one script result carries comes over in
// pieces and still gives exactly the text one whole result would: line
// breaks as CR LF, characters GBK lacks as "?", with a line break and a
// surrogate pair each split at a piece boundary.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <optional>

#include "e2e_env.h"
#include "text/gbk.h"
#include "ui/browser/page_text_fetch.h"
#include "ui/browser/web_browser.h"

using namespace valo;
using namespace valo::testing;

TEST(PageText, ALargePageComesOverInPiecesExactly) {
  const int piece = ui::kPageTextPieceChars;
  // Lines of ten characters ("传真：0" and digits, then a line break); the
  // first piece ends inside a surrogate pair, the second between CR and LF.
  QString text;
  int n = 0;
  while (text.size() < 2 * piece + 50) {
    if (text.size() == piece - 1) {
      text += QString::fromUtf8("😀");  // a surrogate pair across the first boundary
    } else if (text.size() == 2 * piece - 1) {
      text += QStringLiteral("\r\n");  // CR LF across the second
    } else {
      text += QStringLiteral("传真：0%1\n").arg(n++ % 1000, 3, 10, QLatin1Char('0'));
    }
  }
  ASSERT_GT(text.size(), 2 * piece);

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("large.html"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body><pre>");
  file.write(text.toUtf8());
  file.write("</pre></body></html>");
  file.close();

  ui::WebBrowser browser;
  browser.resize(400, 300);
  browser.show();
  std::optional<env::PageText> read;
  browser.OnDocumentComplete = [&] {
    browser.readBodyText([&](env::PageText page) { read = std::move(page); });
  };
  browser.Navigate(QUrl::fromLocalFile(path).toString().toStdString());
  ASSERT_TRUE(waitForEvents([&] { return read.has_value(); }, 120000));
  EXPECT_FALSE(read->error);
  const GbkString expected = gbkFromUtf16WithCrLf(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.constData()), static_cast<std::size_t>(text.size())));
  // The body's outer text may end with a line break of its own.
  ASSERT_GE(read->text.size(), expected.size());
  EXPECT_TRUE(read->text.compare(0, expected.size(), expected) == 0);
  EXPECT_LE(read->text.size(), expected.size() + 2);
  EXPECT_EQ(read->text.find("??"), std::string::npos) << "a split surrogate pair became two characters";
}
