// See headless_program.h. The browser is shown on the off-screen platform:
// Chromium paces a hidden page's timers and loads slowly, and nobody sees
// an off-screen window.
#include "ui/headless/headless_program.h"

#include <QEventLoop>
#include <QTime>
#include <QTimer>

#include "env/browser_cleanup.h"
#include "headless/progress_lines.h"
#include "headless/signal_watch.h"
#include "headless/team_worker.h"
#include "text/app_error.h"
#include "ui/browser/application_proxy.h"
#include "ui/browser/browser_data_store.h"
#include "ui/browser/web_browser.h"
#include "ui/common/error_box.h"

namespace valo::ui {
namespace {

// Restores the error box when the run is over (tests run windows after it).
struct ErrorSink {
  explicit ErrorSink(std::function<void(const QString&)> sink) { setStandardErrorSink(std::move(sink)); }
  ~ErrorSink() { setStandardErrorSink(nullptr); }
};

}  // namespace

int runHeadless(const QStringList& arguments, const HeadlessHooks& hooks) {
  using namespace headless;
  auto say = [&](const QString& line) {
    if (hooks.writeLine) hooks.writeLine(line);
  };
  HeadlessArguments parsed;
  RunPlan plan;
  std::optional<TeamPlan> team;
  try {
    parsed = parseHeadlessArguments(arguments);
    if (parsed.help) {
      if (hooks.writeHelp) hooks.writeHelp(headlessHelpText());
      return kExitFinished;
    }
    if (parsed.team) {
      team = planTeam(parsed);
      if (parsed.upload) {
        const std::int64_t n = uploadKeywords(parsed, *team);
        say(QStringLiteral("valofax: %1 个关键字已放入团队队列").arg(n));
        return kExitFinished;
      }
    } else {
      plan = planRun(parsed);
    }
  } catch (const team::TeamError& e) {
    say(QStringLiteral("valofax: ") + QString::fromUtf8(e.what()));
    return kExitFailure;
  } catch (const UsageError& e) {
    say(QStringLiteral("valofax: ") + QString::fromUtf8(e.what()));
    return kExitUsage;
  } catch (const AppError& e) {
    say(QStringLiteral("valofax: ") + fromGbk(e.message()));
    return kExitFailure;
  }

  ErrorSink sink([&](const QString& text) { say(formatNotice(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")),
                                                             QStringLiteral("error"), text, parsed.json)); });
  WebBrowser browser;
  browser.resize(1024, 768);
  browser.show();
  WebEngineProxySwitch proxies(browser.page()->profile());
  WebEngineDataStore browserData(&browser);
  HeadlessSetup setup;
  setup.writeLine = hooks.writeLine;
  setup.proxySwitch = &proxies;
  setup.clearBrowserData = [&] { env::ClearBrowserData(browserData); };
  QEventLoop loop;
  int code = kExitFailure;
  auto ended = [&](int exitCode) {
    code = exitCode;
    QTimer::singleShot(0, &loop, [&] { loop.exit(); });
  };
  if (team) {
    TeamWorker worker(parsed, std::move(*team), browser, std::move(setup));
    worker.prepare = hooks.prepare;
    browser.OnDocumentComplete = [&] {
      guarded([&] {
        if (HeadlessRun* run = worker.currentRun()) run->session().driver().WebBrowser1DocumentComplete();
      });
    };
    worker.finished = ended;
    SignalWatch terminations([&](int count) { guarded([&] { count == 1 ? worker.stop() : worker.endNow(); }); });
    QTimer::singleShot(0, &loop, [&] { guarded([&] { worker.start(); }); });
    loop.exec();
    browser.OnDocumentComplete = nullptr;
    return code;
  }
  HeadlessRun run(parsed, std::move(plan), browser, std::move(setup));
  if (hooks.prepare) hooks.prepare(run);
  browser.OnDocumentComplete = [&] { guarded([&] { run.session().driver().WebBrowser1DocumentComplete(); }); };
  run.finished = ended;
  SignalWatch terminations([&](int count) { guarded([&] { count == 1 ? run.stop() : run.endNow(); }); });
  QTimer::singleShot(0, &loop, [&] { guarded([&] { run.start(); }); });
  loop.exec();
  browser.OnDocumentComplete = nullptr;
  return code;
}

}  // namespace valo::ui
