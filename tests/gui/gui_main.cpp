// Test main for the window tests: the program's own application object (so
// that errors escaping a handler reach the standard error box as they do in
// the program) on the offscreen platform, dialogs answered by the tests,
// addresses caught instead of opened, and the fake search engine reached as
// the browser's HTTP proxy so that nothing leaves the machine.
#include <gtest/gtest.h>

#include <QNetworkProxy>
#include <QStandardPaths>

#include "gui_env.h"
#include "ui/common/error_box.h"
#include "ui/main/window_font.h"
#include "ui/shell/shell_open.h"

namespace valo::testing {
FakeEngine* gEngine = nullptr;
}  // namespace valo::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QStandardPaths::setTestModeEnabled(true);
  valo::ui::ValoApplication app(argc, argv);
  QApplication::setFont(valo::ui::windowFont());
  QApplication::setQuitOnLastWindowClosed(false);
  valo::ui::dialogs::enableTestHooks(true);
  valo::ui::setUrlOpenerForTests([](const QUrl& url) {
    valo::testing::gOpenedUrls << url;
    return true;
  });

  valo::testing::FakeEngine engine;
  if (!engine.start()) return 2;
  valo::testing::gEngine = &engine;
  QNetworkProxy::setApplicationProxy(
      QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), engine.port()));
  return RUN_ALL_TESTS();
}
