// See team_upload.h. The connection is the one in the window as it stands,
// so a user can try a server before confirming the window; libpq's connect
// timeout bounds the wait.
#include "ui/team/team_upload.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "files/program_options.h"
#include "team/keyword_queue.h"
#include "text/app_error.h"
#include "ui/common/dialogs.h"
#include "ui/common/error_box.h"
#include "ui/options/options_window.h"

namespace valo::ui {
namespace {

struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

void upload(OptionsWindow& window, const KeywordListToUpload& list) {
  const QString connection = window.TeamConnectionEdit->text().trimmed();
  if (connection.isEmpty()) throw AppError(gbk("请先填写团队服务器"));
  if (files::carriesPassword(connection)) {
    throw AppError(gbk("团队服务器的连接中不能写密码：请把密码写在 ~/.pgpass 中（权限 0600）"));
  }
  std::size_t count = 0;
  for (const std::string& k : list.keywords) count += k.find_first_not_of(" \t\r") != std::string::npos;
  if (count == 0) throw AppError(gbk("关键字列表是空的"));
  const QString question = QStringLiteral("把关键字列表的 %1 个关键字（搜索引擎 %2）放入团队队列？")
                               .arg(count)
                               .arg(QString::fromStdString(list.engine));
  if (QMessageBox::question(&window, QStringLiteral("上传到团队"), question) != QMessageBox::Yes) return;
  files::ProgramOptions named;
  named.machineName = window.MachineNameEdit->text().trimmed();
  std::int64_t put = 0;
  try {
    const WaitCursor waiting;
    put = team::uploadToQueue(connection.toStdString(), files::machineNameOf(named).toStdString(), list.keywords,
                              list.engine);
  } catch (const team::TeamError& e) {
    throw AppError(gbk("上传到团队失败：") + gbkFromUtf8(e.what()));
  }
  dialogs::showInformation(&window, QStringLiteral("已把 %1 个关键字放入团队队列").arg(put));
}

}  // namespace

void addTeamUploadCommand(OptionsWindow& window, std::function<KeywordListToUpload()> list) {
  auto* button = new QPushButton(QStringLiteral("上传到团队(&T)…"), &window);
  button->setObjectName(QStringLiteral("TeamUploadButton"));
  button->setToolTip(QStringLiteral("把关键字列表放入团队服务器的队列，由团队工作进程逐个搜索"));
  window.commandsArea()->addWidget(button);
  QObject::connect(button, &QPushButton::clicked, &window,
                   [&window, list = std::move(list)] { guarded([&] { upload(window, list()); }); });
}

}  // namespace valo::ui
