// The proxy list's window: the list as text, one proxy a line, and below it
// every line that is not a proxy with the reason, checked as the user types.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace valo::ui {

class ProxyWindow : public QDialog {
  Q_OBJECT
 public:
  explicit ProxyWindow(QWidget* parent = nullptr);

  void setListText(const QString& text);
  QString listText() const;
  // "第 3 行 ftp://a:1：不是以 http:// 或 socks5:// 开头", one a line; empty when every line is good.
  QString badLinesText() const;

  QLabel* Label1;
  QPlainTextEdit* Memo1;  // the list
  QPlainTextEdit* Memo2;  // the lines that are not used
  QPushButton *Button1, *Button2;  // OK, Cancel

 private:
  void recheck();
};

}  // namespace valo::ui
