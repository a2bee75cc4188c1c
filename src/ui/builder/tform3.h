// `TForm3`, the keyword list builder: product words paired with fax markers,
// saved as a file or appended to the main window's keyword box.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "text/gbk.h"

class QLabel;
class QPlainTextEdit;
class QToolButton;

namespace valo::ui {

class TForm3 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);

  // Where the Use command's lines go: the main window's keyword box.
  std::function<void(const std::vector<GbkString>&)> appendToKeywords;

  QLabel *Label1, *Label2, *Label3;
  QPlainTextEdit *Memo1, *Memo2, *Memo3;
  QToolButton *SpeedButton2, *SpeedButton3, *SpeedButton1;

  static GbkString boxText(const QPlainTextEdit* box);

 public slots:
  void SpeedButton2Click();  // Create
  void SpeedButton3Click();  // Use
  void SpeedButton1Click();  // Save
};

}  // namespace valo::ui
