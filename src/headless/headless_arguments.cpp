// See headless_arguments.h. Values are checked here as far as they can be
// without the program's files; the engine and the keyword file are checked
// by the run before it opens anything.
#include "headless/headless_arguments.h"

#include "files/progress_file.h"

namespace valo::headless {
namespace {

struct Switch {
  const char* on;
  const char* off;
  std::optional<bool> HeadlessArguments::*field;
};
constexpr Switch kSwitches[] = {
    {"--dedup", "--no-dedup", &HeadlessArguments::dedup},
    {"--history", "--no-history", &HeadlessArguments::history},
    {"--wide", "--no-wide", &HeadlessArguments::wide},
};

int integerValue(const QString& option, const QString& text, int lowest, int highest) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < lowest || value > highest) {
    throw UsageError(QStringLiteral("%1: \"%2\" is not a whole number from %3 to %4")
                         .arg(option, text)
                         .arg(lowest)
                         .arg(highest)
                         .toStdString());
  }
  return value;
}

}  // namespace

bool wantsHeadless(const QStringList& arguments) {
  return arguments.contains(QStringLiteral("--headless"));
}

HeadlessArguments parseHeadlessArguments(const QStringList& arguments) {
  HeadlessArguments parsed;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    QString option = arguments[i];
    std::optional<QString> inlineValue;
    if (const qsizetype eq = option.indexOf(QLatin1Char('=')); option.startsWith(QLatin1String("--")) && eq > 0) {
      inlineValue = option.mid(eq + 1);
      option.truncate(eq);
    }
    auto value = [&]() -> QString {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= arguments.size()) throw UsageError((option + QStringLiteral(": a value is missing")).toStdString());
      return arguments[++i];
    };
    auto noValue = [&] {
      if (inlineValue) throw UsageError((option + QStringLiteral(" takes no value")).toStdString());
    };
    if (option == QLatin1String("--headless")) {
      noValue();
    } else if (option == QLatin1String("--json")) {
      noValue();
      parsed.json = true;
    } else if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
      noValue();
      parsed.help = true;
    } else if (option == QLatin1String("--team") || option == QLatin1String("--wait") ||
               option == QLatin1String("--upload")) {
      noValue();
      (option == QLatin1String("--team") ? parsed.team : option == QLatin1String("--wait") ? parsed.wait : parsed.upload) =
          true;
    } else if (option == QLatin1String("--connection")) {
      parsed.connection = value();
    } else if (option == QLatin1String("--machine")) {
      parsed.machine = value().trimmed();
      if (parsed.machine->isEmpty()) throw UsageError("--machine: the name is empty");
    } else if (option == QLatin1String("--lease")) {
      parsed.leaseSeconds = integerValue(option, value(), 3, 3600);
    } else if (option == QLatin1String("--keywords")) {
      parsed.keywordFile = value();
      if (parsed.keywordFile.isEmpty()) throw UsageError("--keywords: the file name is empty");
    } else if (option == QLatin1String("--engine")) {
      const QString engine = value();
      if (engine.isEmpty()) throw UsageError("--engine: the engine is empty");
      parsed.engine = toGbk(engine);
    } else if (option == QLatin1String("--pause")) {
      parsed.pauseSeconds =
          integerValue(option, value(), files::kIntervalMinSeconds, files::kIntervalMaxSeconds);
    } else if (option == QLatin1String("--start")) {
      parsed.startLine = integerValue(option, value(), 0, 0x7fffffff);
    } else {
      bool known = false;
      for (const Switch& s : kSwitches) {
        if (option == QLatin1String(s.on) || option == QLatin1String(s.off)) {
          noValue();
          parsed.*(s.field) = option == QLatin1String(s.on);
          known = true;
        }
      }
      if (!known) throw UsageError((option + QStringLiteral(": unknown option (see --help)")).toStdString());
    }
  }
  if ((parsed.wait || parsed.upload) && !parsed.team) {
    throw UsageError(parsed.wait ? "--wait: only with --team" : "--upload: only with --team");
  }
  if (parsed.team && parsed.startLine) throw UsageError("--start: a team's worker starts where the queue stands");
  return parsed;
}

QString headlessHelpText() {
  return QStringLiteral(
      "Usage: valofax --headless [options]\n"
      "Runs a search without a window: the same engines, engines file, proxies,\n"
      "refusal rules, number store, result and progress files as the window.\n"
      "Options left out take what the progress file (valofaxscan.ini) and the\n"
      "options file (valofaxoptions.ini) say.\n"
      "\n"
      "  --keywords FILE     the keyword list, one keyword a line, GBK\n"
      "                      (default: the window's keyword file valofaxbody.ini)\n"
      "  --engine ENGINE     the engine box's text: a built-in engine or the home\n"
      "                      address of one in valofaxengines.ini\n"
      "  --pause SECONDS     the pause between pages, 1 to 1000\n"
      "  --start LINE        the keyword line to start at, from 0\n"
      "                      (default: where the last search stopped)\n"
      "  --dedup, --no-dedup       去重: list a number once per search\n"
      "  --history, --no-history   历史去重: leave out numbers the store knows\n"
      "                            (this run only; the options file stays)\n"
      "  --wide, --no-wide         扩展识别: the wider reading (this run only)\n"
      "  --json              progress as one JSON object a line\n"
      "\n"
      "  --team              take keywords from the team's queue on its server\n"
      "                      until none is left, recording into the team's store\n"
      "  --wait              with --team: then wait for more keywords\n"
      "  --upload            with --team: put the keyword file on the queue, with\n"
      "                      the engine, and end\n"
      "  --connection CONN   the team's server, a libpq connection string or\n"
      "                      service=NAME (default: the options file's); the\n"
      "                      password comes from ~/.pgpass or the service file\n"
      "  --machine NAME      this machine's name in the team (default: the\n"
      "                      options file's, or the host name)\n"
      "  --lease SECONDS     how long a keyword stays taken without renewal, 3 to\n"
      "                      3600 (default 60)\n"
      "  --help              this text\n"
      "\n"
      "Progress goes to standard error, one line a page, and an end line.\n"
      "SIGTERM or SIGINT finishes the page in hand, saves the position and ends;\n"
      "a second one ends at once.\n"
      "\n"
      "Exit codes: 0 finished, 1 any other failure, 2 bad arguments,\n"
      "3 stopped by a signal, 4 the engine refused, 5 no usable proxy.\n");
}

}  // namespace valo::headless
