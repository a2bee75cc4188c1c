// The browser's history and cache as the clean-up sees them: the profile's
// visited links and the view's navigation history, then its HTTP cache.
#pragma once

#include "env/browser_cleanup.h"

class QWebEngineView;

namespace valo::ui {

class WebEngineDataStore : public env::BrowserDataStore {
 public:
  explicit WebEngineDataStore(QWebEngineView* view) : view_(view) {}
  void clearHistory() override;
  // Qt 6.4's cache clearing runs in the background with no notice of its end,
  // and a page requested meanwhile can be lost. So the browser keeps no HTTP
  // cache at all (WebBrowser sets that up): every result page comes fresh,
  // which is what the clean-up is for, and this step only makes sure of it.
  void clearCache() override;

 private:
  QWebEngineView* view_;
};

}  // namespace valo::ui
