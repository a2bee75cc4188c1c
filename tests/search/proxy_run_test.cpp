// A search over a proxy list: a refusal asks for the same address through the
// next proxy, a round of refusals falls back to the wait, an unreachable
// proxy is left out, none left ends the search, and no request goes out
// before the browser uses the proxy just set.
#include <gtest/gtest.h>

#include "run_harness.h"

using namespace valo;
using valo::testing::page;
using valo::testing::SearchHarness;

namespace {

// The browser takes a changed proxy `settleMs` after it was set.
struct FakeProxySwitch : search::ProxySwitch {
  valo::testing::FakeClock& clock;
  const search::Proxy* inUse = nullptr;
  long long setAt = 0;
  std::vector<std::string> used;  // every use(), "-" for the browser's own settings
  explicit FakeProxySwitch(valo::testing::FakeClock& c) : clock(c) {}
  void use(const search::Proxy* proxy) override {
    inUse = proxy;
    setAt = clock.now;
    used.push_back(proxy != nullptr ? proxy->host : "-");
  }
  bool inForce() const override { return used.empty() || clock.now >= setAt + 300; }
};

struct ProxyRun {
  SearchHarness r;
  FakeProxySwitch proxySwitch{r.clock};
  std::vector<std::string> carriedBy;  // the proxy in force at each request

  // `answers`, one letter per request: o a page, r refused (429), u the
  // proxy cannot be reached, h the page never completes. Two pages per
  // keyword, each with its number.
  ProxyRun(int proxies, std::string answers) {
    std::vector<search::Proxy> list;
    for (int i = 1; i <= proxies; ++i) list.push_back({search::Proxy::Kind::Http, "p" + std::to_string(i), 8000, {}, {}});
    r.hooks.loadProxies = [list] { return list; };
    r.hooks.proxySwitch = &proxySwitch;
    r.browser.onNavigate = [this] {
      EXPECT_TRUE(proxySwitch.inForce()) << "a request before the proxy is in force";
      carriedBy.push_back(proxySwitch.inUse != nullptr ? proxySwitch.inUse->host : "-");
    };
    r.browser.pageFor = [this, answers, n = 0u, good = 0](const std::string& a) mutable {
      const char answer = n < answers.size() ? answers[n] : 'o';
      ++n;
      r.browser.completes = answer != 'h';
      if (answer == 'r') return page({"请输入验证码"}, 429);
      if (answer == 'u') {
        env::PageText failed = page({"无法访问此网站"});
        failed.netError = -130;
        return failed;
      }
      const std::string fax = "传真：020-8800000" + std::to_string(good++);
      return a.find("&pn=0&") != std::string::npos ? page({fax.c_str(), "<上一页 1 2 下一页>"}) : page({fax.c_str()});
    };
  }
  // The requested addresses as letters, a new letter for each new address.
  std::string addresses() const {
    std::string out;
    std::vector<std::string> seen;
    for (const std::string& a : r.browser.requests) {
      auto it = std::find(seen.begin(), seen.end(), a);
      if (it == seen.end()) seen.push_back(a);
      out += static_cast<char>('A' + (std::find(seen.begin(), seen.end(), a) - seen.begin()));
    }
    return out;
  }
  std::string carried() const {
    std::string out;
    for (const std::string& p : carriedBy) out += p.substr(1);
    return out;
  }
};

struct ProxyCase {
  const char* name;
  int proxies;
  const char* answers;
  const char* addresses;  // the unrefused sequence with each refused address repeated
  const char* carried;    // the proxy of each request
  int numbers;
  const char* endText;
};

void PrintTo(const ProxyCase& c, std::ostream* os) {
  *os << c.name;
}

class ProxyRunTable : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(ProxyRunTable, RequestsProxiesAndEnd) {
  const ProxyCase c = GetParam();
  ProxyRun p(c.proxies, c.answers);
  p.r.search();
  p.r.clock.advance(60LL * 60 * 1000);
  EXPECT_EQ(p.addresses(), c.addresses);
  EXPECT_EQ(p.carried(), c.carried);
  EXPECT_EQ(p.r.window.results.list.size(), static_cast<std::size_t>(c.numbers));
  EXPECT_EQ(p.r.window.status(6), c.endText);
  // The browser has its own settings back once the search is over.
  EXPECT_EQ(p.proxySwitch.used.back(), "-");
  EXPECT_TRUE(p.r.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Proxies, ProxyRunTable,
    ::testing::Values(
        ProxyCase{"refusal_next_proxy_same_address", 3, "oroo", "ABBCD", "11222", 4,
                  "搜索已经结束！（被拒绝 1 次，换代理 1 次）"},
        ProxyCase{"first_request_refused", 2, "r", "AABCD", "12222", 4, "搜索已经结束！（被拒绝 1 次，换代理 1 次）"},
        ProxyCase{"round_wraps_around", 2, "oroor", "ABBCDD", "112221", 4,
                  "搜索已经结束！（被拒绝 2 次，换代理 2 次）"},
        ProxyCase{"all_refused_then_the_wait", 2, "orr", "ABBBCD", "112222", 4,
                  "搜索已经结束！（被拒绝 2 次，换代理 1 次）"},
        ProxyCase{"one_proxy_waits_as_without", 1, "or", "ABBCD", "11111", 4, "搜索已经结束！（被拒绝 1 次）"},
        ProxyCase{"unreachable_skipped", 3, "ou", "ABBCD", "11222", 4, "搜索已经结束！（换代理 1 次）"},
        ProxyCase{"unreachable_left_out_of_the_round", 3, "orur", "ABBBBCD", "1123333", 4,
                  "搜索已经结束！（被拒绝 2 次，换代理 2 次）"},
        ProxyCase{"a_page_that_never_completes_is_the_proxys_timeout", 2, "oh", "ABBCD", "11222", 4,
                  "搜索已经结束！（换代理 1 次）"},
        ProxyCase{"none_usable", 2, "ouu", "ABB", "112", 1, "搜索已中止：没有可用的代理（换代理 1 次）"}));

TEST(ProxyRun, AllRefusedWaitsThenAsksThroughTheLastProxy) {
  ProxyRun p(2, "orr");
  p.r.search();
  p.r.clock.advance(8000 + 300 + 8000 + 300 + 8000);  // page 1, refused by p1, refused by p2
  EXPECT_TRUE(p.r.driver.waitingAfterRefusal());
  EXPECT_EQ(p.r.timer3.due() - p.r.clock.now, 120000);
  EXPECT_EQ(p.r.window.status(6), "搜索引擎要求验证：请在浏览器中完成验证，或等待 120 秒后自动重试　代理 2/2：p2:8000");
  ASSERT_EQ(p.r.window.blockedNotices.size(), 2u);  // the round's first refusal and the wait
  EXPECT_EQ(p.r.window.blockedNotices[0], gbk("搜索引擎拒绝了代理 p1:8000，换用下一个代理　代理 2/2：p2:8000"));
}

TEST(ProxyRun, NoUsableProxyOffersTheKeywordAgain) {
  ProxyRun p(1, "u");
  p.r.search();
  p.r.clock.advance(60000);
  EXPECT_EQ(p.r.window.status(6), "搜索已中止：没有可用的代理");
  EXPECT_EQ(p.r.s().KeywordIndex, 0);
  EXPECT_EQ(p.r.progressSaves, 1);
}

TEST(ProxyRun, StopWhileTheProxySettlesEndsTheSearch) {
  ProxyRun p(2, "");
  p.r.search();
  EXPECT_EQ(p.r.driver.phase(), search::RunPhase::ProxySettle);
  EXPECT_EQ(p.r.window.status(6), "正在搜索...　代理 1/2：p1:8000");
  p.r.guarded([&] { p.r.driver.N3Click(); });
  EXPECT_EQ(p.r.driver.phase(), search::RunPhase::Idle);
  EXPECT_EQ(p.r.window.status(6), "搜索已经结束！");
  EXPECT_TRUE(p.r.browser.requests.empty());
  EXPECT_EQ(p.proxySwitch.used, (std::vector<std::string>{"p1", "-"}));
}

TEST(ProxyRun, AnEmptyListLeavesTheBrowsersSettingsAloneAndCountsNothing) {
  ProxyRun p(0, "");
  p.r.search();
  p.r.clock.advance(60000);
  EXPECT_TRUE(p.proxySwitch.used.empty());
  EXPECT_EQ(p.r.window.status(6), "搜索已经结束！");

  // After a search that switched, a list emptied since.
  ProxyRun q(2, "u");
  q.r.search();
  q.r.clock.advance(60000);
  EXPECT_EQ(q.r.window.status(6), "搜索已经结束！（换代理 1 次）");
  q.r.hooks.loadProxies = [] { return std::vector<search::Proxy>{}; };
  q.r.search();
  q.r.clock.advance(60000);
  EXPECT_EQ(q.r.window.status(6), "搜索已经结束！");
  EXPECT_EQ(q.proxySwitch.used, (std::vector<std::string>{"p1", "p2", "-"}));
}

}  // namespace
