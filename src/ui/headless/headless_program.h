// The program without a window (`valofax --headless`): the off-screen
// browser, its proxy switch and clean-up, the signals, and the search
// without a window over them.
#pragma once

#include <QStringList>
#include <functional>

#include "headless/headless_run.h"

namespace valo::ui {

struct HeadlessHooks {
  std::function<void(const QString&)> writeLine;  // standard error
  std::function<void(const QString&)> writeHelp;  // standard output
  // Tests: a network check that passes, a shorter second.
  std::function<void(headless::HeadlessRun&)> prepare;
};

// Runs the command line `arguments` (the program's name first) to its end
// and returns the exit code. Needs the application object; its platform
// should be the off-screen one.
int runHeadless(const QStringList& arguments, const HeadlessHooks& hooks);

}  // namespace valo::ui
