// See proxy_list.h.
#include "search/proxy_list.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <charconv>
#include <string>

namespace valo::search {
namespace {

std::string_view trimmed(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  const std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool fail(std::string& reason, const char* why) {
  reason = why;
  return false;
}

}  // namespace

std::string Proxy::address() const {
  const bool v6 = host.find(':') != std::string::npos;
  return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

bool parseProxyLine(std::string_view line, Proxy& proxy, std::string& reason) {
  line = trimmed(line);
  proxy = Proxy{};
  if (startsWithNoCase(line, "http://")) {
    proxy.kind = Proxy::Kind::Http;
    line.remove_prefix(7);
  } else if (startsWithNoCase(line, "socks5://")) {
    proxy.kind = Proxy::Kind::Socks5;
    line.remove_prefix(9);
  } else {
    return fail(reason, "不是以 http:// 或 socks5:// 开头");
  }
  if (!line.empty() && line.back() == '/') line.remove_suffix(1);
  // The last '@' ends the credentials: a password may hold one.
  if (const std::size_t at = line.rfind('@'); at != std::string_view::npos) {
    const std::string_view credentials = line.substr(0, at);
    const std::size_t colon = credentials.find(':');
    if (colon == std::string_view::npos) return fail(reason, "用户名和密码之间缺少冒号");
    proxy.user = credentials.substr(0, colon);
    proxy.password = credentials.substr(colon + 1);
    if (proxy.user.empty()) return fail(reason, "用户名为空");
    line.remove_prefix(at + 1);
  }
  if (line.find_first_of("/?# \t") != std::string_view::npos) return fail(reason, "地址后面不能有路径或空格");
  std::string_view host, port;
  if (!line.empty() && line.front() == '[') {
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return fail(reason, "IPv6 地址缺少 ]");
    host = line.substr(1, close - 1);
    // Only an IPv6 address goes in brackets; anything else there ("[[x]")
    // would be written back as an address that reads otherwise.
    in6_addr address{};
    if (::inet_pton(AF_INET6, std::string(host).c_str(), &address) != 1) return fail(reason, "[ ] 中不是 IPv6 地址");
    if (close + 1 >= line.size() || line[close + 1] != ':') return fail(reason, "缺少端口");
    port = line.substr(close + 2);
  } else {
    const std::size_t colon = line.rfind(':');
    if (colon == std::string_view::npos) return fail(reason, "缺少端口");
    host = line.substr(0, colon);
    port = line.substr(colon + 1);
    if (host.find(':') != std::string_view::npos) return fail(reason, "IPv6 地址要写在 [ ] 中");
    if (host.find_first_of("[]") != std::string_view::npos) return fail(reason, "主机名中不能有 [ 或 ]");
  }
  if (host.empty()) return fail(reason, "缺少主机");
  unsigned value = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
  if (port.empty() || error != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535)
    return fail(reason, "端口不是 1 到 65535 之间的数字");
  // The browser speaks SOCKS5 without authentication only: such a proxy
  // would refuse every request.
  if (proxy.kind == Proxy::Kind::Socks5 && !proxy.user.empty())
    return fail(reason, "浏览器不支持带用户名和密码的 SOCKS5 代理");
  proxy.host = host;
  proxy.port = static_cast<std::uint16_t>(value);
  return true;
}

ProxyList parseProxyList(std::string_view text) {
  ProxyList list;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    const std::string_view line = trimmed(raw);
    if (line.empty() || line.front() == '#') continue;
    Proxy proxy;
    std::string reason;
    if (parseProxyLine(line, proxy, reason)) {
      list.proxies.push_back(std::move(proxy));
    } else {
      list.bad.push_back({number, std::string(line), std::move(reason)});
    }
  }
  return list;
}

}  // namespace valo::search
