// See engines_binding.h.
#include "ui/main/engines_binding.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include "files/data_folder.h"
#include "search/engine_catalogue.h"
#include "ui/common/dialogs.h"
#include "ui/common/error_box.h"
#include "ui/shell/shell_open.h"

namespace valo::ui {
namespace {

// The box's own four entries, which the file's engines follow.
constexpr int kBuiltInChoices = 4;

}  // namespace

EnginesBinding::EnginesBinding(QComboBox& box, QWidget& parent, search::EngineCatalogue& engines)
    : box_(box), parent_(parent), engines_(engines) {
  // The engine box's context menu is where a user looks to change engines.
  if (QLineEdit* edit = box_.lineEdit()) {
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(edit, &QWidget::customContextMenuRequested, &box_, [this, edit](const QPoint& at) {
      QMenu* menu = edit->createStandardContextMenu();
      menu->setAttribute(Qt::WA_DeleteOnClose);
      menu->addSeparator();
      QObject::connect(menu->addAction(QStringLiteral("编辑搜索引擎文件")), &QAction::triggered, &box_,
                       [this] { guarded([this] { openInEditor(); }); });
      QObject::connect(menu->addAction(QStringLiteral("重新载入搜索引擎")), &QAction::triggered, &box_,
                       [this] { guarded([this] { load(); }); });
      menu->popup(edit->mapToGlobal(at));
    });
  }
}

bool EnginesBinding::ensureFileExists() {
  if (QFile::exists(files::enginesReadPath())) return true;
  QFile file(files::enginesFilePath());
  // NewOnly: a file that appeared meanwhile is the user's and stays as it is.
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
  const std::string_view example = search::exampleEngineFile();
  const bool written = file.write(example.data(), static_cast<qint64>(example.size())) ==
                       static_cast<qint64>(example.size());
  file.close();
  if (!written) file.remove();
  return written;
}

void EnginesBinding::load() {
  ensureFileExists();
  search::EngineFileContents contents = search::loadEngineFile(files::enginesReadPath());
  engines_.replaceFileEngines(std::move(contents.engines));
  refillBox();
  if (contents.problems.empty()) return;
  const QString text = QStringLiteral("搜索引擎文件 %1 中有以下问题，这些搜索引擎未载入：\n\n%2")
                           .arg(files::enginesReadPath(), search::describeProblems(contents.problems));
  QPointer<QWidget> parent(&parent_);
  QTimer::singleShot(0, &parent_, [parent, text] {
    if (parent) dialogs::showWarning(parent, text);
  });
}

void EnginesBinding::refillBox() {
  // The box's text is the user's choice (or the progress file's) and stays.
  const QString text = box_.currentText();
  while (box_.count() > kBuiltInChoices) box_.removeItem(box_.count() - 1);
  for (const auto& engine : engines_.fileEngines()) {
    const std::string_view home = engine->row().homeAddress;
    box_.addItem(QString::fromUtf8(home.data(), static_cast<qsizetype>(home.size())));
  }
  box_.setEditText(text);
}

void EnginesBinding::openInEditor() {
  if (!ensureFileExists()) {
    dialogs::showMessage(&parent_, QStringLiteral("无法创建搜索引擎文件：") + files::enginesFilePath());
    return;
  }
  const QString path = files::enginesReadPath();
  if (!openUrl(QUrl::fromLocalFile(path)))
    dialogs::showMessage(&parent_, QStringLiteral("没有可打开此文件的编辑器，请手动编辑：") + path);
}

}  // namespace valo::ui
