// The user's proxy list: one proxy a line, "http://host:port" or
// "socks5://host:port", either with "user:password@" before the host. Blank
// lines and lines starting with '#' are left out; a line that is not a proxy
// is kept with its reason, so the list's window can show it, and never used.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace valo::search {

struct Proxy {
  enum class Kind { Http, Socks5 };
  Kind kind = Kind::Http;
  std::string host;  // as written; an IPv6 address without its brackets
  std::uint16_t port = 0;
  std::string user;
  std::string password;

  // "host:port" (IPv6 in brackets), as the status bar names it: never the password.
  std::string address() const;
  bool operator==(const Proxy&) const = default;
};

struct BadProxyLine {
  int lineNumber = 0;  // 1-based
  std::string text;    // the line as written, UTF-8
  std::string reason;  // UTF-8, for the list's window
};

struct ProxyList {
  std::vector<Proxy> proxies;
  std::vector<BadProxyLine> bad;
};

// One line, trimmed of blanks; false with `reason` set when it is no proxy.
bool parseProxyLine(std::string_view line, Proxy& proxy, std::string& reason);

// The whole file's text (UTF-8, LF or CR LF line ends).
ProxyList parseProxyList(std::string_view text);

}  // namespace valo::search
