// See fake_engine.h.
#include "fake_engine.h"

#include <QRandomGenerator>
#include <QTcpSocket>

#include "search/engine_file.h"
#include "search/engine_table.h"
#include "text/gbk.h"

namespace valo::testing {
namespace {

QByteArray gbkBytes(const QString& s) {
  const GbkString g = toGbk(s);
  return QByteArray(g.data(), static_cast<qsizetype>(g.size()));
}

QString escaped(const QString& s) {
  return s.toHtmlEscaped();
}

QByteArray page(const QString& engine, const QString& lines, const QByteArray& charset = "gbk") {
  const QString html = QStringLiteral(
                           "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=%1\">"
                           "<title>%2</title></head><body>%3</body></html>")
                           .arg(QString::fromLatin1(charset), escaped(engine), lines);
  return charset == "gbk" ? gbkBytes(html) : html.toUtf8();
}

QString div(const QString& text) {
  return QStringLiteral("<div>") + escaped(text) + QStringLiteral("</div>\n");
}

QByteArray response(int status, const QByteArray& type, const QByteArray& body) {
  QByteArray r = "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Error") + "\r\n";
  if (status == 429) r += "Retry-After: 60\r\n";
  r += "Content-Type: " + type + "\r\n";
  r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
  r += "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
  return r + body;
}

}  // namespace

std::optional<PageMode> pageModeNamed(const QString& name) {
  static const QHash<QString, PageMode> modes = {
      {QStringLiteral("Pager"), PageMode::Pager},
      {QStringLiteral("NoPager"), PageMode::NoPager},
      {QStringLiteral("Error500"), PageMode::Error500},
      {QStringLiteral("Error404"), PageMode::Error404},
      {QStringLiteral("Empty"), PageMode::Empty},
      {QStringLiteral("Huge"), PageMode::Huge},
      {QStringLiteral("Dense"), PageMode::Dense},
      {QStringLiteral("Junk"), PageMode::Junk},
      {QStringLiteral("WrongEncoding"), PageMode::WrongEncoding},
      {QStringLiteral("Captcha"), PageMode::Captcha},
      {QStringLiteral("Refused429"), PageMode::Refused429},
      {QStringLiteral("Forbidden403"), PageMode::Forbidden403},
      {QStringLiteral("Unavailable503"), PageMode::Unavailable503},
      {QStringLiteral("NoBody"), PageMode::NoBody},
      {QStringLiteral("Hang"), PageMode::Hang},
      {QStringLiteral("Held"), PageMode::Held},
      {QStringLiteral("StalledBody"), PageMode::StalledBody},
      {QStringLiteral("SlowImage"), PageMode::SlowImage},
  };
  const auto found = modes.constFind(name);
  if (found == modes.constEnd()) return std::nullopt;
  return *found;
}

RecordedRequest parseEngineAddress(const QByteArray& url, const search::EngineCatalogue* catalogue) {
  RecordedRequest r;
  r.url = url;
  // The table's rows, then the engines file's as the window holds them.
  std::vector<const search::SearchEngine*> engines;
  for (const search::SearchEngine& e : search::engineTable()) engines.push_back(&e);
  if (catalogue != nullptr) {
    for (const auto& f : catalogue->fileEngines()) engines.push_back(&f->row());
  }
  for (const search::SearchEngine* row : engines) {
    const search::SearchEngine& e = *row;
    const QByteArray prefix = QByteArray(e.scheme.data(), e.scheme.size()) +
                              QByteArray(e.queryHost.data(), e.queryHost.size()) +
                              QByteArray(e.pathHead.data(), e.pathHead.size());
    if (!url.startsWith(prefix)) continue;
    const QByteArray rest = url.mid(prefix.size());
    QByteArray key(e.pageKey.data(), e.pageKey.size());
    qsizetype at = rest.lastIndexOf(key);
    if (at < 0) {
      key.replace("|", "%7C");  // the browser may escape the bar
      at = rest.lastIndexOf(key);
    }
    if (at < 0) continue;
    r.engine = QString::fromLatin1(e.name.data(), e.name.size());
    r.keyword = rest.left(at);
    const QByteArray after = rest.mid(at + key.size());
    qsizetype digits = 0;
    while (digits < after.size() && std::isdigit(static_cast<unsigned char>(after[digits]))) ++digits;
    r.pageNumber = after.left(digits);
    r.suffix = after.mid(digits);
    return r;
  }
  return r;
}

FakeEngine::FakeEngine(QObject* parent) : QTcpServer(parent) {
  connect(this, &QTcpServer::newConnection, this, &FakeEngine::onNewConnection);
  fallback = [this](const RecordedRequest& r) {
    int seen = 0;
    for (const RecordedRequest& x : requests_) {
      // With numbers by page, only an earlier page counts: a keyword read
      // again from its first page gets both its pages again.
      const bool earlier = !numbersByPage || x.pageNumber.toLongLong() < r.pageNumber.toLongLong();
      seen += (x.engine == r.engine && x.keyword == r.keyword && earlier);
    }
    return seen == 0 ? PageMode::Pager : PageMode::NoPager;  // two pages per keyword
  };
}

FakeEngine::~FakeEngine() {
  for (QTcpSocket* s : hanging_) s->abort();
  for (const HeldAnswer& h : held_) {
    if (h.socket) h.socket->abort();
  }
}

bool FakeEngine::start(quint16 port) {
  return listen(QHostAddress::LocalHost, port);
}

void FakeEngine::queueModes(std::initializer_list<PageMode> modes) {
  modes_.insert(modes_.end(), modes.begin(), modes.end());
}

bool FakeEngine::releaseHeld() {
  if (held_.empty()) return false;
  const HeldAnswer h = held_.front();
  held_.pop_front();
  if (h.socket && h.socket->state() == QAbstractSocket::ConnectedState) {
    h.socket->write(h.rest);
    h.socket->disconnectFromHost();
  }
  return true;
}

int FakeEngine::hangingConnections() const {
  return static_cast<int>(hanging_.size());
}

QByteArray FakeEngine::faxNumberFor(int n) {
  return "020-" + QByteArray::number(88000000 + n);
}

QString FakeEngine::pagerFor(const QString& engine) {
  static const QHash<QString, QString> pagers = {
      {QStringLiteral("Baidu"), QStringLiteral("<上一页 1 2 3 下一页>")},
      {QStringLiteral("Google (Hong Kong)"), QStringLiteral("上一页 1 2 3 下一页")},
      {QStringLiteral("Yahoo China"), QStringLiteral("上一页 1 2 3 下一页")},
      {QStringLiteral("Soso"), QStringLiteral("1 2 3 下一页>")},
      {QStringLiteral("Sogou"), QStringLiteral("<<上一页 [1] [2] 下一页>>")},
      {QStringLiteral("Gougou"), QStringLiteral("[1] [2] 下一页")},
      {QStringLiteral("Youdao"), QStringLiteral("1 2 3 下一页")},
      {QStringLiteral("Live Search"), QStringLiteral("1 2 3 下一页")},
      {QStringLiteral("Zhongsou"), QStringLiteral("[1] [2] 下一页")},
      {QStringLiteral("114search"), QStringLiteral("1 2 3 下一页")},
      // The engine the end-to-end tests write into their engines file.
      {QStringLiteral("FileTest"), QStringLiteral("  第 1 2 3 后页>")},
  };
  return pagers.value(engine);
}

void FakeEngine::onNewConnection() {
  while (QTcpSocket* socket = nextPendingConnection()) {
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
      *buffer += socket->readAll();
      if (buffer->contains("\r\n\r\n")) {
        const QByteArray request = *buffer;
        buffer->clear();
        answer(socket, request);
      }
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
      hanging_.removeAll(socket);
      socket->deleteLater();
    });
  }
}

void FakeEngine::answer(QTcpSocket* socket, const QByteArray& request) {
  const QList<QByteArray> head = request.left(request.indexOf("\r\n")).split(' ');
  QByteArray url = head.value(1);
  if (!url.startsWith("http://")) {
    QByteArray host;
    for (const QByteArray& line : request.split('\n')) {
      if (line.toLower().startsWith("host:")) host = line.mid(5).trimmed();
    }
    url = "http://" + host + url;
  }
  if (url.endsWith("/favicon.ico")) {  // the browser's own request, not the run's
    socket->write(response(404, "text/plain", "no icon"));
    socket->disconnectFromHost();
    return;
  }
  if (url.endsWith("/slow-image")) {  // keeps a SlowImage page loading
    held_.push_back({socket, response(404, "text/plain", "no image")});
    return;
  }
  if (const qsizetype at = url.indexOf("/verify?return="); at >= 0 && url.indexOf('/', 7) == at) {
    // The verification form was sent: back to the refused address.
    QByteArray value = url.mid(at + 15);
    value.truncate(value.indexOf('&') < 0 ? value.size() : value.indexOf('&'));
    const QByteArray back = QByteArray::fromPercentEncoding(value.replace('+', ' '));
    QByteArray r = "HTTP/1.1 302 Found\r\nLocation: " + back +
                   "\r\nContent-Length: 0\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
    socket->write(r);
    socket->disconnectFromHost();
    return;
  }
  RecordedRequest r = parseEngineAddress(url, catalogue);
  PageMode mode = PageMode::NoPager;
  if (!modes_.empty()) {
    mode = modes_.front();
    modes_.pop_front();
  } else if (fallback) {
    mode = fallback(r);
  }
  const QString engine = r.engine.isEmpty() ? QStringLiteral("unknown") : r.engine;
  const QByteArray fax =
      numbersByPage ? faxNumberFor(static_cast<int>(qHash(r.keyword + "/" + r.pageNumber) % 1000000))
                    : faxNumberFor(served_);
  const QString faxLine =
      QStringLiteral("深圳某某机械有限公司 电话：0755-12340000 传真：") + QString::fromLatin1(fax);
  const QString intro = div(QStringLiteral("%1 的搜索结果").arg(engine)) +
                        div(QStringLiteral("相关网页约 1,000 篇，用时 0.01 秒"));
  QByteArray reply;
  switch (mode) {
    case PageMode::Pager:
    case PageMode::NoPager:
    case PageMode::Held:
    case PageMode::StalledBody:
    case PageMode::SlowImage:
      r.fax = fax;
      reply = response(200, "text/html; charset=gbk",
                       page(engine, intro + div(faxLine) +
                                        (mode == PageMode::Pager ? div(pagerFor(engine)) : QString()) +
                                        (mode == PageMode::SlowImage ? QStringLiteral("<img src=\"/slow-image\">")
                                                                     : QString())));
      break;
    case PageMode::Error500:
      reply = response(500, "text/html; charset=gbk", page(engine, div(QStringLiteral("服务器内部错误"))));
      break;
    case PageMode::Error404:
      reply = response(404, "text/html; charset=gbk", page(engine, div(QStringLiteral("找不到网页"))));
      break;
    case PageMode::Empty:
      reply = response(200, "text/html; charset=gbk", QByteArray());
      break;
    case PageMode::Huge: {
      r.fax = fax;
      QString filler;
      const QString line = div(QStringLiteral("这是一段很长的网页正文，没有任何号码，只用来占满页面。"));
      while (filler.size() < 2'600'000) filler += line;  // about 5 MB in GBK
      reply = response(200, "text/html; charset=gbk", page(engine, intro + filler + div(faxLine)));
      break;
    }
    case PageMode::Dense: {
      r.fax = "0755-20000000";
      QString lines;
      for (int line = 0; line < 400; ++line) {
        QString entries;
        for (int k = 0; k < 200; ++k) entries += QStringLiteral("FAX:0755-%1 ").arg(20000000 + line * 200 + k);
        lines += div(entries);
      }
      reply = response(200, "text/html; charset=gbk", page(engine, intro + lines));
      break;
    }
    case PageMode::Junk: {
      QByteArray junk(64 * 1024, '\0');
      QRandomGenerator rng(static_cast<quint32>(served_));
      for (char& c : junk) c = static_cast<char>(rng.bounded(256));
      reply = response(200, "text/html", junk);
      break;
    }
    case PageMode::WrongEncoding:
      reply = response(200, "text/html; charset=gbk",
                       page(engine, intro + div(QStringLiteral("乱码页面 传真：0755-87654321")), "utf-8")
                           .replace("charset=utf-8", "charset=gbk"));
      break;
    case PageMode::Captcha:
    case PageMode::Refused429: {
      // The form goes back through this engine's own host, as a real check does.
      const qsizetype pathAt = url.indexOf('/', 7);
      const QByteArray host = url.left(pathAt < 0 ? url.size() : pathAt);
      const QString form =
          QStringLiteral(
              "<form id=\"check\" method=\"get\" action=\"%1/verify\">"
              "<input type=\"hidden\" name=\"return\" value=\"%2\">"
              "<input name=\"code\"><img alt=\"验证码\"><input type=\"submit\" value=\"提交\">"
              "</form>")
              .arg(QString::fromLatin1(host), escaped(QString::fromLatin1(url)));
      reply = response(mode == PageMode::Captcha ? 200 : 429, "text/html; charset=gbk",
                       page(engine, div(QStringLiteral("请输入验证码以继续访问")) + form));
      break;
    }
    case PageMode::Forbidden403:
      reply = response(403, "text/html; charset=gbk", page(engine, div(QStringLiteral("Forbidden"))));
      break;
    case PageMode::Unavailable503:
      reply =
          response(503, "text/html; charset=gbk", page(engine, div(QStringLiteral("Service Unavailable"))));
      break;
    case PageMode::NoBody:
      reply = response(200, "application/xml", "<?xml version=\"1.0\"?><result>no body here</result>");
      break;
    case PageMode::Hang:
      requests_.append(r);
      ++served_;
      hanging_.append(socket);
      emit requestRecorded(r);
      return;
  }
  requests_.append(r);
  ++served_;
  emit requestRecorded(r);
  if (mode == PageMode::Held || mode == PageMode::StalledBody) {
    // A stalled page shows its first line, so the browser has a document
    // of it that is still loading.
    const qsizetype cut = mode == PageMode::Held ? 0 : reply.indexOf("</div>") + 6;
    socket->write(reply.left(cut));
    held_.push_back({socket, reply.mid(cut)});
    return;
  }
  socket->write(reply);
  socket->disconnectFromHost();
}

}  // namespace valo::testing
