// The fake search engine as a program of its own, for the demo and for tests
// that drive the real program from outside: serves two result pages for every
// keyword of every engine on the given port (0: any free port), or first the
// pages named on the command line, in order.
//
//   fake_engine_server [--numbers-by-page] [PORT [MODE,MODE,...]]     e.g. 0 Pager,NoPager,Hang
//
// With --numbers-by-page a page's fax number follows from its keyword and
// page number, so a page read twice carries the same number.
// Prints "fake search engine on 127.0.0.1:PORT", then one line per recorded
// request: its number (from 1), its address and the fax number its page
// carries ("-" for none).
#include <QCoreApplication>
#include <QSocketNotifier>
#include <unistd.h>
#include <QTextStream>

#include "fake_engine.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  valo::testing::FakeEngine engine;
  engine.numbersByPage = args.removeAll(QStringLiteral("--numbers-by-page")) > 0;
  const quint16 port = args.size() > 1 ? args[1].toUShort() : 8765;
  if (args.size() > 2) {
    for (const QString& name : args[2].split(QLatin1Char(','), Qt::SkipEmptyParts)) {
      const std::optional<valo::testing::PageMode> mode = valo::testing::pageModeNamed(name);
      if (!mode) {
        QTextStream(stderr) << "unknown page mode " << name << "\n";
        return 2;
      }
      engine.queueModes({*mode});
    }
  }
  if (!engine.start(port)) {
    QTextStream(stderr) << "cannot listen on 127.0.0.1:" << port << "\n";
    return 1;
  }
  // Each line on standard input lets the held pages go, oldest first.
  QSocketNotifier release(0, QSocketNotifier::Read);
  QObject::connect(&release, &QSocketNotifier::activated, &engine, [&] {
    char buffer[256];
    const ssize_t got = ::read(0, buffer, sizeof buffer);
    if (got > 0) engine.releaseHeld();
    if (got == 0) release.setEnabled(false);
  });
  QTextStream out(stdout);
  out << "fake search engine on 127.0.0.1:" << engine.port() << Qt::endl;
  QObject::connect(&engine, &valo::testing::FakeEngine::requestRecorded, &engine,
                   [&](const valo::testing::RecordedRequest& r) {
                     out << engine.requests().size() << ' ' << r.url << ' '
                         << (r.fax.isEmpty() ? QByteArray("-") : r.fax) << Qt::endl;
                   });
  return QCoreApplication::exec();
}
