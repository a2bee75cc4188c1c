// The keyword encodings, byte for byte.
#include <gtest/gtest.h>

#include "search/query_encoding.h"
#include "text/gbk.h"

using namespace valo::search;
using valo::gbk;

TEST(QueryEncoding, ExampleTable) {
  struct Case {
    KeywordEncoding kind;
    const char* line;
    std::string expected;
  };
  const Case cases[] = {
      {KeywordEncoding::GbkUrl, "深圳 机械 传真:", "%C9%EE%DB%DA+%BB%FA%D0%B5+%B4%AB%D5%E6%3A"},
      {KeywordEncoding::Utf8Percent,
       "深圳 机械 传真:", "%E6%B7%B1%E5%9C%B3%20%E6%9C%BA%E6%A2%B0%20%E4%BC%A0%E7%9C%9F%3A"},
      {KeywordEncoding::Plain, "深圳 机械 传真:", gbk("深圳 机械 传真:")},
      {KeywordEncoding::GbkUrl, "上海 食品 FAX:", "%C9%CF%BA%A3+%CA%B3%C6%B7+FAX%3A"},
      {KeywordEncoding::GbkUrl, "a-b_c.d~e", "a%2Db%5Fc%2Ed%7Ee"},
      {KeywordEncoding::GbkUrl, "Abc123", "Abc123"},
      {KeywordEncoding::Utf8Percent, "A b", "%41%20%62"},
      {KeywordEncoding::GbkUrl, "\t a b \r", "a+b"},
      {KeywordEncoding::Utf8Percent, " a b\t", "%61%20%62"},
      {KeywordEncoding::Plain, "\t上海 食品  ", gbk("上海 食品")},
      {KeywordEncoding::GbkUrl, "   ", ""},
      {KeywordEncoding::Utf8Percent, "", ""},
      {KeywordEncoding::Plain, " \t ", ""},
      {KeywordEncoding::GbkUrl, "*!:/?&=%+", "%2A%21%3A%2F%3F%26%3D%25%2B"},
  };
  for (const Case& c : cases) {
    TNMURL encoder;
    EXPECT_EQ(EncodeQueryKeyword(encoder, gbk(c.line), c.kind), c.expected) << c.line;
  }
}

TEST(QueryEncoding, HexDigitsAreCapitalsAndControlBytesEscaped) {
  TNMURL encoder;
  encoder.InputString = std::string("\xC9\xEE\x01\x7F\xFF", 5);
  EXPECT_EQ(encoder.EncodedInput(), "%C9%EE%01%7F%FF");
  EXPECT_EQ(Utf8PercentEncode(std::string("\xab\x00", 2)), "%AB%00");
}

TEST(QueryEncoding, EncoderAlwaysRunsAndKeepsTheLastKeyword) {
  TNMURL encoder;
  EncodeQueryKeyword(encoder, gbk(" 上海 食品 "), KeywordEncoding::Plain);
  EXPECT_EQ(encoder.InputString, gbk("上海 食品"));
  EncodeQueryKeyword(encoder, "  x y", KeywordEncoding::Utf8Percent);
  EXPECT_EQ(encoder.InputString, "x y");
}

TEST(QueryEncoding, UnknownEngineIsUrlEncoded) {
  EXPECT_EQ(encodingFor(nullptr), KeywordEncoding::GbkUrl);
  EXPECT_EQ(encodingFor(FindEngine("http://www.youdao.com")), KeywordEncoding::Plain);
  EXPECT_EQ(encodingFor(FindEngine("http://www.live.com")), KeywordEncoding::Utf8Percent);
}

namespace {
struct FailingEncoder : TNMURL {
  void appendEncodedByte(std::string& out, unsigned char byte) const override {
    if (byte == '!') throw std::runtime_error("boom");
    TNMURL::appendEncodedByte(out, byte);
  }
};
}  // namespace

TEST(QueryEncoding, ErrorFiresOnErrorAndReturnsInputUnchanged) {
  FailingEncoder encoder;
  std::string op, msg;
  TNMURL* sender = nullptr;
  encoder.OnError = [&](TNMURL& s, const std::string& o, const std::string& m) {
    sender = &s;
    op = o;
    msg = m;
  };
  encoder.InputString = "a b!";
  EXPECT_EQ(encoder.EncodedInput(), "a b!");
  EXPECT_EQ(sender, &encoder);
  EXPECT_EQ(op, "Error during encode");
  EXPECT_EQ(msg, "boom");
  // Unassigned: still no exception and the input comes back.
  encoder.OnError = nullptr;
  EXPECT_EQ(encoder.EncodedInput(), "a b!");
}
