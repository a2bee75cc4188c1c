// The clean-up's order and its silence on failure.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "env/browser_cleanup.h"

using namespace valo::env;

namespace {
struct Store : BrowserDataStore {
  std::string calls;
  bool historyFails = false;
  bool cacheFails = false;
  void clearHistory() override {
    calls += "H";
    if (historyFails) throw std::runtime_error("no history store");
  }
  void clearCache() override {
    calls += "C";
    if (cacheFails) throw std::runtime_error("entry in use");
  }
};
}  // namespace

TEST(BrowserCleanup, HistoryThenCacheEveryFailureSwallowed) {
  struct Case {
    bool historyFails, cacheFails;
    const char* calls;
  };
  for (const Case c : {Case{false, false, "HC"}, Case{true, false, "H"}, Case{false, true, "HC"}}) {
    Store s;
    s.historyFails = c.historyFails;
    s.cacheFails = c.cacheFails;
    EXPECT_NO_THROW(ClearBrowserData(s));
    EXPECT_EQ(s.calls, c.calls);
  }
}
