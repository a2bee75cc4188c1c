// Painting the About window's bevelled panel.
#include "ui/about/bevel_panel.h"

#include <qdrawutil.h>
#include <QPainter>

namespace valo::ui {

BevelPanel::BevelPanel(QWidget* parent) : QWidget(parent) {}

void BevelPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& pal = palette();
  painter.fillRect(rect(), pal.color(QPalette::Base));
  qDrawShadeRect(&painter, rect(), pal, true, 1);                          // outer, lowered
  qDrawShadeRect(&painter, rect().adjusted(1, 1, -1, -1), pal, false, 1);  // inner, raised
}

}  // namespace valo::ui
