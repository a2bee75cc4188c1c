// See web_browser.h. The page's text is taken once each load has finished,
// before the completion event goes out, so the page reader reads exactly the
// page whose completion it saw, without waiting on the browser.
#include "ui/browser/web_browser.h"

#include <QAuthenticator>
#include <QNetworkProxy>
#include <QPointer>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>

#include "text/app_error.h"
#include "ui/browser/page_text_fetch.h"
#include "ui/common/error_box.h"

namespace valo::ui {

WebBrowser::WebBrowser(QWidget* parent) : QWebEngineView(parent) {
  // Result pages must never come from a cache; see WebEngineDataStore.
  page()->profile()->setHttpCacheType(QWebEngineProfile::NoCache);
  connect(page(), &QWebEnginePage::loadingChanged, this,
          [this](const QWebEngineLoadingInfo& info) { guarded([&] { onLoadingChanged(info); }); });
  // The browser asks for a proxy's credentials itself; they are those of the
  // application proxy the run set. Asked again within one request, they were
  // wrong: left unanswered, the load fails and the run leaves that proxy out.
  connect(page(), &QWebEnginePage::proxyAuthenticationRequired, this,
          [this](const QUrl&, QAuthenticator* authenticator, const QString& proxyHost) {
            guarded([&] {
              const QNetworkProxy proxy = QNetworkProxy::applicationProxy();
              if (proxyAuthAnswered_ || proxy.user().isEmpty() || proxy.hostName() != proxyHost) return;
              proxyAuthAnswered_ = true;
              authenticator->setUser(proxy.user());
              authenticator->setPassword(proxy.password());
            });
          });
}

void WebBrowser::Navigate(const std::string& address) {
  ++navigations_;
  snapshotValid_ = false;
  httpStatus_ = 0;
  netError_ = 0;
  proxyAuthAnswered_ = false;
  // The browser reports a load that begins while another runs as part of
  // that one: no start of its own, one completion for both, and now and then
  // the old load's completion alone, just before the new page commits. The
  // old load is known by its address; its completion is not this request's.
  interrupted_.clear();
  if (loading_) interrupted_ << loadingUrl_ << url();
  startedSinceRequest_ = false;
  // The browser hands its load events over through the event queue; those
  // queued before this mark come from older loads.
  QMetaObject::invokeMethod(
      this, [this, navigation = navigations_] { currentFrom_ = navigation; }, Qt::QueuedConnection);
  // Addresses are GBK text; non-ASCII characters (a plain-encoded keyword)
  // go out the way the browser encodes them.
  load(QUrl(fromGbk(address), QUrl::TolerantMode));
}

env::PageText WebBrowser::pageFromScriptResult(const QVariant& result) {
  return pageTextFromScriptResult(result);
}

void WebBrowser::fetchText(int httpStatus, std::function<void(env::PageText)> done) {
  QPointer<WebBrowser> self(this);
  fetchPageText(page(), httpStatus, [self, done = std::move(done)](env::PageText text) {
    if (self) done(std::move(text));
  });
}

void WebBrowser::onLoadingChanged(const QWebEngineLoadingInfo& info) {
  const bool current = currentFrom_ == navigations_;
  if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
    loading_ = true;
    loadingUrl_ = info.url();
    if (current) startedSinceRequest_ = true;
    return;
  }
  loading_ = false;
  hasDocument_ = true;
  // A completion queued before the latest request belongs to a load that
  // began before it, and so does one of the load that request interrupted.
  if (!current) return;
  if (!startedSinceRequest_ && interrupted_.contains(info.url())) return;
  const int status = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain ? info.errorCode() : 0;
  httpStatus_ = status;
  // Every other domain carries the browser's own network error code.
  const bool netFailure = info.errorDomain() != QWebEngineLoadingInfo::NoErrorDomain &&
                          info.errorDomain() != QWebEngineLoadingInfo::HttpStatusCodeDomain;
  netError_ = netFailure ? info.errorCode() : 0;
  const std::uint64_t navigation = navigations_;
  fetchText(status, [this, navigation, netError = netError_](env::PageText page) {
    page.netError = netError;
    // A load that finished before the latest request, but whose text came
    // back after it, is not that request's page: announcing it would have the
    // run read the old page in place of the new one.
    if (navigation != navigations_) return;
    snapshot_ = std::move(page);
    snapshotValid_ = true;
    if (OnDocumentComplete) OnDocumentComplete();
  });
}

void WebBrowser::readBodyText(std::function<void(env::PageText)> done) {
  if (snapshotValid_) {
    // Handed over rather than copied: a page can be tens of megabytes. A
    // second read of the same page asks the browser again.
    snapshotValid_ = false;
    done(std::move(snapshot_));
    return;
  }
  // The page reader runs only once the script's result, which holds the
  // page's text in Unicode, has been let go.
  QPointer<WebBrowser> self(this);
  fetchText(httpStatus_, [self, done = std::move(done), netError = netError_](env::PageText page) {
    if (!self) return;
    page.netError = netError;
    QMetaObject::invokeMethod(
        self, [done, page = std::move(page)]() mutable { guarded([&] { done(std::move(page)); }); },
        Qt::QueuedConnection);
  });
}

}  // namespace valo::ui
