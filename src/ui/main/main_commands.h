// The main window's commands in one table: where each appears (toolbar or
// tray menu), its object name, caption, hint and glyph, and the window's
// handler it runs. The toolbar and the tray menu are both built from it, so a
// command added later gets its button and its menu item in one place.
#pragma once

#include <span>

class QAction;
class QToolButton;

namespace valo::ui {

class TForm1;
struct MainWindowControls;

struct MainCommand {
  // ToolbarIcon: a narrow button after the captioned ones that shows only its
  // glyph, its caption being its tooltip; the row has no room for more
  // captioned buttons.
  enum class Place { Toolbar, ToolbarIcon, TrayMenu };
  Place place;
  const char* objectName;
  const char* caption;  // empty for a menu separator
  const char* hint;     // toolbar only (ToolbarIcon: shown after the caption)
  const char* glyph;    // toolbar only: the key of its glyph
  void (TForm1::*handler)();  // null for a menu separator
  QToolButton* MainWindowControls::*button = nullptr;  // toolbar: the field it fills
  QAction* MainWindowControls::*item = nullptr;        // tray menu: the field it fills
};

std::span<const MainCommand> mainCommands();

// The toolbar's buttons, left to right in `form.CoolBar1`.
void buildToolbar(TForm1& form);
// The tray menu `form.PopupMenu1`, top to bottom.
void buildTrayMenu(TForm1& form);

}  // namespace valo::ui
