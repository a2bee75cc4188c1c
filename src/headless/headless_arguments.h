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
  // A team's worker: keywords come from the team's queue on its server.
  bool team = false;
  bool wait = false;    // with --team: wait for more keywords once none is left
  bool upload = false;  // with --team: put the keyword file on the queue and end
  std::optional<QString> connection;  // the team's server, over the options file's
  std::optional<QString> machine;     // this machine's name, over the options file's
  int leaseSeconds = 60;              // how long a taken keyword is held unrenewed
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
