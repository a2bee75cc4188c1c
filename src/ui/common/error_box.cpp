// See error_box.h.
#include "ui/common/error_box.h"

#include <QDebug>

#include "text/app_error.h"
#include "ui/common/dialogs.h"

namespace valo::ui {
namespace {

std::function<void(const QString&)>& errorSink() {
  static std::function<void(const QString&)> sink;
  return sink;
}

}  // namespace

void setStandardErrorSink(std::function<void(const QString&)> sink) {
  errorSink() = std::move(sink);
}

void showStandardError(std::exception_ptr error) {
  static bool boxOpen = false;
  QString text;
  try {
    std::rethrow_exception(error);
  } catch (const AppError& e) {
    text = fromGbk(errorBoxText(e.message()));
  } catch (const std::exception& e) {
    text = fromGbk(errorBoxText(gbkFromUtf8(e.what())));
  } catch (...) {
    text = QStringLiteral("Unknown error.");
  }
  if (errorSink()) {
    errorSink()(text);
    return;
  }
  if (boxOpen) {
    qWarning().noquote() << "error while an error box is open:" << text;
    return;
  }
  boxOpen = true;
  dialogs::showError(QApplication::activeWindow(), text);
  boxOpen = false;
}

ValoApplication::ValoApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ValoApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    showStandardError(std::current_exception());
    return true;
  }
}

}  // namespace valo::ui
