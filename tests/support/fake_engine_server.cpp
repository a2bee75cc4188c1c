// The fake search engine as a program of its own, for the demo: serves two
// result pages for every keyword of every engine on the given port.
#include <QCoreApplication>
#include <QTextStream>

#include "fake_engine.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const quint16 port = argc > 1 ? static_cast<quint16>(QByteArray(argv[1]).toUShort()) : 8765;
  valo::testing::FakeEngine engine;
  if (!engine.start(port)) {
    QTextStream(stderr) << "cannot listen on 127.0.0.1:" << port << "\n";
    return 1;
  }
  QObject::connect(&engine, &QTcpServer::newConnection, [&engine] {
    if (!engine.requests().isEmpty()) {
      QTextStream(stdout) << engine.requests().constLast().url << "\n";
    }
  });
  QTextStream(stdout) << "fake search engine on 127.0.0.1:" << engine.port() << "\n";
  return QCoreApplication::exec();
}
