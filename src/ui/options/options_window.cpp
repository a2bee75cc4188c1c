// See options_window.h.
#include "ui/options/options_window.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace valo::ui {

OptionsWindow::OptionsWindow(const files::ProgramOptions& options, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("OptionsWindow"));
  setWindowTitle(QStringLiteral("选项"));
  auto* layout = new QVBoxLayout(this);

  HistoryDedupBox = new QCheckBox(QStringLiteral("历史去重"), this);
  HistoryDedupBox->setObjectName(QStringLiteral("HistoryDedupBox"));
  HistoryDedupBox->setToolTip(QStringLiteral("号码库中已有的号码（以前搜索到的或导入的）不再列出"));
  HistoryDedupBox->setChecked(options.historyDedup);
  layout->addWidget(HistoryDedupBox);

  WideReadingBox = new QCheckBox(QStringLiteral("扩展识别"), this);
  WideReadingBox->setObjectName(QStringLiteral("WideReadingBox"));
  WideReadingBox->setToolTip(QStringLiteral("识别更多的传真写法，一行中的每个传真号码都列出"));
  WideReadingBox->setChecked(options.wideReading);
  layout->addWidget(WideReadingBox);

  auto* team = new QFormLayout;
  TeamConnectionEdit = new QLineEdit(options.teamConnection, this);
  TeamConnectionEdit->setObjectName(QStringLiteral("TeamConnectionEdit"));
  TeamConnectionEdit->setPlaceholderText(QStringLiteral("host=… dbname=… user=…"));
  TeamConnectionEdit->setToolTip(QStringLiteral("团队的 PostgreSQL 服务器（libpq 连接串或 service=名称），"
                                                "供团队工作进程（valofax --headless --team）使用；"
                                                "密码写在 ~/.pgpass 中，不写在这里"));
  team->addRow(QStringLiteral("团队服务器"), TeamConnectionEdit);
  MachineNameEdit = new QLineEdit(options.machineName, this);
  MachineNameEdit->setObjectName(QStringLiteral("MachineNameEdit"));
  MachineNameEdit->setPlaceholderText(files::machineNameOf({}));
  MachineNameEdit->setToolTip(QStringLiteral("本机在团队中的名称；空：主机名"));
  team->addRow(QStringLiteral("本机名称"), MachineNameEdit);
  layout->addLayout(team);

  commands_ = new QVBoxLayout;
  layout->addLayout(commands_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

files::ProgramOptions OptionsWindow::options() const {
  files::ProgramOptions o;
  o.historyDedup = HistoryDedupBox->isChecked();
  o.wideReading = WideReadingBox->isChecked();
  o.teamConnection = TeamConnectionEdit->text().trimmed();
  o.machineName = MachineNameEdit->text().trimmed();
  return o;
}

}  // namespace valo::ui
