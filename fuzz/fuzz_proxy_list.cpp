// Fuzz target: the proxy list reader. Whatever the bytes (the file is UTF-8
// text that any editor may write), every line that is neither blank nor a
// comment comes out once, either as a proxy or as a bad line with its reason,
// in the file's order; each proxy is sound (a host, a port from 1 to 65535,
// no credentials on SOCKS5) and reads back the same when written out again
// as the list's window would show it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "search/proxy_list.h"

namespace {

using valo::search::Proxy;

// A proxy written as a line of the list.
std::string lineOf(const Proxy& proxy) {
  std::string line = proxy.kind == Proxy::Kind::Socks5 ? "socks5://" : "http://";
  if (!proxy.user.empty()) line += proxy.user + ":" + proxy.password + "@";
  return line + proxy.address();
}

std::string_view trimmed(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  const std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const valo::search::ProxyList list = valo::search::parseProxyList(text);

  // The file's lines that must be accounted for, in order.
  std::size_t proxies = 0, bad = 0;
  int number = 0;
  for (std::string_view rest = text; !rest.empty();) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = trimmed(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    ++number;
    if (line.empty() || line.front() == '#') continue;
    if (bad < list.bad.size() && list.bad[bad].lineNumber == number) {
      FUZZ_CHECK_BYTES(list.bad[bad].text == line, line);
      FUZZ_CHECK_BYTES(!list.bad[bad].reason.empty(), line);
      Proxy ignored;
      std::string reason;
      FUZZ_CHECK_BYTES(!valo::search::parseProxyLine(line, ignored, reason) && reason == list.bad[bad].reason, line);
      ++bad;
      continue;
    }
    FUZZ_CHECK_BYTES(proxies < list.proxies.size(), line);
    const Proxy& proxy = list.proxies[proxies++];
    FUZZ_CHECK_BYTES(!proxy.host.empty() && proxy.port != 0, line);
    FUZZ_CHECK_BYTES(proxy.host.find_first_of("/?# \t@") == std::string::npos, line);
    FUZZ_CHECK_BYTES(proxy.kind == Proxy::Kind::Http || proxy.user.empty(), line);

    const std::string written = lineOf(proxy);
    Proxy again;
    std::string reason;
    FUZZ_CHECK_BYTES(valo::search::parseProxyLine(written, again, reason), written);
    FUZZ_CHECK_BYTES(again == proxy, written);
  }
  FUZZ_CHECK(proxies == list.proxies.size());
  FUZZ_CHECK(bad == list.bad.size());
  return 0;
}
