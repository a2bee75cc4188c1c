// See headless_run.h. The run answers the window's questions the way the
// user would have: the start question with the start line, a message box by
// a line on standard error.
#include "headless/headless_run.h"

#include <QFileInfo>

#include "files/data_folder.h"
#include "files/keyword_store.h"
#include "files/progress_file.h"
#include "headless/progress_lines.h"
#include "search/engine_file.h"
#include "text/app_error.h"

namespace valo::headless {
namespace {

// The engine box's first choice, which a window without a progress file shows.
constexpr const char* kDefaultEngine = "http://www.baidu.com";

// The progress file's lines as the window would take them.
struct PlanTarget : files::ProgressTarget {
  explicit PlanTarget(RunPlan& target) : plan(target) {}
  void setEngineText(const GbkString& text) override { plan.engine = text; }
  void setKeywordIndex(std::int32_t index) override { plan.keywordIndex = index; }
  void setDedupTicked(bool ticked) override { plan.dedup = ticked; }
  void setIntervalSeconds(std::int32_t seconds) override { plan.pauseSeconds = seconds; }
  RunPlan& plan;
};

QString errorText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const AppError& e) {
    return fromGbk(e.message());
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("Unknown error.");
  }
}

}  // namespace

GbkString readKeywordFile(const HeadlessArguments& arguments) {
  const QString keywordPath = arguments.keywordFile.isEmpty() ? files::keywordReadPath() : arguments.keywordFile;
  std::optional<GbkString> keywords;
  try {
    keywords = files::LoadKeywords(keywordPath);
  } catch (const AppError& e) {
    throw UsageError((QStringLiteral("--keywords: ") + fromGbk(e.message())).toStdString());
  }
  if (!keywords) throw UsageError((QStringLiteral("--keywords: no keyword file ") + keywordPath).toStdString());
  return std::move(*keywords);
}

RunPlan planRun(const HeadlessArguments& arguments) {
  RunPlan plan;
  plan.engine = GbkString(kDefaultEngine);
  plan.keywords = readKeywordFile(arguments);

  PlanTarget target(plan);
  files::LoadProgress(files::progressReadPath(), target);
  if (arguments.engine) plan.engine = *arguments.engine;
  if (arguments.pauseSeconds) plan.pauseSeconds = *arguments.pauseSeconds;
  if (arguments.dedup) plan.dedup = *arguments.dedup;
  plan.startLine = arguments.startLine;
  planEngines(plan);
  return plan;
}

void planEngines(RunPlan& plan) {
  search::EngineFileContents contents = search::loadEngineFile(files::enginesReadPath());
  if (!contents.problems.empty()) plan.engineProblems << search::describeProblems(contents.problems);
  search::EngineCatalogue probe;
  probe.replaceFileEngines(std::move(contents.engines));
  if (probe.find(plan.engine) == nullptr) {
    throw UsageError(QStringLiteral("--engine: \"%1\" is no known engine (built in or in %2)")
                         .arg(fromGbk(plan.engine), files::enginesReadPath())
                         .toStdString());
  }
  plan.fileEngines = probe.releaseFileEngines();
}

HeadlessRun::HeadlessRun(const HeadlessArguments& arguments, RunPlan plan, env::BrowserControl& browser,
                         HeadlessSetup setup)
    : arguments_(arguments), plan_(std::move(plan)), setup_(std::move(setup)), keywords_(plan_.keywords) {
  session::SessionSetup sessionSetup;
  sessionSetup.now = setup_.now;
  if (setup_.makeStore) sessionSetup.store = setup_.makeStore();
  sessionSetup.keepsProgress = setup_.keepsProgress;
  session_ = std::make_unique<session::SearchSession>(*this, *this, browser, std::move(sessionSetup));
  session_->engines().replaceFileEngines(std::move(plan_.fileEngines));
  session_->driver().state().KeywordIndex = plan_.keywordIndex;
  files::ProgramOptions options = session_->options().current();
  if (arguments_.history) options.historyDedup = *arguments_.history;
  if (arguments_.wide) options.wideReading = *arguments_.wide;
  session_->options().useForThisRun(options);
  for (const QString& problem : plan_.engineProblems) notice(QStringLiteral("warning"), toGbk(problem));
}

HeadlessRun::~HeadlessRun() = default;

void HeadlessRun::start() {
  try {
    session_->driver().N2Click();
  } catch (...) {
    reportError(std::current_exception());
    finish(kExitFailure);
    return;
  }
  // The start was refused (no network, an empty list): told already.
  if (session_->driver().phase() == search::RunPhase::Idle) finish(kExitFailure);
}

void HeadlessRun::stop() {
  stoppedBySignal_ = true;
  const search::RunPhase phase = session_->driver().phase();
  if (phase == search::RunPhase::Idle) return finish(kExitSignal);
  notice(QStringLiteral("stopping"), gbk("收到终止信号，读完当前页后结束"));
  try {
    session_->driver().N3Click();
  } catch (...) {
    reportError(std::current_exception());
  }
  // A halted run ends at Stop without an end step.
  if (session_->driver().phase() == search::RunPhase::Idle) finish(kExitSignal);
}

void HeadlessRun::endNow() {
  stoppedBySignal_ = true;
  if (done_) return;
  try {
    session_->driver().BitBtn1Click();  // its end reaches searchEnded
  } catch (...) {
    reportError(std::current_exception());
  }
  finish(kExitSignal);
}

void HeadlessRun::setStatusText(int panel, const GbkString& text) {
  // The run's own failures to keep things on disk are told as they come,
  // and their end.
  if (panel != 6) return;
  if (text.find(gbk("失败")) != std::string::npos) {
    storeTrouble_ = true;
    notice(QStringLiteral("status"), text);
  } else if (storeTrouble_) {
    storeTrouble_ = false;
    notice(QStringLiteral("status"), gbk("存储恢复正常"));
  }
}

void HeadlessRun::showInformation(const GbkString& text) {
  notice(QStringLiteral("information"), text);
}

void HeadlessRun::showMessage(const GbkString& text) {
  notice(QStringLiteral("message"), text);
}

std::optional<GbkString> HeadlessRun::inputQuery(const GbkString&, const GbkString&, const GbkString& initial) {
  if (plan_.startLine) return GbkString(std::to_string(*plan_.startLine));
  return initial;
}

void HeadlessRun::searchEnded(std::int32_t foundCount, const GbkString& endText) {
  int code = kExitFinished;
  if (stoppedBySignal_) {
    code = kExitSignal;
  } else if (session_->driver().endReason() == search::EndReason::EngineRefuses) {
    code = kExitEngineRefuses;
  } else if (session_->driver().endReason() == search::EndReason::NoUsableProxy) {
    code = kExitNoUsableProxy;
  }
  EndLine line;
  line.time = timeNow();
  line.exitCode = code;
  line.found = foundCount;
  line.pages = pages_;
  line.refusals = session_->driver().refusedInSearch();
  line.endText = fromGbk(endText);
  if (setup_.writeLine && setup_.writesEndLine) setup_.writeLine(formatEndLine(line, arguments_.json));
  finish(code);
}

void HeadlessRun::blockedEpisodeBegan(const GbkString& statusText) {
  notice(QStringLiteral("refused"), statusText);
}

std::string HeadlessRun::localAddress() {
  return setup_.localAddress ? setup_.localAddress() : SessionWindow::localAddress();
}

void HeadlessRun::clearBrowserData() {
  if (setup_.clearBrowserData) setup_.clearBrowserData();
}

files::ProgressValues HeadlessRun::progressValues(std::int32_t keywordIndex) {
  files::ProgressValues v;
  v.engineText = plan_.engine;
  v.keywordIndex = keywordIndex;
  v.dedupTicked = plan_.dedup;
  v.intervalSeconds = plan_.pauseSeconds;
  return v;
}

void HeadlessRun::reportError(std::exception_ptr error) {
  notice(QStringLiteral("error"), toGbk(errorText(error)));
}

void HeadlessRun::pageHarvested(const harvest::PageSource& page) {
  if (page.keywordLine != lastKeywordLine_) pageInKeyword_ = 0;
  lastKeywordLine_ = page.keywordLine;
  ++pageInKeyword_;
  ++pages_;
  PageLine line;
  line.time = timeNow();
  line.keyword = page.keywordLine;
  line.keywords = keywords_.count();
  line.page = pageInKeyword_;
  line.onPage = found_ - foundAtLastPage_;
  line.soFar = found_;
  line.refusals = session_->driver().refusedInSearch();
  if (const search::Proxy* proxy = session_->driver().proxies().current()) {
    line.proxy = QString::fromStdString(proxy->address());
  }
  line.address = fromGbk(page.address);
  line.queueId = setup_.queueId;
  foundAtLastPage_ = found_;
  if (setup_.writeLine) setup_.writeLine(formatPageLine(line, arguments_.json));
}

void HeadlessRun::notice(const QString& kind, const GbkString& text) {
  if (setup_.writeLine) setup_.writeLine(formatNotice(timeNow(), kind, fromGbk(text), arguments_.json));
}

QString HeadlessRun::timeNow() const {
  return setup_.now().time().toString(QStringLiteral("HH:mm:ss"));
}

void HeadlessRun::finish(int exitCode) {
  if (done_) return;
  done_ = true;
  if (finished) finished(exitCode);
}

}  // namespace valo::headless
