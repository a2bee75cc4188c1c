// Opening the proxy list's window over the file "valofaxproxies.txt": the
// file's text in, and back to the file (mode 0600) when the user confirms a
// changed list. The search session reads the file anew at every Search.
#pragma once

#include <vector>

#include "search/proxy_list.h"

class QWidget;

namespace valo::ui {
class OptionsWindow;
}

namespace valo::ui {

// Shows the window modally; true when a changed list was saved. Throws
// AppError when the file cannot be read or written.
bool openProxyDialog(QWidget* parent);

// Puts a 代理设置… button into the options window, where a user looks for
// the settings of a search.
void addProxyCommand(OptionsWindow& window);

}  // namespace valo::ui
