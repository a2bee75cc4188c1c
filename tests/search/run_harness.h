// A search run over the fakes, as the run's tests drive it: the clock, the
// three timers bound to their handlers, a scripted browser, a window, the
// services and an engine catalogue, with what the standard error box would
// have shown.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "run_fakes.h"
#include "search/run_driver.h"
#include "text/app_error.h"

namespace valo::testing {

// A result page in GBK with CR LF line ends.
inline env::PageText page(std::initializer_list<const char*> utf8Lines, int httpStatus = 200) {
  env::PageText p;
  for (const char* l : utf8Lines) p.text += gbk(l) + "\r\n";
  p.httpStatus = httpStatus;
  return p;
}

struct SearchHarness {
  FakeClock clock;
  FakeTimer timer1{clock, 8000};
  FakeTimer timer2{clock, 60000};
  FakeTimer timer3{clock, 0};
  FakeBrowser browser{clock};
  FakeWindow window;
  FakeServices services{window.results};
  FakeServiceHooks& hooks = services.hooks;
  std::string& localAddress = services.localAddressValue;
  int& progressSaves = services.progressSaves;
  bool failSave = false;
  std::vector<int>& pauses = services.pauses;
  int& cleanups = services.cleanups;
  search::EngineCatalogue engines;
  search::SearchRunDriver driver{window, browser, timer1, timer2, timer3, services, engines};
  std::vector<std::string> errors;  // what the standard error box would show

  SearchHarness() {
    clock.timers = {&timer1, &timer2, &timer3};
    timer1.onElapsed = [this] { guarded([this] { driver.Timer1Timer(); }); };
    timer2.onElapsed = [this] { guarded([this] { driver.Timer2Timer(); }); };
    timer3.onElapsed = [this] { guarded([this] { driver.Timer3Timer(); }); };
    browser.OnDocumentComplete = [this] { driver.WebBrowser1DocumentComplete(); };
    window.Memo2.setText(gbk("深圳 机械 传真:\r\n上海 食品 FAX:\r\n"));
    hooks.saveProgress = [this] {
      if (failSave) throw AppError("Disk full");
      ++services.progressSaves;
    };
  }
  void guarded(const std::function<void()>& f) {
    try {
      f();
    } catch (const AppError& e) {
      errors.push_back(e.message());
    }
    expectPhaseMatchesState();
  }
  // Between two events the run rests in a phase whose marks the state shows;
  // checked after every handler the harness runs.
  void expectPhaseMatchesState() {
    using search::RunPhase;
    const RunPhase p = driver.phase();
    SCOPED_TRACE(std::string("phase ") + search::phaseName(p));
    EXPECT_TRUE(search::isRestingPhase(p));
    if (p != RunPhase::Idle || window.phaseShown) {
      EXPECT_EQ(window.searchEnabled, search::searchAllowedIn(p));
      EXPECT_EQ(window.stopEnabled, !search::searchAllowedIn(p));
    }
    switch (p) {
      case RunPhase::Idle:
        EXPECT_FALSE(driver.readPending());
        EXPECT_FALSE(driver.waitingForStore());
        EXPECT_FALSE(timer3.enabled());
        break;
      case RunPhase::Waiting:
        EXPECT_FALSE(s().StopRequested);
        EXPECT_TRUE(timer1.enabled() || driver.readPending());
        break;
      case RunPhase::Stopping:
        EXPECT_TRUE(s().StopRequested);
        EXPECT_FALSE(timer2.enabled());
        // Still waiting for the store's answer, nothing else may move.
        if (driver.waitingForStore()) {
          EXPECT_FALSE(timer1.enabled() || driver.readPending());
        }
        break;
      case RunPhase::Halted:
        EXPECT_FALSE(timer1.enabled());
        EXPECT_FALSE(driver.readPending());
        break;
      case RunPhase::RefusalWait:
        EXPECT_TRUE(driver.waitingAfterRefusal());
        EXPECT_TRUE(timer3.enabled());
        break;
      case RunPhase::StoreWait:
        EXPECT_TRUE(driver.waitingForStore());
        EXPECT_FALSE(s().StopRequested);
        EXPECT_FALSE(timer1.enabled() || timer2.enabled() || timer3.enabled() || driver.readPending());
        break;
      case RunPhase::ProxySettle:
        EXPECT_TRUE(driver.waitingForProxy());
        EXPECT_TRUE(timer3.enabled());
        EXPECT_FALSE(timer1.enabled() || timer2.enabled() || driver.readPending());
        break;
      default:
        break;
    }
  }
  void search(const char* startLine = "0") {
    window.nextAnswer = GbkString(startLine);
    guarded([this] { driver.N2Click(); });
  }
  search::RunState& s() { return driver.state(); }
};

}  // namespace valo::testing
