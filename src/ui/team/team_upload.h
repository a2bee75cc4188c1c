// The options window's 上传到团队 command: the keyword box's list, with the
// engine box's engine, put on the team's queue on the server that the
// window's team connection names, for the team's workers to take.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace valo::ui {

class OptionsWindow;

struct KeywordListToUpload {
  std::vector<std::string> keywords;  // UTF-8, one a line as the box holds them
  std::string engine;                 // UTF-8, the engine box's text
};

// Adds the button to `window`'s commands; `list` is asked when it is pressed.
void addTeamUploadCommand(OptionsWindow& window, std::function<KeywordListToUpload()> list);

}  // namespace valo::ui
