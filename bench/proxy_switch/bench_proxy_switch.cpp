// When a changed application proxy comes into force in Qt WebEngine: two
// HTTP proxies on loopback record which of them carries each page request.
//
// 1. The browser alone: the proxy is changed with setApplicationProxy, the
//    browser left idle for a while, then a page requested. Prints which proxy
//    carried that request and the next one: the first request after a change
//    still goes the old way, however long the wait, and makes the browser
//    look again.
// 2. Through the run's proxy switch: the proxy is changed, the time until the
//    switch reports it in force is taken, then a page is requested. Prints
//    the median and the longest wait and how many requests the new proxy
//    carried.
//
//   bench_proxy_switch [changes]   (default 20)
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "search/proxy_list.h"
#include "ui/browser/application_proxy.h"

namespace {

// Answers every request with a small page and remembers who it is.
struct RecordingProxy : QTcpServer {
  char name;
  QList<QByteArray> paths;
  explicit RecordingProxy(char n) : name(n) {
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = nextPendingConnection()) {
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QTcpSocket::readyRead, s, [this, s] {
          const QByteArray head = s->readAll();
          const QByteArray target = head.left(head.indexOf('\r')).split(' ').value(1);
          if (!target.endsWith("favicon.ico")) paths << target;
          s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 7\r\nConnection: close\r\n\r\n"
                   "<p>x</p>");
          s->disconnectFromHost();
        });
      }
    });
  }
  valo::search::Proxy asProxy() const { return {valo::search::Proxy::Kind::Http, "127.0.0.1", serverPort(), {}, {}}; }
};

void spin(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

// Loads a fresh address and waits for it; returns the proxy that carried it.
char load(QWebEnginePage& page, RecordingProxy& a, RecordingProxy& b) {
  static int n = 0;
  const QByteArray path = "http://engine.test/p" + QByteArray::number(++n);
  bool finished = false;
  auto c = QObject::connect(&page, &QWebEnginePage::loadFinished, [&](bool) { finished = true; });
  page.load(QUrl(QString::fromLatin1(path)));
  spin([&] { return finished; }, 10000);
  QObject::disconnect(c);
  return a.paths.contains(path) ? a.name : b.paths.contains(path) ? b.name : '?';
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QApplication app(argc, argv);
  const int changes = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
  RecordingProxy a('A'), b('B');
  QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), a.serverPort()));
  QWebEnginePage page;
  page.profile()->setHttpCacheType(QWebEngineProfile::NoCache);
  load(page, a, b);

  std::printf("The browser alone (setApplicationProxy A -> B, then idle):\n");
  RecordingProxy* to = &b;
  for (int idle : {0, 1000, 5000, 10000}) {
    // The page's own late requests (its icon) are over before the change:
    // any request after it would make the browser look again.
    spin([] { return false; }, 500);
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), to->serverPort()));
    spin([] { return false; }, idle);
    const char first = load(page, a, b);
    const char second = load(page, a, b);
    std::printf("  idle %5d ms: first request through %c, next through %c (new proxy %c)\n", idle, first, second,
                to->name);
    to = to == &b ? &a : &b;
  }

  std::printf("Through the run's proxy switch (%d changes):\n", changes);
  valo::ui::WebEngineProxySwitch proxySwitch(page.profile());
  std::vector<double> waits;
  int onNew = 0;
  for (int i = 0; i < changes; ++i) {
    const valo::search::Proxy next = to->asProxy();
    QElapsedTimer t;
    t.start();
    proxySwitch.use(&next);
    spin([&] { return proxySwitch.inForce(); }, 10000);
    waits.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    onNew += load(page, a, b) == to->name;
    to = to == &b ? &a : &b;
  }
  std::sort(waits.begin(), waits.end());
  std::printf("  in force after: median %.1f ms, longest %.1f ms; first request through the new proxy: %d of %d\n",
              waits[waits.size() / 2], waits.back(), onNew, changes);
  return onNew == changes ? 0 : 1;
}
