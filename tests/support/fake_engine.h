// A fake search engine for tests and the demo: an HTTP server on loopback
// that answers the query addresses of all ten engines (and of the installed
// engines file's) with GBK result pages
// carrying fax lines and each engine's pager, reached by the browser as its
// HTTP proxy. It can be told to omit the pager, fail, hang, refuse the client
// as engines do when asked too often, or send pages that are empty, huge,
// binary, in the wrong encoding or without a body, and it records every
// request. Its verification pages carry a form that, once sent, sends the
// browser back to the address that was refused, as engines do.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <deque>
#include <functional>
#include <optional>

#include "search/engine_catalogue.h"

namespace valo::testing {

enum class PageMode {
  Pager,           // fax line and the engine's next-page pager
  NoPager,         // fax line only: the keyword's last page
  Error500,        // HTTP 500 with a short page
  Error404,        // HTTP 404 with a short page
  Empty,           // 200 with an empty body
  Huge,            // a 5 MB page of text with a fax line and no pager
  Dense,           // 400 lines of 200 "FAX:0755-NNNNNNNN " each: 80,000 distinct numbers
  Junk,            // 200 with binary bytes
  WrongEncoding,   // UTF-8 bytes labelled as GBK
  Captcha,         // 200 with a verification page: no fax line, no pager
  Refused429,      // HTTP 429 with a verification page
  Forbidden403,    // HTTP 403 with a short page
  Unavailable503,  // HTTP 503 with a short page
  NoBody,          // an XML document, which has no body element
  Hang,            // accepts the request and never answers
  // Answered only when the test lets them go (releaseHeld), oldest first;
  // each is then a page like NoPager.
  Held,            // nothing at all until released
  StalledBody,     // the head and the first line at once, the rest on release
  SlowImage,       // the whole page at once; its image's answer on release
};

// The mode named as in the enumeration ("Pager", "Refused429", ...); nullopt
// for an unknown name.
std::optional<PageMode> pageModeNamed(const QString& name);

struct RecordedRequest {
  QByteArray url;         // absolute address as the browser asked for it
  QString engine;         // engine name, empty when the address matches none
  QByteArray keyword;     // the keyword part of the address, as sent
  QByteArray pageNumber;  // the page number part, as sent
  QByteArray suffix;      // what follows the page number
  QByteArray fax;         // the fax number the page carried, empty if none
};

class FakeEngine : public QTcpServer {
  Q_OBJECT
 signals:
  // Every recorded request, as it is recorded (before it is answered).
  void requestRecorded(const valo::testing::RecordedRequest& request);

 public:
  explicit FakeEngine(QObject* parent = nullptr);
  ~FakeEngine() override;

  // Listens on 127.0.0.1 at `port` (0: any free port).
  bool start(quint16 port = 0);
  quint16 port() const { return serverPort(); }

  // How to answer the next requests, in order; when the queue is empty,
  // `fallback` decides (default: pager on page numbers 0/1 of a keyword
  // ... see pageModeFor).
  void queueModes(std::initializer_list<PageMode> modes);
  std::function<PageMode(const RecordedRequest&)> fallback;
  // The engines of the window's engines file, looked up after the table's;
  // null for the table's alone.
  const search::EngineCatalogue* catalogue = nullptr;
  // The fax number of a page follows from its keyword and page number, so a
  // page read again (by another worker, say) carries the same number.
  bool numbersByPage = false;

  const QList<RecordedRequest>& requests() const { return requests_; }
  void clearRequests() { requests_.clear(); }
  int hangingConnections() const;
  // Finishes the oldest answer still held back by Held, StalledBody or
  // SlowImage; false when none is.
  bool releaseHeld();
  int heldAnswers() const { return static_cast<int>(held_.size()); }

  // The fax number carried by the n-th served page (0-based): unique,
  // valid and already in the normalised form.
  static QByteArray faxNumberFor(int n);
  // The pager text that passes the engine's next-page rule.
  static QString pagerFor(const QString& engine);

 private:
  void onNewConnection();
  void answer(class QTcpSocket* socket, const QByteArray& request);

  std::deque<PageMode> modes_;
  QList<RecordedRequest> requests_;
  QList<class QTcpSocket*> hanging_;
  struct HeldAnswer {
    QPointer<QTcpSocket> socket;  // gone when the browser gave up on it
    QByteArray rest;
  };
  std::deque<HeldAnswer> held_;
  int served_ = 0;
};

// Splits an address into its engine's parts, using the engine table and
// the file engines of `catalogue` when given.
RecordedRequest parseEngineAddress(const QByteArray& url, const search::EngineCatalogue* catalogue = nullptr);

}  // namespace valo::testing
