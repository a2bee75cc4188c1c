// Program start: the application and its four windows, created in order and
// living until the main window closes; or, with --headless, a search without
// any window that ends with its exit code.
#include <QApplication>
#include <QLoggingCategory>
#include <QTime>
#include <cstdio>

#include "files/stale_temp_files.h"
#include "headless/headless_arguments.h"
#include "headless/progress_lines.h"
#include "ui/common/error_box.h"
#include "ui/headless/headless_program.h"
#include "ui/main/program_windows.h"
#include "ui/main/tform1.h"
#include "ui/main/window_font.h"
#include "ui/resources/icons.h"

namespace {

bool gJsonLog = false;

void writeLogLine(const QString& line) {
  std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
  std::fflush(stderr);
}

// Qt's and the browser's own messages join the run's log: as objects of
// their own under --json, so that every line stays one JSON object.
void headlessMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
  const QString text = message.trimmed();
  if (text.isEmpty()) return;
  writeLogLine(gJsonLog ? valo::headless::formatNotice(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")),
                                                       QStringLiteral("log"), text, true)
                        : text);
}

int headlessMain(int argc, char** argv, const QStringList& arguments) {
  using namespace valo::ui;
  // No X server, no window manager, no tray: the browser draws off screen.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Standard error is the run's log: the browser's start-up report is not news.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false\nqt.webenginecontext.debug=false"));
  gJsonLog = arguments.contains(QStringLiteral("--json"));
  qInstallMessageHandler(headlessMessage);
  ValoApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("valofax"));
  valo::files::removeStaleTemporaryFiles();
  HeadlessHooks hooks;
  hooks.writeLine = writeLogLine;
  hooks.writeHelp = [](const QString& text) { std::fputs(text.toLocal8Bit().constData(), stdout); };
  return runHeadless(QCoreApplication::arguments(), hooks);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace valo::ui;
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (valo::headless::wantsHeadless(arguments)) return headlessMain(argc, argv, arguments);
  ValoApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("valofax"));
  QApplication::setWindowIcon(programIcon());
  QApplication::setFont(windowFont());
  // The tray icon keeps the program alive while the window is hidden; the
  // main window's closing ends it.
  QApplication::setQuitOnLastWindowClosed(false);
  // A kill during a save leaves the fresh copy beside the file; the next start
  // clears those no running copy of the program is still writing.
  valo::files::removeStaleTemporaryFiles();

  int result = 0;
  {
    ProgramWindows windows;
    windows.Form1()->show();
    result = QApplication::exec();
  }  // Form1's destruction writes the keyword file
  return result;
}
