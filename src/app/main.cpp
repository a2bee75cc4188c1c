// Program start: the application and its four windows, created in order and
// living until the main window closes.
#include <QApplication>

#include "files/stale_temp_files.h"
#include "ui/common/error_box.h"
#include "ui/main/program_windows.h"
#include "ui/main/tform1.h"
#include "ui/main/window_font.h"
#include "ui/resources/icons.h"

int main(int argc, char** argv) {
  using namespace valo::ui;
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
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
