// Program start: the application and its four windows, created in order and
// living until the main window closes.
#include <QApplication>

#include "ui/about/about_form.h"
#include "ui/browser/browser_data_store.h"
#include "ui/browser/web_browser.h"
#include "ui/builder/tform3.h"
#include "ui/cleanup/tdelform.h"
#include "ui/common/app_texts.h"
#include "ui/common/error_box.h"
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

  auto* Form1 = new TForm1;
  TForm2 Form2;
  TForm3 Form3;
  Form3.appendToKeywords = [Form1](const std::vector<valo::GbkString>& lines) {
    Form1->appendKeywordLines(lines);
  };
  WebEngineDataStore browserData(Form1->WebBrowser1);
  Tdelform delform(browserData);
  Form1->Form2 = &Form2;
  Form1->Form3 = &Form3;
  Form1->delform = &delform;

  Form1->show();
  const int result = QApplication::exec();
  delete Form1;  // writes the keyword file
  return result;
}
