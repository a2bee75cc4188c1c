// The main window as the end-to-end tests drive it: with its clean-up
// window, a network check that passes, no pause at Search, a short "second"
// and the browser shown (Chromium paces hidden pages slowly).
#pragma once

#include <QEventLoop>
#include <QSpinBox>
#include <QString>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <string>

#include "e2e_env.h"
#include "search/run_driver.h"
#include "ui/browser/browser_data_store.h"
#include "ui/browser/web_browser.h"
#include "ui/cleanup/tdelform.h"
#include "ui/common/dialogs.h"
#include "ui/main/status_bar.h"
#include "ui/main/tform1.h"

namespace valo::testing {

// The main window with its clean-up window, set up to search quickly.
struct Window {
  ui::TForm1 form;
  ui::WebEngineDataStore store{form.WebBrowser1};
  ui::Tdelform delform{store};

  Window() {
    form.delform = &delform;
    form.localAddress = [] { return std::string("192.0.2.10"); };
    form.pauseMs = [](int) {};
    form.driver().setMillisecondsPerSecond(250);
    form.SpinEdit1->setValue(1);
    form.show();  // a hidden browser loads, but Chromium paces hidden pages slowly
    gEngine->catalogue = &form.session().engines();
  }
  ~Window() { gEngine->catalogue = nullptr; }
  QString status(int panel) const { return form.StatusBar1->panelText(panel); }
  bool waitFor(const std::function<bool()>& done, int ms) { return waitForEvents(done, ms); }
  bool waitForEnd(int ms = 60000) {
    // A search that met refusals adds their count after the text.
    return waitFor([this] { return status(6).startsWith(QStringLiteral("搜索已经结束！")); }, ms);
  }
  // What a failed wait shows: the run's state and the dialogs seen.
  std::string describe() {
    const search::RunState& s = form.driver().state();
    std::string d = "status=" + status(6).toStdString() + " KeywordIndex=" + std::to_string(s.KeywordIndex) +
                    " PageIndex=" + std::to_string(s.PageIndex) +
                    " PollTicks=" + std::to_string(s.PollTicks) +
                    " DocumentReady=" + std::to_string(s.DocumentReady) +
                    " Timer1=" + std::to_string(form.Timer1->isActive()) +
                    " Timer2=" + std::to_string(form.Timer2->isActive()) +
                    " readPending=" + std::to_string(form.driver().readPending()) +
                    " requests=" + std::to_string(gEngine->requests().size());
    for (const auto& shown : ui::dialogs::shownDialogs()) d += " dialog:" + shown.text.toStdString();
    return d;
  }
  void search(const char* startLine = "0") {
    ui::dialogs::queueAnswer(QString::fromLatin1(startLine));
    form.SpeedButton2->click();
  }
};

}  // namespace valo::testing
