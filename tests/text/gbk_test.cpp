// GBK conversion: code page 936 proper, and "?" for what GBK cannot hold.
#include <gtest/gtest.h>

#include "text/gbk.h"

using valo::gbkFromUtf8;
using valo::utf8FromGbk;

TEST(Gbk, ConvertsChineseBothWays) {
  EXPECT_EQ(gbkFromUtf8("深圳"), "\xC9\xEE\xDB\xDA");
  EXPECT_EQ(gbkFromUtf8("传真："), "\xB4\xAB\xD5\xE6\xA3\xBA");
  EXPECT_EQ(utf8FromGbk("\xC9\xEE\xDB\xDA"), "深圳");
  EXPECT_EQ(gbkFromUtf8("FAX:021"), "FAX:021");
}

TEST(Gbk, IsMicrosoftCodePage936) {
  // 0x80 is the euro sign in code page 936, unlike in plain GBK tables.
  EXPECT_EQ(gbkFromUtf8("€"), "\x80");
  EXPECT_EQ(utf8FromGbk("\x80"), "€");
}

TEST(Gbk, UnrepresentableBecomesQuestionMark) {
  EXPECT_EQ(gbkFromUtf8("a\u0E01b"), "a?b");  // Thai letter
  EXPECT_EQ(gbkFromUtf8("\U0001F600"), "?");  // emoji outside the BMP
}

TEST(Gbk, QStringEdges) {
  const QString s = QStringLiteral("上海 食品 FAX:");
  EXPECT_EQ(valo::fromGbk(valo::toGbk(s)), s);
  EXPECT_TRUE(valo::fromGbk("").isEmpty());
}

// Line ends made CR LF while converting give the bytes of making them CR LF
// first and converting after, also where a CR LF pair, a surrogate pair or a
// character outside GBK falls on the converter's piece boundary.
TEST(Gbk, CrLfWhileConvertingMatchesNormalisingFirst) {
  const std::u16string piece(16 * 1024 - 1, u'a');
  const std::u16string cases[] = {
      u"", u"传真：1\n第二行\r\n第三行", u"\r", u"\n", u"\r\r\n", u"\n\r", u"a\r\nb\rc\nd",
      u"\U0001F600x\r",  // outside GBK: "?"
      piece + u"\r\n" + piece,
      piece + u"\U0001F600" + piece,
      piece + u"x\r" + u"\n" + piece + u"传",
  };
  for (const std::u16string& c : cases) {
    QString s = QString::fromStdU16String(c);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    EXPECT_EQ(valo::gbkFromUtf16WithCrLf(c), valo::toGbk(s)) << c.size();
  }
}
