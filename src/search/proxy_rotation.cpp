// See proxy_rotation.h.
#include "search/proxy_rotation.h"

#include <algorithm>
#include <utility>

namespace valo::search {

void ProxyRotation::reset(std::vector<Proxy> proxies) {
  proxies_ = std::move(proxies);
  usable_.assign(proxies_.size(), true);
  current_ = 0;
  refusedInRow_ = 0;
  switches_ = 0;
  switchedSinceAnswer_ = false;
}

void ProxyRotation::finish() {
  proxies_.clear();
  usable_.clear();
  current_ = 0;
  refusedInRow_ = 0;
}

bool ProxyRotation::answered() {
  refusedInRow_ = 0;
  return std::exchange(switchedSinceAnswer_, false);
}

const Proxy* ProxyRotation::current() const {
  return active() ? &proxies_[static_cast<std::size_t>(current_)] : nullptr;
}

int ProxyRotation::usableCount() const {
  return static_cast<int>(std::count(usable_.begin(), usable_.end(), true));
}

bool ProxyRotation::advance() {
  const int n = static_cast<int>(proxies_.size());
  for (int step = 1; step <= n; ++step) {
    const int next = (current_ + step) % n;
    if (!usable_[static_cast<std::size_t>(next)]) continue;
    if (next == current_) return false;
    current_ = next;
    ++switches_;
    switchedSinceAnswer_ = true;
    return true;
  }
  return false;
}

bool ProxyRotation::refused() {
  if (++refusedInRow_ < usableCount() && advance()) return true;
  refusedInRow_ = 0;
  return false;
}

bool ProxyRotation::unreachable() {
  usable_[static_cast<std::size_t>(current_)] = false;
  // The proxies that refused before it in this round stay refused.
  refusedInRow_ = std::min(refusedInRow_, std::max(usableCount() - 1, 0));
  return usableCount() > 0 && advance();
}

std::string ProxyRotation::panelText() const {
  if (!active()) return {};
  return "代理 " + std::to_string(current_ + 1) + "/" + std::to_string(proxies_.size()) + "：" +
         current()->address();
}

bool isProxyFailure(int netError, int httpStatus) {
  switch (netError) {
    case -111:  // tunnel connection failed
    case -115:  // proxy authentication requested
    case -120:  // SOCKS connection failed
    case -121:  // SOCKS connection: host unreachable
    case -127:  // proxy authentication unsupported
    case -130:  // proxy connection failed
    case -131:  // mandatory proxy configuration failed
    case -336:  // no supported proxies
    case -375:  // too many retries: credentials the proxy keeps rejecting
      return true;
    default:
      return httpStatus == 407;
  }
}

}  // namespace valo::search
