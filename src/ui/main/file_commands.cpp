// See file_commands.h.
#include "ui/main/file_commands.h"

#include <QApplication>
#include <QFileInfo>
#include <QWidget>

#include "files/data_folder.h"
#include "files/number_merge.h"
#include "ui/common/dialogs.h"
#include "ui/main/result_list_model.h"
#include "ui/main/result_list_writer.h"
#include "ui/main/status_bar.h"

namespace valo::ui {
namespace {

const QString kListFilter = QStringLiteral("文本文件(*.txt)|*.txt|所有文件(*.*)|*.*");

}  // namespace

FileCommands::FileCommands(QWidget& window, ResultListModel& results, PanelStatusBar& statusBar,
                           std::function<files::ProgressValues()> progressValues)
    : window_(window), results_(results), statusBar_(statusBar), progressValues_(std::move(progressValues)) {}

void FileCommands::saveResults() {
  const QString path = dialogs::saveFileName(
      &window_, {QStringLiteral("搜索结果保存为"), QStringLiteral("Text files(*.txt)|*.txt|All files(*.*)|*.*"),
                 QString(), saveResultName_, QStringLiteral("txt")});
  if (path.isEmpty()) return;
  saveResultName_ = path;
  writeResultList(path, results_.numbers().items());
}

void FileCommands::saveProgress() {
  files::SaveProgress(files::progressFilePath(), progressValues_());
  dialogs::showMessage(&window_, QStringLiteral("已经保存当前传真号码搜索进程！"));
}

void FileCommands::mergeLists() {
  const QStringList sources = dialogs::openFileNames(
      &window_, {QStringLiteral("选择待合并的数据文件"), kListFilter, mergeSourcesDir_, QString(), QString()});
  if (sources.isEmpty()) return;
  mergeSourcesDir_ = QFileInfo(sources.constFirst()).absolutePath();
  const QString target = dialogs::saveFileName(
      &window_, {QStringLiteral("合并后的数据文件保存为"), kListFilter, QString(), mergeTargetName_, QString()});
  if (target.isEmpty()) return;
  mergeTargetName_ = target;
  if (files::targetIsAmongSources(sources, target)) {
    dialogs::showWarning(&window_, QStringLiteral("合并后的数据文件不能是待合并的数据文件之一，否则该文件的内容"
                                                  "将会丢失。请另选一个保存文件名。"));
    return;
  }
  QApplication::setOverrideCursor(Qt::BusyCursor);
  statusBar_.setPanelText(6, QStringLiteral("数据正处理中..."));
  window_.repaint();
  files::MergeOutcome outcome;
  try {
    outcome = files::MergeNumberLists(sources, target);
  } catch (...) {
    QApplication::restoreOverrideCursor();
    throw;
  }
  if (outcome.targetWritten) {
    statusBar_.setPanelText(6, QStringLiteral("文件合并整理完毕！共计：") + QString::number(outcome.lineCount));
  }
  QApplication::restoreOverrideCursor();
  if (outcome.error) throw *outcome.error;
}

}  // namespace valo::ui
