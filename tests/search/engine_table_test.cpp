// Every row of the query composition and page cap tables, and the selection
// rule of the engine box.
#include <gtest/gtest.h>

#include "search/engine_table.h"

using namespace valo::search;

namespace {

struct Row {
  const char* home;
  const char* headWithK;    // head for encoded keyword "K"
  const char* firstTail0;   // first-request tail at the engine's first PageIndex
  const char* readerTail0;  // page-reader tail at PageIndex 0
  const char* readerTail1;  // page-reader tail at PageIndex 1
  std::int32_t firstPageIndex;
  KeywordEncoding encoding;
  std::int32_t cap;
  std::int32_t lastIndexBelowCap;  // largest PageIndex whose measure is below the cap
};

const Row kRows[] = {
    {"http://www.baidu.com", "http://www.baidu.com/baidu?lm=0&si=&rn=10&ie=gb2312&ct=0&word=K&pn=", "0&cl=3",
     "0&cl=3", "10&cl=3", 0, KeywordEncoding::GbkUrl, 750, 74},
    {"http://www.google.com.hk",
     "http://www.google.com.hk/search?q=K&hl=zh-CN&lr=lang_zh-CN|lang_zh-TW&newwindow=1&start=", "0&sa=N",
     "0&sa=N", "10&sa=N", 0, KeywordEncoding::GbkUrl, 750, 74},
    {"http://www.yahoo.cn", "http://www.yahoo.cn/s?p=K&pid=hp&v=web&b=", "0", "0", "10", 0,
     KeywordEncoding::GbkUrl, 990, 98},
    {"http://www.soso.com", "http://www.soso.com/q?w=K&lr=&sc=web&ch=w.p&filter=1&num=10&gid=&cin=&site=&pg=",
     "1", "0", "1", 1, KeywordEncoding::GbkUrl, 60, 59},
    {"http://www.sogou.com", "http://www.sogou.com/web?query=K&pid=58009401&page=",
     "0&duppid=1&p=40040100&dp=1&w=01019900&dr=1", "0&duppid=1&p=40040100&dp=1&w=01019900&dr=1",
     "1&duppid=1&p=40040100&dp=1&w=01019900&dr=1", 0, KeywordEncoding::GbkUrl, 990, 98},
    {"http://www.gougou.com", "http://search.gougou.com/bfs?search=K&page=", "1&id=10000001&f=1&t=-1",
     "0&id=10000001&restype=-1", "1&id=10000001&restype=-1", 1, KeywordEncoding::GbkUrl, 76, 75},
    {"http://www.youdao.com", "http://www.youdao.com/search?q=K&start=", "0&keyfrom=web.page",
     "0&keyfrom=web.page", "10&keyfrom=web.page", 0, KeywordEncoding::Plain, 49, 48},
    {"http://www.live.com", "http://search.live.com/results.aspx?q=K&first=", "1&FORM=PERE", "1&FORM=PERE",
     "11&FORM=PERE", 0, KeywordEncoding::Utf8Percent, 99, 98},
    {"http://www.zhongsou.com", "http://p.zhongsou.com/p?w=K&b=", "1&n=0&pt=1&dt=1", "0&n=0&pt=1&dt=1",
     "1&n=0&pt=1&dt=1", 1, KeywordEncoding::GbkUrl, 100, 99},
    {"http://www.114search.com",
     "http://www.114search.com/search_web.html?id=1&fm=index&bt=s&st=web&kw=K&start=", "0", "0", "10", 0,
     KeywordEncoding::GbkUrl, 99, 98},
};

}  // namespace

TEST(EngineTable, EveryRowComposesItsAddresses) {
  ASSERT_EQ(engineTable().size(), std::size(kRows));
  for (const Row& r : kRows) {
    SCOPED_TRACE(r.home);
    const SearchEngine* e = FindEngine(r.home);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(composeQueryHead(*e, "K"), r.headWithK);
    EXPECT_EQ(e->firstPageIndex, r.firstPageIndex);
    EXPECT_EQ(composeQueryTail(*e, e->firstPageIndex, RequestKind::First), r.firstTail0);
    EXPECT_EQ(composeQueryTail(*e, 0, RequestKind::PageReader), r.readerTail0);
    EXPECT_EQ(composeQueryTail(*e, 1, RequestKind::PageReader), r.readerTail1);
    EXPECT_EQ(e->encoding, r.encoding);
    EXPECT_EQ(e->pageCap, r.cap);
    // The reader tests the cap with PageIndex already one above the page read.
    EXPECT_FALSE(pageCapReached(*e, r.lastIndexBelowCap));
    EXPECT_TRUE(pageCapReached(*e, r.lastIndexBelowCap + 1));
  }
}

TEST(EngineTable, HomeAddressesAreDistinctBareHosts) {
  for (const SearchEngine& a : engineTable()) {
    EXPECT_TRUE(a.homeAddress.starts_with("http://"));
    EXPECT_EQ(a.homeAddress.find('/', 7), std::string_view::npos) << a.homeAddress;
    for (const SearchEngine& b : engineTable()) {
      if (&a != &b) {
        EXPECT_NE(a.homeAddress, b.homeAddress);
      }
    }
  }
  // Gougou, Live Search and Zhongsou query a host of their own.
  int ownHosts = 0;
  for (const SearchEngine& e : engineTable()) ownHosts += e.homeAddress.substr(7) != e.queryHost;
  EXPECT_EQ(ownHosts, 3);
}

TEST(EngineTable, SelectionIsExactAndCaseSensitive) {
  EXPECT_EQ(FindEngine("http://www.baidu.com")->service, Service::Baidu);
  for (const char* text : {"http://www.baidu.com/", "HTTP://www.baidu.com", "http://www.Baidu.com",
                           " http://www.baidu.com", "http://www.baidu.com ", "", "www.baidu.com"}) {
    EXPECT_EQ(FindEngine(text), nullptr) << '"' << text << '"';
  }
}

TEST(EngineTable, PageNumbersOverAKeyword) {
  // Live Search: first page 1, then 11.
  const SearchEngine& live = *FindEngine("http://www.live.com");
  EXPECT_EQ(composeQueryTail(live, 0, RequestKind::First), "1&FORM=PERE");
  EXPECT_EQ(composeQueryTail(live, 1, RequestKind::PageReader), "11&FORM=PERE");
  // Yahoo China, Soso and 114search end with the page number itself.
  for (const char* home : {"http://www.yahoo.cn", "http://www.soso.com", "http://www.114search.com"}) {
    const SearchEngine& e = *FindEngine(home);
    const std::string address = composeQueryHead(e, "K") + composeQueryTail(e, 3, RequestKind::PageReader);
    EXPECT_TRUE(address.ends_with(e.pageNumber == PageNumberRule::Index ? "=3" : "=30")) << address;
  }
  // Sogou numbers pages by PageIndex but caps on PageIndex x 10; Youdao and
  // 114search the other way round.
  EXPECT_EQ(pageMeasure(*FindEngine("http://www.sogou.com"), 98), 980);
  EXPECT_EQ(pageMeasure(*FindEngine("http://www.youdao.com"), 48), 48);
  EXPECT_EQ(composeQueryTail(*FindEngine("http://www.youdao.com"), 48, RequestKind::PageReader),
            "480&keyfrom=web.page");
}
