// The text-box lines rule and trimming.
#include <gtest/gtest.h>

#include "text/text_lines.h"

using valo::TextLines;

TEST(TextLines, CountsByTheRule) {
  struct Case {
    std::string text;
    int count;
  };
  const Case cases[] = {
      {"", 0},       {"a", 1},    {"a\r\n", 1},    {"a\r\n\r\n", 2},  {"\r\n", 1},
      {"a\r\nb", 2}, {"a\nb", 1}, {"a\rb\r\n", 1}, {"a\r\n\r\nb", 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextLines(c.text).count(), c.count) << testing::PrintToString(c.text);
    EXPECT_EQ(static_cast<int>(valo::splitTextLines(c.text).size()), c.count);
  }
}

TEST(TextLines, ReadingALineYieldsAtMost4096Bytes) {
  const std::string longLine(5000, 'x');
  TextLines t(longLine + "\r\nshort");
  EXPECT_EQ(t.line(0).size(), 4096u);
  EXPECT_EQ(t.fullLine(0).size(), 5000u);
  EXPECT_EQ(t.line(1), "short");
  EXPECT_EQ(t.line(2), "");
  EXPECT_EQ(t.line(-1), "");
  EXPECT_EQ(valo::splitTextLines(longLine)[0].size(), 4096u);
}

TEST(TextLines, AppendGoesAfterTheLastCountedLine) {
  TextLines t;
  t.append("a");
  EXPECT_EQ(t.text(), "a\r\n");
  t.setText("a");  // no final line end: one is put in first
  t.append("b");
  EXPECT_EQ(t.text(), "a\r\nb\r\n");
  EXPECT_EQ(t.count(), 2);
  t.setText("a\r\n\r\n");  // the empty second line is a counted line
  t.append("c");
  EXPECT_EQ(t.text(), "a\r\n\r\nc\r\n");
  EXPECT_EQ(t.count(), 3);
  EXPECT_EQ(t.line(2), "c");
}

// Found by fuzzing: the line index counted such a text as one line, so
// count() and line() disagreed with a fresh reading of the same text.
TEST(TextLines, AppendedTextWithLineEndsCountsAsItsLines) {
  TextLines t("a");
  t.append("b\r\nc");
  EXPECT_EQ(t.text(), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(t.count(), 3);
  EXPECT_EQ(t.line(1), "b");
  EXPECT_EQ(t.line(2), "c");
  t.append("\r\n");  // one empty line, then the final line end
  const TextLines fresh(t.text());
  ASSERT_EQ(t.count(), fresh.count());
  for (int i = 0; i < fresh.count(); ++i) EXPECT_EQ(t.line(i), fresh.line(i)) << i;
}

TEST(Trim, RemovesBytes0To32AtBothEnds) {
  EXPECT_EQ(valo::trimBlanks(" \t\x01 a b \r\n\x1F"), "a b");
  EXPECT_EQ(valo::trimBlanks("   "), "");
  EXPECT_EQ(valo::trimBlanks(""), "");
  // GBK bytes are all above 32 and stay.
  EXPECT_EQ(valo::trimBlanks(" \xC9\xEE "), "\xC9\xEE");
}
