// The embedded browser `WebBrowser1` over Qt WebEngine: navigation that
// returns at once, the document query, the body's text in GBK and the
// document-complete event on the user-interface thread.
#pragma once

#include <QList>
#include <QUrl>
#include <QWebEngineView>
#include <cstdint>

#include "env/browser_control.h"

class QWebEngineLoadingInfo;

namespace valo::ui {

class WebBrowser : public QWebEngineView, public env::BrowserControl {
  Q_OBJECT
 public:
  explicit WebBrowser(QWidget* parent = nullptr);

  void Navigate(const std::string& address) override;
  bool hasDocument() const override { return hasDocument_; }
  void readBodyText(std::function<void(env::PageText)> done) override;

  // The page text as the browser gives it to the page reader: outer text of
  // the body, line breaks as CR LF, converted to GBK.
  static env::PageText pageFromScriptResult(const QVariant& result);

 private:
  void onLoadingChanged(const QWebEngineLoadingInfo& info);
  void fetchText(int httpStatus, std::function<void(env::PageText)> done);

  std::uint64_t navigations_ = 0;  // one per Navigate call
  // The latest Navigate whose mark has come through the event queue: load
  // events count for that request only once it equals navigations_.
  std::uint64_t currentFrom_ = 0;
  bool hasDocument_ = false;
  // The load the browser reports as running, and the addresses of the one
  // the latest request interrupted, with whether a load started after it.
  bool loading_ = false;
  QUrl loadingUrl_;
  QList<QUrl> interrupted_;
  bool startedSinceRequest_ = false;
  // The main frame's HTTP status of the latest request's load once it ended;
  // 0 before that or when the load had no HTTP answer.
  int httpStatus_ = 0;
  // The browser's network error code of the latest request's failed load.
  int netError_ = 0;
  bool proxyAuthAnswered_ = false;  // credentials given once for the latest request
  // The text of the latest request's completed page, until it is read.
  bool snapshotValid_ = false;
  env::PageText snapshot_;
};

}  // namespace valo::ui
