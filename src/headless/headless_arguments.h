// The command line of a search without a window: which keyword file, engine,
// pause, start line and switches, each left unset where the progress and
// options files are to decide. Checked whole before anything is written.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

#include "text/gbk.h"

namespace valo::headless {

struct HeadlessArguments {
  QString keywordFile;  // empty: the keyword file the window reads
  std::optional<GbkString> engine;
  std::optional<int> pauseSeconds;
  std::optional<int> startLine;
  std::optional<bool> dedup;    // 去重
  std::optional<bool> history;  // 历史去重
  std::optional<bool> wide;     // 扩展识别
  bool json = false;
  bool help = false;
};

// A bad option or value: what() is the one line the user is shown.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// True when the program was asked to run without a window.
bool wantsHeadless(const QStringList& arguments);

// `arguments` as the program got them (the program's name first). Throws
// UsageError for an unknown option, a missing or bad value.
HeadlessArguments parseHeadlessArguments(const QStringList& arguments);

// What --help prints.
QString headlessHelpText();

}  // namespace valo::headless
