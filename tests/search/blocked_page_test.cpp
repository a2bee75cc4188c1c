// Which pages are an engine's refusal: the refusal statuses, the verification
// texts, and the results that make a page never blocked.
#include "search/blocked_page.h"

#include <gtest/gtest.h>

#include "text/gbk.h"
#include "text/text_lines.h"

using namespace valo;
using namespace valo::search;

namespace {

bool blocked(int status, std::initializer_list<const char*> utf8Lines,
             const char* engine = "http://www.baidu.com") {
  GbkString text;
  for (const char* l : utf8Lines) text += gbk(l) + "\r\n";
  TextLines lines(text);
  const std::vector<std::string_view> v = lines.lines();
  return isBlockedPage(status, v, FindEngine(engine));
}

TEST(BlockedPage, RefusalStatuses) {
  for (int status : {403, 429, 503}) EXPECT_TRUE(isRefusalStatus(status)) << status;
  for (int status : {0, 200, 301, 404, 500, 502}) EXPECT_FALSE(isRefusalStatus(status)) << status;
}

TEST(BlockedPage, VerificationTexts) {
  struct Case {
    const char* line;
    bool holds;
  };
  const Case cases[] = {
      {"百度安全验证", true},
      {"请输入验证码以继续访问", true},
      {"请完成下方人机验证", true},
      {"您的访问过于频繁，请稍后再试", true},
      {"Our systems have detected unusual traffic from your computer network.", true},
      {"UNUSUAL TRAFFIC", true},
      {"Please confirm you are not a robot", true},
      {"robots.txt", false},
      {"深圳某某机械有限公司 传真：0755-12345678", false},
      {"验证", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(holdsVerificationRequest(gbk(c.line)), c.holds) << c.line;
}

// A verification word must start at a character: its bytes inside other
// characters (here the second byte of one and the first of the next) do not count.
TEST(BlockedPage, VerificationTextsMatchOnlyWholeCharacters) {
  const GbkString word = gbk("验证码");
  ASSERT_EQ(word.size(), 6u);
  GbkString shifted = "\xB0" + word.substr(0, 5);  // 0xB0 pairs with word[0]
  EXPECT_FALSE(holdsVerificationRequest(shifted));
  EXPECT_TRUE(holdsVerificationRequest("a" + word));
}

TEST(BlockedPage, Decision) {
  struct Case {
    const char* name;
    int status;
    std::initializer_list<const char*> lines;
    bool blocked;
  };
  const Case cases[] = {
      {"ordinary result page", 200, {"公司 传真：0755-12345678", "<上一页 1 2 下一页>"}, false},
      {"ordinary error page", 500, {"服务器内部错误"}, false},
      {"empty page", 200, {}, false},
      {"429 with a check", 429, {"请输入验证码"}, true},
      {"403 without text", 403, {}, true},
      {"503 plain", 503, {"Service Unavailable"}, true},
      {"check with status 200", 200, {"百度安全验证", "请完成下方验证后继续操作"}, true},
      {"check, status unknown", 0, {"unusual traffic"}, true},
      {"check text beside a number", 200, {"验证码登录", "传真：021-12345678"}, false},
      {"refusal status beside a number", 429, {"传真：021-12345678"}, false},
      {"check text beside a pager", 200, {"安全验证", "<上一页 1 2 下一页>"}, false},
      {"refusal status beside a pager", 503, {"<上一页 1 2 下一页>"}, false},
      // A number too short to be listed is no number.
      {"check text beside a short number", 200, {"验证码", "传真：12345678"}, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(blocked(c.status, c.lines), c.blocked) << c.name;
  }
}

// With status 200 only a page that looks like a check is one: a few short
// lines with the request at the top. The refusal statuses need no such look.
TEST(BlockedPage, PageLevelEvidence) {
  const std::string header = "百度一下\r\n网页 资讯 贴吧\r\n找到相关结果约100个\r\n搜索工具\r\n某公司\r\n";
  const std::string mention = "登录请输入短信验证码\r\n";
  struct Case {
    const char* name;
    int status;
    std::string text;  // UTF-8, CR LF lines
    bool blocked;
  };
  const Case cases[] = {
      {"request on the fifth line", 200, "a\r\nb\r\nc\r\nd\r\n" + mention, true},
      {"request below the top", 200, header + mention, false},
      {"request below the top, refusal status", 403, header + mention, true},
      {"request at the top of a large page", 200, mention + std::string(4096, 'x') + "\r\n", false},
      {"request at the top of a page of many lines", 200, mention + [] {
         std::string many;
         for (int i = 0; i < 40; ++i) many += "x\r\n";
         return many;
       }(),
       false},
      {"request at the top of a page of 40 lines", 200, mention + [] {
         std::string many;
         for (int i = 0; i < 39; ++i) many += "x\r\n";
         return many;
       }(),
       true},
  };
  for (const Case& c : cases) {
    const GbkString text = gbk(c.text);
    EXPECT_EQ(isBlockedPage(c.status, text, FindEngine("http://www.baidu.com")), c.blocked) << c.name;
    TextLines lines(text);
    const std::vector<std::string_view> v = lines.lines();
    EXPECT_EQ(isBlockedPage(c.status, v, FindEngine("http://www.baidu.com")), c.blocked) << c.name;
  }
}

// The pager exemption is the engine's own rule: Baidu's pager line does not
// pass on Sogou, so a Sogou check page carrying it is still blocked.
TEST(BlockedPage, PagerExemptionFollowsTheEngine) {
  EXPECT_FALSE(blocked(429, {"<上一页 1 2 下一页>"}, "http://www.baidu.com"));
  EXPECT_TRUE(blocked(429, {"<上一页 1 2 下一页>"}, "http://www.sogou.com"));
  // With no engine selected no line can pass; only a number exempts.
  EXPECT_TRUE(blocked(429, {"下一页"}, "no engine"));
  EXPECT_FALSE(blocked(429, {"传真：021-12345678"}, "no engine"));
}

}  // namespace
