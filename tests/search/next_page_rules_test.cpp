// The engines' next-page rules on GBK lines.
#include <gtest/gtest.h>

#include "search/next_page_rules.h"
#include "text/gbk.h"

using namespace valo::search;
using valo::gbk;

TEST(NextPageRules, Table) {
  struct Case {
    Service service;
    const char* line;
    bool passes;
  };
  const Case cases[] = {
      {Service::Baidu, "<上一页 1 2 3 下一页>", true},
      {Service::Baidu, "1 2 3 下一页>", true},
      {Service::Baidu, "  <上一页 1 2 下一页>", false},  // untrimmed
      {Service::Baidu, "2 3 下一页>", false},
      {Service::Baidu, "1 2 3 下一页", false},
      {Service::YahooChina, "  上一页 1 2 下一页", true},  // trimmed first
      {Service::YahooChina, "\t1 2 3 下一页", true},
      {Service::YahooChina, "结果 下一页", false},
      {Service::Sogou, "<<上一页 [1] 2 下一页>>", true},
      {Service::Sogou, "  1 [2] 下一页>>", true},         // first "1" at byte 3
      {Service::Sogou, "   1 [2] 下一页>>", false},       // ... at byte 4
      {Service::Sogou, "<<上一页 1] 2 下一页>>", false},  // no "["
      {Service::Sogou, "  1 [2] 下一页>", false},
      {Service::GoogleHK, "文字 下一页 文字", true},
      {Service::Youdao, "下一页", true},
      {Service::LiveSearch, "上一页", false},
      {Service::Search114, "x下一页", true},
      {Service::Soso, "下一页>", true},
      {Service::Soso, "下一页", false},
      {Service::Gougou, "[1] 下一页", true},
      {Service::Gougou, "[1]下一页", false},
      {Service::Zhongsou, "] 下一页", true},
      {Service::Zhongsou, "]  下一页", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(linePassesNextPageRule(c.service, gbk(c.line)), c.passes)
        << static_cast<int>(c.service) << " " << c.line;
  }
}

TEST(NextPageRules, OneByteBracketsMatchSecondBytesOfChineseCharacters) {
  // "輄" is GBK DD 5D: its trail byte is "]", so Sogou's "]" test passes on it.
  const std::string trailBracket = "\xDD\x5D";
  EXPECT_TRUE(linePassesNextPageRule(Service::Sogou, gbk("<<上一页 [1") + trailBracket + gbk("下一页>>")));
  // "鏪" is GBK E7 5B: a trail byte "[".
  const std::string trailOpen = "\xE7\x5B";
  EXPECT_TRUE(linePassesNextPageRule(Service::Sogou, gbk("<<上一页 ") + trailOpen + gbk("1] 下一页>>")));
}
