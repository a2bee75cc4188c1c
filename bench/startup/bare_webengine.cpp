// A bare program that shows one QWebEngineView in a window titled "Bare",
// as the program's main window shows its browser pane: the start-up any
// program built on Qt WebEngine pays before it does anything of its own.
#include <QApplication>
#include <QWebEngineView>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWebEngineView view;
  view.setWindowTitle(QStringLiteral("Bare"));
  view.resize(800, 600);
  view.show();
  return app.exec();
}
