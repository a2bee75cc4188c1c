// Test main for the tests that drive the real windows and browser: a
// QApplication on the offscreen platform, dialogs answered by the tests, the
// user's files kept in a temporary folder, and the fake search engine
// reached as the browser's HTTP proxy.
#include <gtest/gtest.h>

#include <QApplication>
#include <QNetworkProxy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "e2e_env.h"
#include "files/data_folder.h"
#include "ui/common/dialogs.h"

namespace valo::testing {
FakeEngine* gEngine = nullptr;
QString gDataFolder;
}  // namespace valo::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Also when run by hand or listed by CTest: headless, and Chromium's
  // sandbox cannot run as root.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  QTemporaryDir data;
  valo::testing::gDataFolder = data.path() + QLatin1Char('/');
  valo::files::setDataFolderOverride(valo::testing::gDataFolder);
  valo::ui::dialogs::enableTestHooks(true);

  valo::testing::FakeEngine engine;
  if (!engine.start()) return 2;
  valo::testing::gEngine = &engine;
  // Every engine host goes through the fake engine; nothing leaves the machine.
  QNetworkProxy::setApplicationProxy(
      QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), engine.port()));
  return RUN_ALL_TESTS();
}
