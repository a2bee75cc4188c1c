// See browser_data_store.h.
#include "ui/browser/browser_data_store.h"

#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <stdexcept>

namespace valo::ui {

void WebEngineDataStore::clearHistory() {
  if (view_ == nullptr || view_->page() == nullptr) throw std::runtime_error("no browser history store");
  view_->page()->profile()->clearAllVisitedLinks();
  view_->page()->history()->clear();
}

void WebEngineDataStore::clearCache() {
  if (view_ == nullptr || view_->page() == nullptr) throw std::runtime_error("no browser cache");
  QWebEngineProfile* profile = view_->page()->profile();
  // Dropping the cache altogether empties it at once and keeps it empty.
  if (profile->httpCacheType() != QWebEngineProfile::NoCache) {
    profile->setHttpCacheType(QWebEngineProfile::NoCache);
  }
}

}  // namespace valo::ui
