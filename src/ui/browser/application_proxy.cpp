// See application_proxy.h.
#include "ui/browser/application_proxy.h"

#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include "ui/common/error_box.h"

namespace valo::ui {
namespace {

// Port 9 (discard) is one browsers never connect to: the request ends at
// once, after the proxy has been looked up, and nothing leaves the machine.
const char* const kNowhere = "http://127.0.0.1:9/";

}  // namespace

WebEngineProxySwitch::WebEngineProxySwitch(QWebEngineProfile* profile) : profile_(profile) {}

WebEngineProxySwitch::~WebEngineProxySwitch() = default;

QNetworkProxy WebEngineProxySwitch::toQt(const search::Proxy& proxy) {
  const auto type = proxy.kind == search::Proxy::Kind::Socks5 ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy;
  return QNetworkProxy(type, QString::fromStdString(proxy.host), proxy.port, QString::fromStdString(proxy.user),
                       QString::fromStdString(proxy.password));
}

void WebEngineProxySwitch::use(const search::Proxy* proxy) {
  if (proxy == nullptr && !before_) return;
  if (!before_) before_ = QNetworkProxy::applicationProxy();
  QNetworkProxy::setApplicationProxy(proxy != nullptr ? toQt(*proxy) : *before_);
  if (proxy == nullptr) before_.reset();
  lookAgain();
}

void WebEngineProxySwitch::lookAgain() {
  inForce_ = false;
  if (!probe_) {
    probe_ = std::make_unique<QWebEnginePage>(profile_);
    QObject::connect(probe_.get(), &QWebEnginePage::loadingChanged, probe_.get(),
                     [this](const QWebEngineLoadingInfo& info) {
                       guarded([&] {
                         // Only the end of the latest look counts: an older one it cut short may end later.
                         if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus && info.url() == probeUrl_)
                           inForce_ = true;
                       });
                     });
  }
  // A fresh address each time, so the browser never takes it for the same load.
  probeUrl_ = QUrl(QString::fromLatin1(kNowhere) + QString::number(++looks_));
  probe_->load(probeUrl_);
}

}  // namespace valo::ui
