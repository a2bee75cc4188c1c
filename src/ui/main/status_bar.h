// `StatusBar1`: a status bar of fixed-width text panels, the last one taking
// the rest of the bar, and after them a note that is shown only while it
// has text (how far a search is).
#pragma once

#include <QLabel>
#include <QList>
#include <QWidget>

namespace valo::ui {

class PanelStatusBar : public QWidget {
  Q_OBJECT
 public:
  PanelStatusBar(const QList<int>& widths, QWidget* parent = nullptr);
  int panelCount() const { return static_cast<int>(panels_.size()); }
  QString panelText(int index) const;
  void setPanelText(int index, const QString& text);
  QLabel* panel(int index) const { return panels_.value(index); }
  // The note after the last panel; hidden while empty.
  void setTrailingText(const QString& text);
  QString trailingText() const;

 private:
  QList<QLabel*> panels_;
  QLabel* trailing_ = nullptr;
};

}  // namespace valo::ui
