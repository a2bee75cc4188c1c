// See tdelform.h.
#include "ui/cleanup/tdelform.h"

#include <QToolButton>

#include "ui/common/error_box.h"
#include "ui/resources/icons.h"

namespace valo::ui {

Tdelform::Tdelform(env::BrowserDataStore& store, QWidget* parent) : QDialog(parent), store_(store) {
  setObjectName(QStringLiteral("delform"));
  setWindowTitle(QStringLiteral("清空IE历史数据"));
  setFixedSize(202, 111);
  QFont f(QStringLiteral("宋体"));
  f.setPixelSize(12);
  setFont(f);
  SpeedButton4 = new QToolButton(this);
  SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
  SpeedButton4->setText(QStringLiteral("清理"));
  SpeedButton4->setIcon(glyph(QStringLiteral("cleanup")));
  SpeedButton4->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  SpeedButton4->setAutoRaise(true);
  SpeedButton4->setGeometry(64, 40, 75, 25);
  connect(SpeedButton4, &QToolButton::clicked, this, [this] { guarded([this] { N3Click(); }); });
}

void Tdelform::N3Click() {
  env::ClearBrowserData(store_);
}

}  // namespace valo::ui
