// The run over the user's proxies: the first proxy set at Search, a refused
// page asked for again through the next proxy, an unreachable proxy left out,
// and the wait until the browser sends its requests through a changed proxy.
// See run_driver.h and proxy_rotation.h.
#include "search/run_driver.h"
#include "text/app_error.h"

namespace valo::search {
namespace {

// The browser takes a changed proxy once a later request has made it look
// again (the switch makes one that goes nowhere); it says when that is done.
// How often the run asks, and how long it waits at most before going on
// regardless.
constexpr int kSettleCheckMs = 100;
constexpr int kSettleLimitMs = 10000;

}  // namespace

bool SearchRunDriver::startWithProxy(std::vector<Proxy> list) {
  // A search before may still hold a proxy (a Search while it stopped): the
  // browser's own settings first, so that an emptied list leaves them be.
  releaseProxies();
  proxies_.reset(services_.proxySwitch() != nullptr ? std::move(list) : std::vector<Proxy>{});
  if (!proxies_.active()) return false;
  settleOnProxy(true);
  showStatus(statusText_);  // now naming the proxy
  return true;
}

void SearchRunDriver::settleOnProxy(bool firstRequest) {
  services_.proxySwitch()->use(proxies_.current());
  // Nothing of the search before may be read while the proxy changes.
  Timer1.setEnabled(false);
  Timer2.setEnabled(false);
  ++requestSerial_;
  readPending_ = false;
  settleThenFirstRequest_ = firstRequest;
  proxySettleWaited_ = 0;
  Timer3.setEnabled(false);
  Timer3.setInterval(kSettleCheckMs);
  Timer3.setEnabled(true);
  enterPhase(RunPhase::ProxySettle);
}

void SearchRunDriver::proxySettleTick() {
  proxySettleWaited_ += kSettleCheckMs;
  if (!services_.proxySwitch()->inForce() && proxySettleWaited_ < kSettleLimitMs) {
    Timer3.setEnabled(true);
    return;
  }
  if (settleThenFirstRequest_) {
    Button1Click();
  } else {
    // The same address again; the page counter and the keyword stay.
    issueRequest();
  }
}

bool SearchRunDriver::switchProxyAfterRefusal() {
  // A refusal the user meets in the pane during a wait leaves the wait as it is.
  if (!proxies_.active() || readFrom_ == RunPhase::RefusalWait || state_.StopRequested) return false;
  const std::string refusing = proxies_.current()->address();
  if (!proxies_.refused()) return false;
  keepResultsOnDisk();
  // The first refusal of a round: a window in the tray says so, naming the proxy.
  const bool firstInRow = refusedAnswers_ == 0 && proxies_.refusedInRow() == 1;
  ++refusedInSearch_;
  const GbkString text = gbk("搜索引擎拒绝了代理 " + refusing + "，换用下一个代理");
  settleOnProxy(false);
  showStatus(text);
  if (firstInRow) window_.blockedEpisodeBegan(withProxyNote(text));
  return true;
}

void SearchRunDriver::proxyUnreachable() {
  // A page the user opened in the pane during a wait failed the same way:
  // the wait is over, the next proxy asks for the refused address.
  if (readFrom_ == RunPhase::RefusalWait) Timer3.setEnabled(false);
  keepResultsOnDisk();
  Timer2.setEnabled(false);
  const std::string failed = proxies_.current()->address();
  if (state_.StopRequested) {
    BitBtn1Click();
    return;
  }
  if (!proxies_.unreachable()) {
    // The end step writes the keyword being searched; the next Search offers it too.
    endReason_ = EndReason::NoUsableProxy;
    BitBtn1Click();
    --state_.KeywordIndex;
    return;
  }
  settleOnProxy(false);
  showStatus(gbk("代理 " + failed + " 无法连接，换用下一个代理"));
}

void SearchRunDriver::proxyAnswered() {
  // The notice of a switch stays until a page has come through the new proxy.
  if (proxies_.answered() && !state_.StopRequested) showStatus(gbk("正在搜索..."));
}

void SearchRunDriver::releaseProxies() {
  if (!proxies_.active()) return;
  proxies_.finish();
  if (ProxySwitch* proxySwitch = services_.proxySwitch()) proxySwitch->use(nullptr);
}

GbkString SearchRunDriver::withProxyNote(const GbkString& text) const {
  return proxies_.active() ? text + gbk("　") + gbk(proxies_.panelText()) : text;
}

}  // namespace valo::search
