// Which proxy of the user's list a search goes through. A refused page moves
// on to the next usable proxy; only when every usable proxy has been refused
// in a row is that round over (the run then waits as it would without
// proxies). A proxy that cannot be reached is left out for the rest of the
// search.
#pragma once

#include <string>
#include <vector>

#include "search/proxy_list.h"

namespace valo::search {

class ProxyRotation {
 public:
  // A new search over `proxies`, starting at the first; empty: no proxies.
  void reset(std::vector<Proxy> proxies);
  bool active() const { return !proxies_.empty(); }
  const Proxy* current() const;
  int usableCount() const;
  int switches() const { return switches_; }

  // The current proxy refused the page. True: the round goes on with the
  // next usable proxy (now current). False: every usable proxy has refused in
  // a row; the round starts again, at the current one, after the wait.
  bool refused();
  // A page that was not refused ends the round. True when the proxy changed
  // since the last such page.
  bool answered();
  int refusedInRow() const { return refusedInRow_; }
  // The search is over: no proxy is current any more; the count of switches stays.
  void finish();
  // The current proxy cannot be reached. True: the next usable one is
  // current; false: none is left.
  bool unreachable();

  // "代理 2/5：host:port" (UTF-8), empty without proxies.
  std::string panelText() const;

 private:
  bool advance();  // to the next usable proxy after the current one

  std::vector<Proxy> proxies_;
  std::vector<bool> usable_;
  int current_ = 0;
  int refusedInRow_ = 0;
  int switches_ = 0;
  bool switchedSinceAnswer_ = false;
};

// Whether a failed load names the proxy rather than the engine: it could not
// be reached, its tunnel or SOCKS connection failed, or it wants credentials
// it did not get or keeps rejecting (HTTP 407). `netError` is the browser's network error code.
bool isProxyFailure(int netError, int httpStatus);

}  // namespace valo::search
