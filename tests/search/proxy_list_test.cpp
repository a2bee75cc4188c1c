// The proxy list's lines: the forms it takes and the reasons it gives.
#include <gtest/gtest.h>

#include "search/proxy_list.h"

using valo::search::parseProxyLine;
using valo::search::parseProxyList;
using valo::search::Proxy;
using Kind = valo::search::Proxy::Kind;

namespace {

struct LineCase {
  const char* line;
  Proxy proxy;         // when good
  const char* reason;  // empty when good
};

void PrintTo(const LineCase& c, std::ostream* os) {
  *os << '"' << c.line << '"';
}

class ProxyLineTable : public ::testing::TestWithParam<LineCase> {};

TEST_P(ProxyLineTable, ParsesOrGivesTheReason) {
  const LineCase c = GetParam();
  Proxy proxy;
  std::string reason;
  const bool good = parseProxyLine(c.line, proxy, reason);
  EXPECT_EQ(reason, c.reason) << c.line;
  EXPECT_EQ(good, *c.reason == '\0') << c.line;
  if (good) {
    EXPECT_EQ(proxy, c.proxy) << c.line;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ProxyLineTable,
    ::testing::Values(
        LineCase{"http://10.0.0.1:8080", {Kind::Http, "10.0.0.1", 8080, "", ""}, ""},
        LineCase{"  HTTP://proxy.example.com:3128/  ", {Kind::Http, "proxy.example.com", 3128, "", ""}, ""},
        LineCase{"socks5://127.0.0.1:1080", {Kind::Socks5, "127.0.0.1", 1080, "", ""}, ""},
        LineCase{"http://me:s3:cr@t@host:80", {Kind::Http, "host", 80, "me", "s3:cr@t"}, ""},
        LineCase{"http://me:@host:80", {Kind::Http, "host", 80, "me", ""}, ""},
        LineCase{"http://[::1]:8080", {Kind::Http, "::1", 8080, "", ""}, ""},
        LineCase{"https://host:443", {}, "不是以 http:// 或 socks5:// 开头"},
        LineCase{"host:8080", {}, "不是以 http:// 或 socks5:// 开头"},
        LineCase{"socks4://host:1080", {}, "不是以 http:// 或 socks5:// 开头"},
        LineCase{"http://host", {}, "缺少端口"},
        LineCase{"http://:8080", {}, "缺少主机"},
        LineCase{"http://host:0", {}, "端口不是 1 到 65535 之间的数字"},
        LineCase{"http://host:65536", {}, "端口不是 1 到 65535 之间的数字"},
        LineCase{"http://host:80x", {}, "端口不是 1 到 65535 之间的数字"},
        LineCase{"http://host:", {}, "端口不是 1 到 65535 之间的数字"},
        LineCase{"http://host:80/path", {}, "地址后面不能有路径或空格"},
        LineCase{"http://my host:80", {}, "地址后面不能有路径或空格"},
        LineCase{"http://user@host:80", {}, "用户名和密码之间缺少冒号"},
        LineCase{"http://:pw@host:80", {}, "用户名为空"},
        LineCase{"http://::1:80", {}, "IPv6 地址要写在 [ ] 中"},
        LineCase{"http://[::1:80", {}, "IPv6 地址缺少 ]"},
        LineCase{"http://[[::1]:80", {}, "[ ] 中不是 IPv6 地址"},
        LineCase{"http://[host]:80", {}, "[ ] 中不是 IPv6 地址"},
        LineCase{"http://ho]st:80", {}, "主机名中不能有 [ 或 ]"},
        LineCase{"socks5://me:pw@host:1080", {}, "浏览器不支持带用户名和密码的 SOCKS5 代理"}));

TEST(ProxyList, KeepsOrderSkipsBlanksAndCommentsAndNumbersBadLines) {
  const auto list = parseProxyList("# mine\r\nhttp://a:1\r\n\r\n  \nsocks5://b:2\nftp://c:3\nhttp://d:4");
  ASSERT_EQ(list.proxies.size(), 3u);
  EXPECT_EQ(list.proxies[0].address(), "a:1");
  EXPECT_EQ(list.proxies[1].kind, Kind::Socks5);
  EXPECT_EQ(list.proxies[2].address(), "d:4");
  ASSERT_EQ(list.bad.size(), 1u);
  EXPECT_EQ(list.bad[0].lineNumber, 6);
  EXPECT_EQ(list.bad[0].text, "ftp://c:3");
}

}  // namespace
