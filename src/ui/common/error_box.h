// The one catch point for errors raised in handlers: an application object
// whose event dispatch shows any escaping error in the standard error box
// and lets the program go on.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>

namespace valo::ui {

// Shows the standard error box for `error`: error icon, the application
// title as caption, the text with a full stop added when it lacks one. An
// error raised while such a box is already open is written to the log
// instead, so an unattended run cannot pile up nested modal loops.
void showStandardError(std::exception_ptr error);

// Where the standard error's text goes instead of a box, for a run without
// a window, where a modal box would wait for a person who is not there.
// Null: the box again.
void setStandardErrorSink(std::function<void(const QString& text)> sink);

// Runs `handler`, sending anything it raises to the standard error box. For
// callbacks that do not come through the application's event dispatch.
template <typename F>
void guarded(F&& handler) {
  try {
    handler();
  } catch (...) {
    showStandardError(std::current_exception());
  }
}

class ValoApplication : public QApplication {
 public:
  ValoApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace valo::ui
