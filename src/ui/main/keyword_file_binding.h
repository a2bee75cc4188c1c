// The keyword box kept in its file while the program runs: a few seconds
// after the user stops typing (or uses the builder), when a search starts,
// and at exit. Each write replaces the file atomically, so a crash, a kill or
// a power cut loses at most the last few seconds of typing.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

namespace valo::files {
class KeywordStore;
}

namespace valo::ui {

class KeywordBox;

class KeywordFileBinding {
 public:
  // How long after the last edit the file is written.
  static constexpr int kQuietMilliseconds = 2000;

  // `failed` is told the file's path when an edit could not be written.
  KeywordFileBinding(KeywordBox& box, files::KeywordStore& store, std::function<void(const QString&)> failed);

  // Writes the box now if it has edits the file lacks.
  void saveEdits();
  // The exit's write: the box as it is, edited or not.
  void saveAtExit();

 private:
  KeywordBox& box_;
  files::KeywordStore& store_;
  std::function<void(const QString&)> failed_;
  QTimer quiet_;
  bool edited_ = false;
};

}  // namespace valo::ui
