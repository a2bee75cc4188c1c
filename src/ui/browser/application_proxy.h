// The proxy the embedded browser's requests go through, set with
// QNetworkProxy::setApplicationProxy, which Qt WebEngine follows. The
// browser does not pick up a changed proxy by itself, however long it idles:
// the next request it makes still goes the old way, and makes it look again,
// so requests from a few milliseconds later go the new way. So every change
// is followed by a request of its own that goes nowhere (a loopback port
// browsers refuse to connect to), and the change counts as in force once
// that request has ended.
#pragma once

#include <QNetworkProxy>
#include <QUrl>
#include <memory>
#include <optional>

#include "search/run_ports.h"

class QWebEnginePage;
class QWebEngineProfile;

namespace valo::ui {

class WebEngineProxySwitch : public search::ProxySwitch {
 public:
  explicit WebEngineProxySwitch(QWebEngineProfile* profile);
  ~WebEngineProxySwitch() override;

  void use(const search::Proxy* proxy) override;
  bool inForce() const override { return inForce_; }

  // The Qt proxy for a proxy of the list.
  static QNetworkProxy toQt(const search::Proxy& proxy);

 private:
  void lookAgain();

  QWebEngineProfile* profile_;
  std::unique_ptr<QWebEnginePage> probe_;
  std::optional<QNetworkProxy> before_;  // the application proxy before the first change
  QUrl probeUrl_;
  int looks_ = 0;
  bool inForce_ = true;
};

}  // namespace valo::ui
