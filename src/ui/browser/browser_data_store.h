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
  // Qt 6.4 gives no notice when the cache is cleared; the request is queued
  // in the browser ahead of the first page request, which follows it.
  void clearCache() override;

 private:
  QWebEngineView* view_;
};

}  // namespace valo::ui
