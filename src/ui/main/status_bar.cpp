// See status_bar.h.
#include "ui/main/status_bar.h"

#include <QHBoxLayout>

namespace valo::ui {

PanelStatusBar::PanelStatusBar(const QList<int>& widths, QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  for (qsizetype i = 0; i <= widths.size(); ++i) {
    auto* label = new QLabel(this);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setObjectName(QStringLiteral("Panel%1").arg(i));
    if (i < widths.size()) {
      label->setFixedWidth(widths[i]);
      layout->addWidget(label);
    } else {
      label->setMinimumWidth(0);
      label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      layout->addWidget(label, 1);
    }
    panels_.append(label);
  }
  trailing_ = new QLabel(this);
  trailing_->setObjectName(QStringLiteral("RunProgress"));
  trailing_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  trailing_->hide();
  layout->addWidget(trailing_);
}

void PanelStatusBar::setTrailingText(const QString& text) {
  trailing_->setText(text);
  trailing_->setVisible(!text.isEmpty());
}

QString PanelStatusBar::trailingText() const {
  return trailing_->text();
}

QString PanelStatusBar::panelText(int index) const {
  const QLabel* p = panels_.value(index);
  return p ? p->text() : QString();
}

void PanelStatusBar::setPanelText(int index, const QString& text) {
  if (QLabel* p = panels_.value(index)) p->setText(text);
}

}  // namespace valo::ui
