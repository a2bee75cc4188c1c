// A search through the user's proxy list with the real browser: fake engines
// on loopback acting as the proxies (one refuses everything, one serves), a
// proxy nobody listens on, and a small SOCKS5 proxy written here.
#include <gtest/gtest.h>

#include <QFile>
#include <QNetworkProxy>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

#include "e2e_window.h"
#include "files/proxy_file.h"
#include "ui/main/result_list_model.h"

using namespace valo;
using namespace valo::testing;

namespace {

// The smallest SOCKS5 proxy: no authentication, CONNECT only; every
// connection goes to `target` on loopback, whatever host was asked for,
// which it records.
class Socks5Proxy : public QTcpServer {
 public:
  quint16 target = 0;
  QList<QByteArray> asked;  // "host:port" of every CONNECT

  Socks5Proxy() {
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* client = nextPendingConnection()) serve(client);
    });
  }

 private:
  void serve(QTcpSocket* client) {
    auto buffer = std::make_shared<QByteArray>();
    auto upstream = std::make_shared<QTcpSocket*>(nullptr);
    connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    connect(client, &QTcpSocket::readyRead, this, [this, client, buffer, upstream] {
      if (*upstream != nullptr) return (void)(*upstream)->write(client->readAll());
      *buffer += client->readAll();
      const QByteArray& b = *buffer;
      // Greeting: 05 n methods; answered "no authentication".
      if (b.size() < 2 || b.size() < 2 + static_cast<unsigned char>(b[1])) return;
      const int greeting = 2 + static_cast<unsigned char>(b[1]);
      // Request: 05 01 00 03 len host port (the browser sends the name).
      if (b.size() < greeting + 5) return client->write(QByteArray("\x05\x00", 2)), void();
      const int len = static_cast<unsigned char>(b[greeting + 4]);
      if (b.size() < greeting + 5 + len + 2) return;
      const QByteArray host = b.mid(greeting + 5, len);
      const int port = (static_cast<unsigned char>(b[greeting + 5 + len]) << 8) |
                       static_cast<unsigned char>(b[greeting + 6 + len]);
      asked << host + ":" + QByteArray::number(port);
      auto* up = new QTcpSocket(client);
      *upstream = up;
      connect(up, &QTcpSocket::connected, client, [client] {
        client->write(QByteArray("\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x00", 10));
      });
      connect(up, &QTcpSocket::readyRead, client, [client, up] { client->write(up->readAll()); });
      connect(up, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
      up->connectToHost(QHostAddress::LocalHost, target);
      buffer->clear();
    });
  }
};

// An HTTP proxy that wants credentials: 407 to a request without the
// accepted ones, the others relayed to `target`. It records the credentials
// it was offered.
class AuthProxy : public QTcpServer {
 public:
  QByteArray accepted;  // "Basic ..." as the browser sends it
  quint16 target = 0;
  QList<QByteArray> offered;  // the Proxy-Authorization value of each request, empty when none

  AuthProxy() {
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = nextPendingConnection()) {
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QTcpSocket::readyRead, this, [this, s] { answer(s, s->readAll()); });
      }
    });
  }

 private:
  void answer(QTcpSocket* s, const QByteArray& request) {
    QByteArray credentials;
    for (const QByteArray& line : request.split('\n'))
      if (line.toLower().startsWith("proxy-authorization:")) credentials = line.mid(20).trimmed();
    offered << credentials;
    if (credentials == accepted) {
      auto* up = new QTcpSocket(s);
      connect(up, &QTcpSocket::readyRead, s, [s, up] { s->write(up->readAll()); });
      connect(up, &QTcpSocket::disconnected, s, [s] { s->disconnectFromHost(); });
      up->connectToHost(QHostAddress::LocalHost, target);
      up->write(request);
      return;
    }
    const QByteArray body = "credentials wanted";
    s->write("HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"t\"\r\n"
             "Content-Type: text/plain\r\nContent-Length: " +
             QByteArray::number(body.size()) + "\r\n\r\n" + body);
  }
};

// A proxy request as the test's log has it: the proxy that carried it, the address.
struct Carried {
  QString proxy;
  QByteArray url;
  bool operator==(const Carried&) const = default;
};

class ProxyEndToEnd : public ::testing::Test {
 protected:
  void useList(const QString& text) { files::writeProxyFile(path(), text.toStdString()); }
  void TearDown() override {
    QFile::remove(path());
    // The search gave the browser its own proxy back; let it take it.
    waitForEvents([] { return false; }, 500);
  }
  static QString path() { return gDataFolder + QStringLiteral("valofaxproxies.txt"); }
  static QList<QByteArray> listed(Window& w) {
    QList<QByteArray> out;
    for (const GbkString& n : w.form.results().numbers().items()) out << QByteArray::fromStdString(n);
    return out;
  }
};

TEST_F(ProxyEndToEnd, ARefusingProxyAndADeadOneAreLeftForTheNextAndNothingIsSkipped) {
  FakeEngine refusing, serving;
  ASSERT_TRUE(refusing.start() && serving.start());
  refusing.fallback = [](const RecordedRequest&) { return PageMode::Refused429; };
  QList<Carried> log;
  QObject::connect(&refusing, &FakeEngine::requestRecorded, [&](const RecordedRequest& r) {
    log << Carried{QStringLiteral("refusing"), r.url};
  });
  QObject::connect(&serving, &FakeEngine::requestRecorded, [&](const RecordedRequest& r) {
    log << Carried{QStringLiteral("serving"), r.url};
  });
  QTcpServer dead;  // a port nobody listens on any more
  ASSERT_TRUE(dead.listen(QHostAddress::LocalHost, 0));
  const quint16 deadPort = dead.serverPort();
  dead.close();
  useList(QStringLiteral("http://127.0.0.1:%1\nhttp://127.0.0.1:%2\nhttp://127.0.0.1:%3\n")
              .arg(deadPort)
              .arg(refusing.port())
              .arg(serving.port()));

  Window w;
  w.form.Memo2->setPlainText(QStringLiteral("一\n二\n"));
  gEngine->clearRequests();
  w.search();
  ASSERT_TRUE(w.waitForEnd(60000)) << w.describe();
  EXPECT_EQ(w.status(6), QStringLiteral("搜索已经结束！（被拒绝 1 次，换代理 2 次）"));
  // The first request met the dead proxy, the second the refusing one; from
  // the switch on every request goes through the serving one, starting with
  // the refused address again. Two pages per keyword, nothing skipped.
  ASSERT_EQ(log.size(), 5) << w.describe();
  EXPECT_EQ(log[0].proxy, QStringLiteral("refusing"));
  for (int i = 1; i < 5; ++i) EXPECT_EQ(log[i].proxy, QStringLiteral("serving")) << i;
  EXPECT_EQ(log[1].url, log[0].url);
  QList<QByteArray> walk;
  for (const RecordedRequest& r : serving.requests()) walk << r.url;
  EXPECT_EQ(QSet<QByteArray>(walk.begin(), walk.end()).size(), 4);
  QList<QByteArray> served;
  for (const RecordedRequest& r : serving.requests()) served << r.fax;
  EXPECT_EQ(listed(w), served);
  EXPECT_TRUE(gEngine->requests().isEmpty());  // nothing went the browser's own way
  EXPECT_EQ(QNetworkProxy::applicationProxy().port(), gEngine->port());
}

struct CredentialsCase {
  const char* written;  // user:password in the list
  const char* endText;
  int throughAuthProxy;  // pages it carried; the rest come through the second proxy
};

void PrintTo(const CredentialsCase& c, std::ostream* os) {
  *os << c.written;
}

class ProxyCredentials : public ProxyEndToEnd, public ::testing::WithParamInterface<CredentialsCase> {};

TEST_P(ProxyCredentials, AreGivenOnceAndAProxyThatRejectsThemIsLeftOut) {
  const CredentialsCase c = GetParam();
  FakeEngine serving, second;
  ASSERT_TRUE(serving.start() && second.start());
  AuthProxy auth;
  auth.accepted = "Basic " + QByteArray("u:right").toBase64();
  auth.target = serving.port();
  useList(QStringLiteral("http://%1@127.0.0.1:%2\nhttp://127.0.0.1:%3\n")
              .arg(QString::fromLatin1(c.written))
              .arg(auth.serverPort())
              .arg(second.port()));

  Window w;
  w.form.Memo2->setPlainText(QStringLiteral("一\n"));
  w.search();
  ASSERT_TRUE(w.waitForEnd(60000)) << w.describe();
  EXPECT_EQ(w.status(6), QString::fromUtf8(c.endText));
  EXPECT_TRUE(auth.offered.contains("Basic " + QByteArray(c.written).toBase64()));
  EXPECT_EQ(serving.requests().size(), c.throughAuthProxy);
  EXPECT_EQ(second.requests().size(), 2 - c.throughAuthProxy);
  EXPECT_EQ(listed(w).size(), 2);
}

INSTANTIATE_TEST_SUITE_P(Proxies, ProxyCredentials,
                         ::testing::Values(CredentialsCase{"u:right", "搜索已经结束！", 2},
                                           CredentialsCase{"u:wrong", "搜索已经结束！（换代理 1 次）", 0}));

TEST_F(ProxyEndToEnd, ASocks5ProxyCarriesTheWholeSearch) {
  FakeEngine serving;
  ASSERT_TRUE(serving.start());
  Socks5Proxy socks;
  socks.target = serving.port();
  useList(QStringLiteral("socks5://127.0.0.1:%1\n").arg(socks.serverPort()));

  Window w;
  w.form.Memo2->setPlainText(QStringLiteral("一\n二\n"));
  gEngine->clearRequests();
  w.search();
  ASSERT_TRUE(w.waitFor([&] { return w.status(6).contains(QStringLiteral("代理 1/1：127.0.0.1:%1").arg(socks.serverPort())); }, 10000))
      << w.describe();
  ASSERT_TRUE(w.waitForEnd(60000)) << w.describe();
  EXPECT_EQ(w.status(6), QStringLiteral("搜索已经结束！"));
  ASSERT_EQ(serving.requests().size(), 4);
  QList<QByteArray> served;
  for (const RecordedRequest& r : serving.requests()) served << r.fax;
  EXPECT_EQ(listed(w), served);
  ASSERT_FALSE(socks.asked.isEmpty());
  EXPECT_EQ(socks.asked.first(), QByteArray("www.baidu.com:80"));
  EXPECT_TRUE(gEngine->requests().isEmpty());
}

}  // namespace
