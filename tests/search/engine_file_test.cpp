// The engines file: which sections load and which faults are told, the
// addresses a file engine composes, and its next-page and verification texts.
#include <gtest/gtest.h>

#include "search/blocked_page.h"
#include "search/engine_catalogue.h"
#include "search/engine_file.h"
#include "search/next_page_rules.h"
#include "search/query_encoding.h"
#include "text/gbk.h"

using namespace valo::search;
using valo::gbk;

namespace {

std::string section(const std::string& name, const std::string& lines) {
  return "[" + name + "]\n" + lines;
}

const std::string kGood =
    "home = https://www.so.com\n"
    "query = https://www.so.com/s?q={keyword}&pn={page}\n"
    "page = index+1\n"
    "encoding = utf8-url\n"
    "next = 下一页\n"
    "cap = 10\n";

// kGood with one key's line replaced (or removed when `line` is empty).
std::string goodWith(const std::string& key, const std::string& line) {
  std::string out;
  std::size_t from = 0;
  while (from < kGood.size()) {
    const std::size_t end = kGood.find('\n', from);
    const std::string l = kGood.substr(from, end - from + 1);
    out += l.starts_with(key + " ") ? (line.empty() ? "" : line + "\n") : l;
    from = end + 1;
  }
  return out;
}

// A catalogue holding the engines of `text`, which must have no fault.
struct FileEnginesInstalled {
  explicit FileEnginesInstalled(const std::string& text) {
    EngineFileContents c = parseEngineFile(text);
    EXPECT_TRUE(c.problems.empty()) << describeProblems(c.problems).toStdString();
    engines.replaceFileEngines(std::move(c.engines));
  }
  const SearchEngine* find(std::string_view text) const { return engines.find(text); }
  EngineCatalogue engines;
};

}  // namespace

TEST(EngineFile, EachFaultLeavesItsSectionOutAndNamesSectionAndKey) {
  struct Case {
    const char* name;
    std::string text;  // one faulty section "bad", then a good one
    const char* key;
  };
  const Case cases[] = {
      {"missing home", goodWith("home", ""), "home"},
      {"home with path", goodWith("home", "home = https://www.so.com/"), "home"},
      {"home without scheme", goodWith("home", "home = www.so.com"), "home"},
      {"built-in home", goodWith("home", "home = http://www.baidu.com"), "home"},
      {"no keyword", goodWith("query", "query = https://www.so.com/s?q=x&pn={page}"), "query"},
      {"no page", goodWith("query", "query = https://www.so.com/s?q={keyword}"), "query"},
      {"page first", goodWith("query", "query = https://www.so.com/s?pn={page}&q={keyword}"), "query"},
      {"keyword in host", goodWith("query", "query = https://{keyword}.so.com/?pn={page}"), "query"},
      {"space in query", goodWith("query", "query = https://www.so.com/s?q={keyword}&x=a b&pn={page}"), "query"},
      {"unknown page rule", goodWith("page", "page = index*20"), "page"},
      {"unknown encoding", goodWith("encoding", "encoding = big5"), "encoding"},
      {"empty next", goodWith("next", "next = | "), "next"},
      {"next not in GBK", goodWith("next", "next = 다음"), "next"},
      {"cap not a number", goodWith("cap", "cap = ten"), "cap"},
      {"cap zero", goodWith("cap", "cap = 0"), "cap"},
      {"duplicate key", kGood + "cap = 20\n", "cap"},
      {"not UTF-8", goodWith("next", "next = \xCF\xC2\xD2\xBB\xD2\xB3"), "next"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string other = section("good", goodWith("home", "home = https://good.example"));
    const EngineFileContents got = parseEngineFile(section("bad", c.text) + other);
    ASSERT_EQ(got.engines.size(), 1u);
    EXPECT_EQ(got.engines[0]->row().homeAddress, "https://good.example");
    ASSERT_FALSE(got.problems.empty());
    EXPECT_EQ(got.problems[0].section, QStringLiteral("bad"));
    EXPECT_EQ(got.problems[0].key, QString::fromLatin1(c.key));
    EXPECT_FALSE(got.problems[0].what.isEmpty());
  }
}

TEST(EngineFile, GoodSectionsLoadInOrderAndLaterDuplicatesAreRefused) {
  const std::string text = "\xEF\xBB\xBF; comment\r\n" + section("360搜索", kGood) + "\n# note\n" +
                           section("\xCB\xD1", goodWith("home", "home = https://gbk.example")) +
                           section("second", goodWith("home", "home = http://127.0.0.1:8080")) +
                           section("again", kGood);
  const EngineFileContents got = parseEngineFile(text);
  ASSERT_EQ(got.engines.size(), 2u);
  EXPECT_EQ(got.engines[0]->section(), "360搜索");
  EXPECT_EQ(got.engines[1]->row().homeAddress, "http://127.0.0.1:8080");
  ASSERT_EQ(got.problems.size(), 2u) << describeProblems(got.problems).toStdString();
  EXPECT_EQ(got.problems[0].line, 11);  // the unreadable section name, told once
  EXPECT_EQ(got.problems[1].section, QStringLiteral("again"));
  EXPECT_EQ(got.problems[1].key, QStringLiteral("home"));
}

TEST(EngineFile, TheShippedExampleLoadsWhole) {
  const EngineFileContents got = parseEngineFile(exampleEngineFile());
  EXPECT_TRUE(got.problems.empty()) << describeProblems(got.problems).toStdString();
  std::vector<std::string_view> homes;
  for (const auto& e : got.engines) homes.push_back(e->row().homeAddress);
  EXPECT_EQ(homes, (std::vector<std::string_view>{"https://www.baidu.com", "https://www.sogou.com",
                                                  "https://www.so.com", "https://cn.bing.com"}));
}

// Keyword "深圳 a-b" for each rule and encoding, composed as the run does.
TEST(EngineFile, QueryAddressesForEachPageRuleAndEncoding) {
  struct Case {
    const char* page;
    const char* encoding;
    std::int32_t pageIndex;
    std::string address;
  };
  const Case cases[] = {
      {"index", "gbk-url", 0, "https://q.example/s?q=%C9%EE%DB%DA+a%2Db&pn=0&x=1"},
      {"index+1", "utf8-url", 0, "https://q.example/s?q=%E6%B7%B1%E5%9C%B3%20a-b&pn=1&x=1"},
      {"index*10", "utf8-percent", 2, "https://q.example/s?q=%E6%B7%B1%E5%9C%B3%20%61%2D%62&pn=20&x=1"},
      {"index*10+1", "plain", 3, "https://q.example/s?q=" + gbk("深圳 a-b") + "&pn=31&x=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    FileEnginesInstalled installed(section("e", "home = https://e.example\n"
                                                "query = https://q.example/s?q={keyword}&pn={page}&x=1\n"
                                                "page = " + std::string(c.page) + "\nencoding = " + c.encoding +
                                                "\nnext = 下一页\ncap = 5\n"));
    const SearchEngine* e = installed.find("https://e.example");
    ASSERT_NE(e, nullptr);
    TNMURL encoder;
    const std::string keyword = EncodeQueryKeyword(encoder, gbk(" 深圳 a-b\t"), encodingFor(e));
    EXPECT_EQ(composeQueryHead(*e, keyword) + composeQueryTail(*e, c.pageIndex, RequestKind::PageReader),
              c.address);
    EXPECT_EQ(composeQueryTail(*e, c.pageIndex, RequestKind::First),
              composeQueryTail(*e, c.pageIndex, RequestKind::PageReader));
    EXPECT_EQ(e->firstPageIndex, 0);
    EXPECT_FALSE(pageCapReached(*e, 4));
    EXPECT_TRUE(pageCapReached(*e, 5));
  }
  // The table alone never knows a file's engine.
  EXPECT_EQ(FindEngine("https://e.example"), nullptr);
}

TEST(EngineFile, TheCatalogueKeepsTheTableFirstAndMatchesExactly) {
  FileEnginesInstalled installed(section("e", kGood));
  EXPECT_EQ(installed.find("http://www.baidu.com"), &engineTable()[0]);
  ASSERT_NE(installed.find("https://www.so.com"), nullptr);
  EXPECT_EQ(installed.find("https://www.so.com")->service, Service::FromFile);
  EXPECT_EQ(installed.find("https://www.so.com/"), nullptr);
  EXPECT_EQ(installed.find("HTTPS://www.so.com"), nullptr);
  // Another catalogue holds its own engines.
  EXPECT_EQ(EngineCatalogue().find("https://www.so.com"), nullptr);
}

TEST(EngineFile, NextPageAndVerificationTexts) {
  FileEnginesInstalled installed(section("e", goodWith("next", "next = 下一页> | 后页\nnext-start = 第\n"
                                                               "verify = 请稍候再试 | Prove it")));
  const SearchEngine& e = *installed.find("https://www.so.com");
  struct Case {
    const char* line;
    bool passes;
  };
  const Case cases[] = {
      {"  第 1 2 3 下一页>", true}, {"第 1 后页", true},     {"第 1 下一页", false},
      {"1 2 下一页>", false},       {"第 1 2 上一页", false},
  };
  for (const Case& c : cases) EXPECT_EQ(linePassesNextPageRule(e, gbk(c.line)), c.passes) << c.line;
  EXPECT_TRUE(isBlockedPage(200, gbk("请稍候再试\r\n"), &e));
  EXPECT_TRUE(isBlockedPage(200, gbk("Prove it\r\n"), &e));
  EXPECT_FALSE(isBlockedPage(200, gbk("请稍候再试\r\n"), FindEngine("http://www.baidu.com")));
}
