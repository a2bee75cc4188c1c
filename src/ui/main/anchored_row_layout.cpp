// See anchored_row_layout.h.
#include "ui/main/anchored_row_layout.h"

#include <QWidget>
#include <algorithm>

namespace valo::ui {

AnchoredRowLayout::AnchoredRowLayout(QWidget* parent, int designWidth, int anchoredWidth)
    : QLayout(parent), designWidth_(designWidth), anchoredWidth_(anchoredWidth) {}

AnchoredRowLayout::~AnchoredRowLayout() {
  while (QLayoutItem* item = takeAt(0)) delete item;
}

void AnchoredRowLayout::addItem(QLayoutItem* item) {
  items_.append(item);
}

QLayoutItem* AnchoredRowLayout::itemAt(int index) const {
  return items_.value(index);
}

QLayoutItem* AnchoredRowLayout::takeAt(int index) {
  if (index < 0 || index >= items_.size()) return nullptr;
  return items_.takeAt(index);
}

int AnchoredRowLayout::count() const {
  return static_cast<int>(items_.size());
}

int AnchoredRowLayout::height() const {
  int h = 0;
  for (const QLayoutItem* item : items_) h = std::max(h, item->sizeHint().height());
  const QMargins m = contentsMargins();
  return h + m.top() + m.bottom();
}

QSize AnchoredRowLayout::sizeHint() const {
  return {designWidth_, height()};
}

QSize AnchoredRowLayout::minimumSize() const {
  return {0, height()};
}

void AnchoredRowLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  if (items_.isEmpty()) return;
  const QRect area = rect.marginsRemoved(contentsMargins());
  const int gap = std::max(spacing(), 0);
  auto place = [&area](QLayoutItem* item, int x, int width) {
    const int h = std::min(item->sizeHint().height(), area.height());
    item->setGeometry(QRect(x, area.top() + (area.height() - h) / 2, width, h));
  };
  int x = area.left();
  for (qsizetype i = 0; i + 1 < items_.size(); ++i) {
    QLayoutItem* item = items_[i];
    if (item->isEmpty()) continue;
    const int w = item->sizeHint().width();
    place(item, x, w);
    x += w + gap;
  }
  // The anchored control's left edge stays where the design row puts it.
  const int designLeft = rect.left() + designWidth_ - contentsMargins().right() - anchoredWidth_;
  const int left = std::max(designLeft, x);
  const int width = std::max(area.right() + 1 - left, kMinimumAnchoredWidth);
  place(items_.last(), left, width);
}

}  // namespace valo::ui
