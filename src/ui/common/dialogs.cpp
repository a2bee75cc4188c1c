// Modal boxes and file dialogs with the program's own Chinese texts; see
// dialogs.h.
#include "ui/common/dialogs.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "ui/common/app_texts.h"

namespace valo::ui::dialogs {
namespace {

struct Hooks {
  bool enabled = false;
  std::deque<QVariant> answers;
  std::vector<Shown> shown;
};

Hooks& hooks() {
  static Hooks h;
  return h;
}

QVariant takeAnswer() {
  if (hooks().answers.empty()) return {};
  QVariant a = hooks().answers.front();
  hooks().answers.pop_front();
  return a;
}

bool hooked(Kind kind, const QString& caption, const QString& text, const QString& initial = {}) {
  if (!hooks().enabled) return false;
  hooks().shown.push_back({kind, caption, text, initial});
  return true;
}

// The confirmation question. QMessageBox treats closing it by the title bar's
// close box like a press of its escape button, which is No here; the program
// lets a closed question mean "not refused", so the box remembers being
// closed before any button was pressed.
class QuestionBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;
  bool closedWithoutAnswer() const { return closedWithoutAnswer_; }

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (clickedButton() == nullptr) closedWithoutAnswer_ = true;
    QMessageBox::closeEvent(event);
  }

 private:
  bool closedWithoutAnswer_ = false;
};

void box(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) {
  QMessageBox b(icon, caption, text, QMessageBox::NoButton, parent);
  b.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
  b.exec();
}

// "desc|pattern|desc|pattern" to Qt's "desc (pattern);;..." form.
QString qtFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString desc = parts[i];
    // Qt reads the patterns from the parentheses at the end of the text.
    if (!desc.endsWith(QLatin1Char(')'))) desc += QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    out << desc;
  }
  return out.join(QStringLiteral(";;"));
}

void chineseLabels(QFileDialog& d, bool save) {
  d.setOption(QFileDialog::DontUseNativeDialog);
  d.setLabelText(QFileDialog::Accept, save ? QStringLiteral("保存") : QStringLiteral("打开"));
  d.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
  d.setLabelText(QFileDialog::LookIn, save ? QStringLiteral("保存在：") : QStringLiteral("查找范围："));
  d.setLabelText(QFileDialog::FileName, QStringLiteral("文件名："));
  d.setLabelText(QFileDialog::FileType, save ? QStringLiteral("保存类型：") : QStringLiteral("文件类型："));
}

}  // namespace

void enableTestHooks(bool on) {
  hooks().enabled = on;
  hooks().answers.clear();
  hooks().shown.clear();
}
void queueAnswer(const QVariant& answer) {
  hooks().answers.push_back(answer);
}
std::vector<Shown>& shownDialogs() {
  return hooks().shown;
}

void showInformation(QWidget* parent, const QString& text) {
  if (hooked(Kind::Information, QStringLiteral("信息"), text)) return;
  box(parent, QMessageBox::Information, QStringLiteral("信息"), text);
}

void showMessage(QWidget* parent, const QString& text) {
  if (hooked(Kind::Message, applicationTitle(), text)) return;
  box(parent, QMessageBox::NoIcon, applicationTitle(), text);
}

void showError(QWidget* parent, const QString& text) {
  if (hooked(Kind::Error, applicationTitle(), text)) return;
  box(parent, QMessageBox::Critical, applicationTitle(), text);
}

void showWarning(QWidget* parent, const QString& text) {
  if (hooked(Kind::Warning, applicationTitle(), text)) return;
  box(parent, QMessageBox::Warning, applicationTitle(), text);
}

Confirmation confirm(QWidget* parent, const QString& text) {
  if (hooked(Kind::Confirm, QStringLiteral("确认"), text)) {
    const QVariant a = takeAnswer();
    return a.isValid() ? static_cast<Confirmation>(a.toInt()) : Confirmation::Dismissed;
  }
  QuestionBox b(QMessageBox::Question, QStringLiteral("确认"), text, QMessageBox::NoButton, parent);
  QPushButton* yes = b.addButton(QStringLiteral("是[&Y]"), QMessageBox::YesRole);
  QPushButton* no = b.addButton(QStringLiteral("否[&N]"), QMessageBox::NoRole);
  b.setDefaultButton(yes);  // Enter answers Yes
  b.setEscapeButton(no);    // Escape answers No
  b.exec();
  if (b.closedWithoutAnswer()) return Confirmation::Dismissed;
  if (b.clickedButton() == yes) return Confirmation::Yes;
  if (b.clickedButton() == no) return Confirmation::No;
  return Confirmation::Dismissed;
}

std::optional<QString> inputQuery(QWidget* parent, const QString& caption, const QString& prompt,
                                  const QString& initial) {
  if (hooked(Kind::Input, caption, prompt, initial)) {
    const QVariant a = takeAnswer();
    if (!a.isValid()) return std::nullopt;
    return a.toString();
  }
  QInputDialog d(parent);
  d.setWindowTitle(caption);
  d.setLabelText(prompt);
  d.setTextValue(initial);
  d.setOkButtonText(QStringLiteral("确定"));
  d.setCancelButtonText(QStringLiteral("取消"));
  if (d.exec() != QDialog::Accepted) return std::nullopt;
  return d.textValue();
}

QStringList openFileNames(QWidget* parent, const FileDialogOptions& o) {
  if (hooked(Kind::OpenFiles, o.title, o.filter, o.directory + o.fileName))
    return takeAnswer().toStringList();
  QFileDialog d(parent, o.title, o.directory);
  chineseLabels(d, false);
  d.setFileMode(QFileDialog::ExistingFiles);
  d.setAcceptMode(QFileDialog::AcceptOpen);
  d.setNameFilter(qtFilter(o.filter));
  if (!o.fileName.isEmpty()) d.selectFile(o.fileName);
  if (d.exec() != QDialog::Accepted) return {};
  return d.selectedFiles();
}

QString saveFileName(QWidget* parent, const FileDialogOptions& o) {
  if (hooked(Kind::SaveFile, o.title, o.filter, o.directory + o.fileName)) return takeAnswer().toString();
  for (;;) {
    QFileDialog d(parent, o.title, o.directory);
    chineseLabels(d, true);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    // The replace question comes below, in the program's own words.
    d.setOption(QFileDialog::DontConfirmOverwrite);
    d.setNameFilter(qtFilter(o.filter));
    if (!o.defaultSuffix.isEmpty()) d.setDefaultSuffix(o.defaultSuffix);
    if (!o.fileName.isEmpty()) d.selectFile(o.fileName);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
    const QString chosen = d.selectedFiles().constFirst();
    if (!QFileInfo::exists(chosen)) return chosen;
    QMessageBox q(QMessageBox::Warning, o.title, QStringLiteral("%1 已存在。\n要替换它吗?").arg(chosen),
                  QMessageBox::NoButton, parent);
    QPushButton* yes = q.addButton(QStringLiteral("是[&Y]"), QMessageBox::YesRole);
    q.setEscapeButton(q.addButton(QStringLiteral("否[&N]"), QMessageBox::NoRole));
    q.exec();
    if (q.clickedButton() == yes) return chosen;
  }
}

}  // namespace valo::ui::dialogs
