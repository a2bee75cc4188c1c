// Fixed texts of the application that several windows share.
#pragma once

#include <QString>

namespace valo::ui {

// The application title (with a blank before "V2.1"): taskbar button and the
// caption of plain message boxes and error boxes.
inline QString applicationTitle() {
  return QStringLiteral("『Valo传真搜索』 V2.1");
}

// The main window's caption starts without that blank.
inline QString productCaption() {
  return QStringLiteral("『Valo传真搜索』V2.1");
}

// The maker's contact line, home page and mail address: the program's own.
inline QString contactLine() {
  return QStringLiteral("主页：www.valofax.example  电话：0755-00000000");
}
inline QString homePageAddress() {
  return QStringLiteral("http://www.valofax.example/");
}
inline QString contactMailAddress() {
  return QStringLiteral("mailto:support@valofax.example");
}

}  // namespace valo::ui
