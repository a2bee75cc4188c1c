// See web_browser.h. The page's text is taken once each load has finished,
// before the completion event goes out, so the page reader reads exactly the
// page whose completion it saw, without waiting on the browser.
#include "ui/browser/web_browser.h"

#include <QPointer>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>

#include "text/app_error.h"
#include "ui/common/error_box.h"

namespace valo::ui {
namespace {

// Runs in the application's own script world, out of reach of the page's
// scripts; null when the document has no body.
const QString kBodyTextScript =
    QStringLiteral("(function(){var b=document.body;return b?{text:String(b.outerText)}:{text:null};})()");

}  // namespace

WebBrowser::WebBrowser(QWidget* parent) : QWebEngineView(parent) {
  // Result pages must never come from a cache; see WebEngineDataStore.
  page()->profile()->setHttpCacheType(QWebEngineProfile::NoCache);
  connect(this, &QWebEngineView::loadFinished, this, &WebBrowser::onLoadFinished);
  connect(page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
      httpStatus_ = 0;
    } else {
      httpStatus_ = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain ? info.errorCode() : 0;
    }
  });
}

void WebBrowser::Navigate(const std::string& address) {
  ++navigations_;
  snapshotValid_ = false;
  // Addresses are GBK text; non-ASCII characters (a plain-encoded keyword)
  // go out the way the browser encodes them.
  load(QUrl(fromGbk(address), QUrl::TolerantMode));
}

env::PageText WebBrowser::pageFromScriptResult(const QVariant& result) {
  env::PageText page;
  const QVariantMap map = result.toMap();
  if (!result.isValid() || !map.contains(QStringLiteral("text"))) {
    page.error = std::make_exception_ptr(AppError("Interface not supported"));
    return page;
  }
  const QVariant text = map.value(QStringLiteral("text"));
  if (text.isNull()) {
    page.hasBody = false;
    return page;
  }
  QString s = text.toString();
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  page.text = toGbk(s);
  return page;
}

void WebBrowser::fetchText(std::function<void(env::PageText)> done) {
  QPointer<WebBrowser> self(this);
  page()->runJavaScript(kBodyTextScript, QWebEngineScript::ApplicationWorld,
                        [self, done = std::move(done)](const QVariant& result) {
                          if (!self) return;
                          // This callback does not come through the event
                          // dispatch, so its errors are caught here.
                          guarded([&] {
                            env::PageText text = pageFromScriptResult(result);
                            text.httpStatus = self->httpStatus_;
                            done(std::move(text));
                          });
                        });
}

void WebBrowser::onLoadFinished(bool /*ok*/) {
  hasDocument_ = true;
  const std::uint64_t navigation = navigations_;
  fetchText([this, navigation](env::PageText page) {
    // A load that finished before the latest request, but whose text came
    // back after it, is not that request's page: announcing it would have the
    // run read the old page in place of the new one.
    if (navigation != navigations_) return;
    snapshot_ = std::move(page);
    snapshotNavigation_ = navigation;
    snapshotValid_ = true;
    if (OnDocumentComplete) OnDocumentComplete();
  });
}

void WebBrowser::readBodyText(std::function<void(env::PageText)> done) {
  if (snapshotValid_ && snapshotNavigation_ == navigations_) {
    done(snapshot_);
    return;
  }
  fetchText(std::move(done));
}

}  // namespace valo::ui
