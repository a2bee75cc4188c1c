// The window's file commands with their dialogs: Save the result list,
// write the progress file now, and merge number lists. Each remembers the
// folder or name last chosen for its dialog.
#pragma once

#include <QString>
#include <functional>

#include "files/progress_file.h"

class QWidget;

namespace valo::ui {

class PanelStatusBar;
class ResultListModel;

class FileCommands {
 public:
  FileCommands(QWidget& window, ResultListModel& results, PanelStatusBar& statusBar,
               std::function<files::ProgressValues()> progressValues);

  void saveResults();   // 保存
  void saveProgress();  // 进程
  void mergeLists();    // 合并

 private:
  QWidget& window_;
  ResultListModel& results_;
  PanelStatusBar& statusBar_;
  std::function<files::ProgressValues()> progressValues_;
  QString mergeSourcesDir_, mergeTargetName_, saveResultName_;
};

}  // namespace valo::ui
