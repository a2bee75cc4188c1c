// See keyword_file_binding.h.
#include "ui/main/keyword_file_binding.h"

#include "files/keyword_store.h"
#include "ui/main/keyword_box.h"

namespace valo::ui {

KeywordFileBinding::KeywordFileBinding(KeywordBox& box, files::KeywordStore& store,
                                       std::function<void(const QString&)> failed)
    : box_(box), store_(store), failed_(std::move(failed)) {
  quiet_.setSingleShot(true);
  quiet_.setInterval(kQuietMilliseconds);
  QObject::connect(&quiet_, &QTimer::timeout, &quiet_, [this] { saveEdits(); });
  box_.onEdited = [this] {
    edited_ = true;
    quiet_.start();  // restarts while the user keeps typing
  };
}

void KeywordFileBinding::saveEdits() {
  quiet_.stop();
  if (!edited_) return;
  // A file that could not be read at start is never replaced; its edits
  // stay in the box until the exit, which keeps the same rule.
  if (store_.loadFailed()) return;
  if (store_.save(box_.text())) {
    edited_ = false;
  } else if (failed_) {
    failed_(store_.path());
  }
}

void KeywordFileBinding::saveAtExit() {
  quiet_.stop();
  // Failures at exit are silent: the program is going away and nothing
  // could show them.
  store_.saveAtExit(box_.text());
}

}  // namespace valo::ui
