// The engines file beside the engine box: loads "valofaxengines.ini" at
// start (copying the shipped example there when the user has none), lists
// its engines after the box's four, tells the user once about faulty
// sections, opens the file in the desktop's editor and reloads it on demand.
#pragma once

#include <QString>

class QComboBox;
class QWidget;

namespace valo::search {
class EngineCatalogue;
}

namespace valo::ui {

class EnginesBinding {
 public:
  // The box gets the file's engines appended; `parent` owns the messages.
  // The engines go into `engines`, the catalogue the search looks them up in.
  EnginesBinding(QComboBox& box, QWidget& parent, search::EngineCatalogue& engines);

  // Reads the file and puts its engines into the catalogue. Faults are reported after the
  // current event, so start-up goes on; the file is never rewritten.
  void load();
  // Opens the file in the desktop's text editor, creating it from the
  // example when there is none.
  void openInEditor();

 private:
  // Writes the example where the program's files are written, unless the
  // user already has an engines file; false when it could not be written.
  bool ensureFileExists();
  void refillBox();

  QComboBox& box_;
  QWidget& parent_;
  search::EngineCatalogue& engines_;
};

}  // namespace valo::ui
