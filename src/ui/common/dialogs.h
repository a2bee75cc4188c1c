// Every modal box and file dialog of the program goes through here, so the
// Chinese captions and button texts are set in one place and tests can give
// the next answer instead of waiting on a modal loop.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace valo::ui::dialogs {

enum class Kind { Information, Message, Error, Confirm, Input, OpenFiles, SaveFile, Warning };

// What a test sees of a dialog that would have been shown.
struct Shown {
  Kind kind;
  QString caption;
  QString text;
  QString initial;  // input text, or the proposed file name / folder
};

// Answers of the confirmation question: Enter answers Yes and Escape No;
// closing the box by its title bar answers neither.
enum class Confirmation { Yes, No, Dismissed };

void showInformation(QWidget* parent, const QString& text);  // caption "信息"
void showMessage(QWidget* parent, const QString& text);      // caption: the application title
void showError(QWidget* parent, const QString& text);        // error icon, application title
void showWarning(QWidget* parent, const QString& text);      // warning icon, application title
Confirmation confirm(QWidget* parent, const QString& text);  // caption "确认", 是[&Y] / 否[&N]
std::optional<QString> inputQuery(QWidget* parent, const QString& caption, const QString& prompt,
                                  const QString& initial);

struct FileDialogOptions {
  QString title;
  QString filter;  // "文本文件(*.txt)|*.txt|所有文件(*.*)|*.*" form: description|pattern pairs
  QString directory;
  QString fileName;
  QString defaultSuffix;
};
QStringList openFileNames(QWidget* parent, const FileDialogOptions& options);  // empty: cancelled
QString saveFileName(QWidget* parent, const FileDialogOptions& options);       // empty: cancelled

// Test hooks: while enabled, no dialog is shown; each call records what
// would have been shown and takes the next queued answer (a QString for
// input and save dialogs, a QStringList for the open dialog, a Confirmation
// as int for the question; an empty queue answers "cancel").
void enableTestHooks(bool on);
void queueAnswer(const QVariant& answer);
std::vector<Shown>& shownDialogs();

}  // namespace valo::ui::dialogs
