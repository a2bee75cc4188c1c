// The desktop opener behind openUrl, with the replaceable hook for tests.
#include "ui/shell/shell_open.h"

#include <QDesktopServices>

namespace valo::ui {
namespace {

std::function<bool(const QUrl&)>& opener() {
  static std::function<bool(const QUrl&)> current;
  return current;
}

}  // namespace

bool openUrl(const QUrl& url) {
  if (opener()) return opener()(url);
  return QDesktopServices::openUrl(url);
}

void setUrlOpenerForTests(std::function<bool(const QUrl&)> replacement) {
  opener() = std::move(replacement);
}

}  // namespace valo::ui
