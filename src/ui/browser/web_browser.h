// The embedded browser `WebBrowser1` over Qt WebEngine: navigation that
// returns at once, the document query, the body's text in GBK and the
// document-complete event on the user-interface thread.
#pragma once

#include <QWebEngineView>
#include <cstdint>

#include "env/browser_control.h"

class QWebEngineProfile;

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
  void onLoadFinished(bool ok);
  void fetchText(std::function<void(env::PageText)> done);

  std::uint64_t navigations_ = 0;  // one per Navigate call
  bool hasDocument_ = false;
  // The main frame's HTTP status of the last load that ended; 0 while a load
  // runs or when the load had no HTTP answer. The browser reports it just
  // after the load's end, before the page's text comes back.
  int httpStatus_ = 0;
  // The text of the last completed page and the navigation it belongs to.
  bool snapshotValid_ = false;
  std::uint64_t snapshotNavigation_ = 0;
  env::PageText snapshot_;
};

}  // namespace valo::ui
