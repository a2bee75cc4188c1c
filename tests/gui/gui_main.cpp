// Test main for the window tests: the program's own application object (so
// that errors escaping a handler reach the standard error box as they do in
// the program) on the offscreen platform, dialogs answered by the tests,
// addresses caught instead of opened, and the fake search engine reached as
// the browser's HTTP proxy so that nothing leaves the machine.
#include <gtest/gtest.h>

#include <QNetworkProxy>
#include <QStandardPaths>
#include <utility>

#include "gui_env.h"
#include "ui/common/error_box.h"
#include "ui/main/window_font.h"
#include "ui/shell/shell_open.h"

namespace valo::testing {
FakeEngine* gEngine = nullptr;
}  // namespace valo::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The same environment the test runner is meant to give, so that a run by
  // hand or a runner that drops part of it still works: headless, UTF-8, and
  // Chromium without its sandbox, which refuses to run as root.
  const std::pair<const char*, const char*> environment[] = {
      {"QT_QPA_PLATFORM", "offscreen"},
      {"QTWEBENGINE_DISABLE_SANDBOX", "1"},
      {"QTWEBENGINE_CHROMIUM_FLAGS",
       "--disable-gpu --disable-background-networking --disable-component-update --no-first-run"},
      {"LC_ALL", "C.UTF-8"},
  };
  for (const auto& [name, value] : environment) {
    if (qEnvironmentVariableIsEmpty(name)) qputenv(name, value);
  }
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
