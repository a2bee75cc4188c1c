// The program's window font: 宋体 at 12 pixels, with the CJK faces that
// stand in for it on Linux.
#pragma once

#include <QFont>

namespace valo::ui {

inline QFont windowFont() {
  QFont f;
  // AR PL UMing is a Song (Ming) face like 宋体; WenQuanYi covers what it lacks.
  f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
                 QStringLiteral("WenQuanYi Zen Hei")});
  f.setPixelSize(12);
  return f;
}

}  // namespace valo::ui
