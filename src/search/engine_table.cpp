// The engine table's rows and the query composition over them.
#include "search/engine_table.h"

namespace valo::search {
namespace {

using enum Service;
using enum KeywordEncoding;
using R = PageNumberRule;
using M = PageMeasure;

// Home addresses are the engines' public host names; three engines take
// their queries on a host of their own.
constexpr std::array<SearchEngine, 10> kEngines{{
    {Baidu, "Baidu", "http://www.baidu.com", "www.baidu.com", "/baidu?lm=0&si=&rn=10&ie=gb2312&ct=0&word=",
     "&pn=", R::IndexTimes10, "&cl=3", "&cl=3", 0, GbkUrl, M::IndexTimes10, 750},
    {GoogleHK, "Google (Hong Kong)", "http://www.google.com.hk", "www.google.com.hk",
     "/search?q=", "&hl=zh-CN&lr=lang_zh-CN|lang_zh-TW&newwindow=1&start=", R::IndexTimes10, "&sa=N", "&sa=N",
     0, GbkUrl, M::IndexTimes10, 750},
    {YahooChina, "Yahoo China", "http://www.yahoo.cn", "www.yahoo.cn",
     "/s?p=", "&pid=hp&v=web&b=", R::IndexTimes10, "", "", 0, GbkUrl, M::IndexTimes10, 990},
    {Soso, "Soso", "http://www.soso.com", "www.soso.com", "/q?w=",
     "&lr=&sc=web&ch=w.p&filter=1&num=10&gid=&cin=&site=&pg=", R::Index, "", "", 1, GbkUrl, M::Index, 60},
    {Sogou, "Sogou", "http://www.sogou.com", "www.sogou.com", "/web?query=", "&pid=58009401&page=", R::Index,
     "&duppid=1&p=40040100&dp=1&w=01019900&dr=1", "&duppid=1&p=40040100&dp=1&w=01019900&dr=1", 0, GbkUrl,
     M::IndexTimes10, 990},
    {Gougou, "Gougou", "http://www.gougou.com", "search.gougou.com", "/bfs?search=", "&page=", R::Index,
     "&id=10000001&f=1&t=-1", "&id=10000001&restype=-1", 1, GbkUrl, M::Index, 76},
    {Youdao, "Youdao", "http://www.youdao.com", "www.youdao.com", "/search?q=", "&start=", R::IndexTimes10,
     "&keyfrom=web.page", "&keyfrom=web.page", 0, Plain, M::Index, 49},
    {LiveSearch, "Live Search", "http://www.live.com", "search.live.com", "/results.aspx?q=", "&first=",
     R::IndexTimes10Plus1, "&FORM=PERE", "&FORM=PERE", 0, Utf8Percent, M::Index, 99},
    {Zhongsou, "Zhongsou", "http://www.zhongsou.com", "p.zhongsou.com", "/p?w=", "&b=", R::Index,
     "&n=0&pt=1&dt=1", "&n=0&pt=1&dt=1", 1, GbkUrl, M::Index, 100},
    {Search114, "114search", "http://www.114search.com", "www.114search.com",
     "/search_web.html?id=1&fm=index&bt=s&st=web&kw=", "&start=", R::IndexTimes10, "", "", 0, GbkUrl,
     M::Index, 99},
}};

}  // namespace

const std::array<SearchEngine, 10>& engineTable() {
  return kEngines;
}

const SearchEngine* FindEngine(std::string_view text) {
  for (const SearchEngine& e : kEngines) {
    if (e.homeAddress == text) return &e;
  }
  return nullptr;
}

std::string composeQueryHead(const SearchEngine& e, std::string_view encodedKeyword) {
  std::string head;
  head.reserve(e.scheme.size() + e.queryHost.size() + e.pathHead.size() + encodedKeyword.size() + e.pageKey.size());
  head.append(e.scheme).append(e.queryHost).append(e.pathHead).append(encodedKeyword).append(e.pageKey);
  return head;
}

std::string composeQueryTail(const SearchEngine& e, std::int32_t PageIndex, RequestKind kind) {
  std::int64_t number = PageIndex;
  switch (e.pageNumber) {
    case PageNumberRule::Index:
      break;
    case PageNumberRule::IndexTimes10:
      number *= 10;
      break;
    case PageNumberRule::IndexTimes10Plus1:
      number = number * 10 + 1;
      break;
    case PageNumberRule::IndexPlus1:
      number += 1;
      break;
  }
  std::string tail = std::to_string(number);
  tail.append(kind == RequestKind::First ? e.firstSuffix : e.readerSuffix);
  return tail;
}

std::int64_t pageMeasure(const SearchEngine& e, std::int32_t PageIndex) {
  return e.measure == PageMeasure::IndexTimes10 ? std::int64_t{PageIndex} * 10 : PageIndex;
}

}  // namespace valo::search
