// See team_worker.h. Each keyword is a run of its own, in the same browser,
// so a keyword's end, refusal or stop is exactly the window's; the queue
// only decides which keyword comes next.
#include "headless/team_worker.h"

#include "files/data_folder.h"
#include "files/program_options.h"
#include "headless/progress_lines.h"
#include "session/page_store.h"
#include "text/text_lines.h"

namespace valo::headless {
namespace {

constexpr const char* kDefaultEngine = "http://www.baidu.com";
constexpr int kQueueRetryMs = 5000;
// Without --wait, a server that stays away this long ends the worker.
constexpr int kQueueGiveUpTries = 12;

}  // namespace

TeamPlan planTeam(const HeadlessArguments& arguments) {
  const files::ProgramOptions options = files::loadProgramOptions(files::optionsReadPath());
  TeamPlan plan;
  if (arguments.connection) {
    plan.conninfo = arguments.connection->toStdString();
  } else if (!options.teamConnection.isEmpty()) {
    plan.conninfo = options.teamConnection.toStdString();
  } else {
    throw UsageError("--team: no team server is set (--connection, or the options window's team connection)");
  }
  plan.machine = (arguments.machine ? *arguments.machine : files::machineNameOf(options)).toStdString();
  plan.base.pauseSeconds = arguments.pauseSeconds.value_or(1);
  plan.base.dedup = arguments.dedup.value_or(false);
  return plan;
}

std::int64_t uploadKeywords(const HeadlessArguments& arguments, const TeamPlan& plan) {
  RunPlan checked;
  checked.engine = arguments.engine.value_or(GbkString(kDefaultEngine));
  planEngines(checked);
  const TextLines lines(readKeywordFile(arguments));
  std::vector<std::string> keywords;
  for (int i = 0; i < lines.count(); ++i) keywords.push_back(utf8FromGbk(lines.line(i)));
  return team::uploadToQueue(plan.conninfo, plan.machine, keywords, utf8FromGbk(checked.engine));
}

TeamWorker::TeamWorker(const HeadlessArguments& arguments, TeamPlan plan, env::BrowserControl& browser,
                       HeadlessSetup setup)
    : arguments_(arguments),
      plan_(std::move(plan)),
      browser_(browser),
      setup_(std::move(setup)),
      feed_(plan_.conninfo, plan_.machine, arguments_.leaseSeconds) {
  // 历史去重 is what keeps a keyword taken over from a lost machine from
  // listing its numbers twice: on unless the command line says otherwise.
  if (!arguments_.history) arguments_.history = true;
  team::TeamStoreSetup store;
  store.conninfo = plan_.conninfo;
  store.machine = plan_.machine;
  store.journalPath = team::localJournalPath();
  store.now = setup_.now;
  store_ = std::make_unique<team::TeamStore>(std::move(store));
  // The server's return is told even between keywords, when no run shows
  // the store's status.
  storeListener_ = store_->addListener([this] {
    QMetaObject::invokeMethod(&retry_, [this] {
      const bool trouble = store_->statusText().has_value();
      if (storeTrouble_ && !trouble) notice(QStringLiteral("status"), fromGbk(store_->takeNotice()));
      storeTrouble_ = trouble;
    }, Qt::QueuedConnection);
  });
  feed_.doneTold = [this](const team::TakenKeyword& taken, const team::KeywordResult& result, bool first) {
    notice(QStringLiteral("done"), QStringLiteral("#%1 号码 %2 个 页 %3 个%4")
                                       .arg(taken.id)
                                       .arg(result.numbersFound)
                                       .arg(result.pagesRead)
                                       .arg(first ? QString() : QStringLiteral("（另一台机器已完成）")));
  };
  retry_.setSingleShot(true);
  QObject::connect(&retry_, &QTimer::timeout, [this] { next(); });
}

TeamWorker::~TeamWorker() {
  store_->removeListener(storeListener_);
  run_.reset();
}

void TeamWorker::start() {
  notice(QStringLiteral("team"), QStringLiteral("机器 %1 从团队队列取关键字").arg(QString::fromStdString(plan_.machine)));
  next();
}

void TeamWorker::next() {
  if (stopping_) return finish(kExitSignal);
  std::optional<team::TakenKeyword> taken;
  try {
    taken = feed_.take();
    queueTries_ = 0;
  } catch (const team::TeamError& e) {
    notice(QStringLiteral("error"), QString::fromUtf8(e.what()));
    if (!e.connectionLost() || (!arguments_.wait && ++queueTries_ >= kQueueGiveUpTries)) return finish(kExitFailure);
    retry_.start(kQueueRetryMs);
    return;
  }
  if (!taken) {
    if (!arguments_.wait) return finish(kExitFinished);
    retry_.start(kQueueRetryMs);
    return;
  }
  RunPlan plan;
  plan.pauseSeconds = plan_.base.pauseSeconds;
  plan.dedup = plan_.base.dedup;
  plan.keywords = gbkFromUtf8(taken->keyword);
  plan.engine = gbkFromUtf8(taken->engine);
  plan.startLine = 0;
  try {
    planEngines(plan);
  } catch (const UsageError& e) {
    notice(QStringLiteral("error"), QStringLiteral("#%1: %2").arg(taken->id).arg(QString::fromUtf8(e.what())));
    keywordEnded(kExitFailure);
    return;
  }
  notice(QStringLiteral("keyword"), QStringLiteral("#%1 %2%3")
                                        .arg(taken->id)
                                        .arg(QString::fromStdString(taken->keyword))
                                        .arg(taken->takes > 1 ? QStringLiteral("（第 %1 次取）").arg(taken->takes)
                                                               : QString()));
  HeadlessSetup setup = setup_;
  setup.makeStore = [this] { return session::teamStorePort(*store_); };
  setup.keepsProgress = false;
  setup.writesEndLine = false;
  setup.queueId = taken->id;
  run_ = std::make_unique<HeadlessRun>(arguments_, std::move(plan), browser_, std::move(setup));
  if (prepare) prepare(*run_);
  // Its end is handled once the run has returned from telling it.
  run_->finished = [this](int code) { QTimer::singleShot(0, &retry_, [this, code] { keywordEnded(code); }); };
  run_->start();
}

void TeamWorker::keywordEnded(int code) {
  team::KeywordResult result;
  if (run_) {
    found_ += run_->found();
    pages_ += run_->pages();
    result.numbersFound = run_->found();
    result.pagesRead = run_->pages();
    result.refusals = run_->session().driver().refusedInSearch();
  }
  run_.reset();
  try {
    if (code == kExitFinished) {
      ++keywordsDone_;
      feed_.finish(result);
    } else {
      feed_.giveBack();
    }
  } catch (const team::TeamError& e) {
    // A finish is told again once the server is back.
    notice(QStringLiteral("error"), QString::fromUtf8(e.what()));
  }
  if (code != kExitFinished) return finish(code);
  next();
}

void TeamWorker::stop() {
  stopping_ = true;
  retry_.stop();
  if (run_) return run_->stop();
  finish(kExitSignal);
}

void TeamWorker::endNow() {
  stopping_ = true;
  if (run_) return run_->endNow();
  finish(kExitSignal);
}

void TeamWorker::finish(int code) {
  if (done_) return;
  done_ = true;
  retry_.stop();
  // What the server has not taken yet stays in the journal for the next start.
  if (!store_->waitUntilIdle(5000)) {
    notice(QStringLiteral("status"),
           QStringLiteral("%1 条记录在本机等待，下次启动时写入团队服务器").arg(store_->waitingRecords()));
  }
  EndLine line;
  line.time = setup_.now().time().toString(QStringLiteral("HH:mm:ss"));
  line.exitCode = code;
  line.found = found_;
  line.pages = pages_;
  line.endText = code == kExitFinished ? QStringLiteral("团队队列已空，完成 %1 个关键字").arg(keywordsDone_)
                                       : QStringLiteral("完成 %1 个关键字").arg(keywordsDone_);
  if (setup_.writeLine) setup_.writeLine(formatEndLine(line, arguments_.json));
  if (finished) finished(code);
}

void TeamWorker::notice(const QString& kind, const QString& text) {
  if (setup_.writeLine) {
    setup_.writeLine(formatNotice(setup_.now().time().toString(QStringLiteral("HH:mm:ss")), kind, text,
                                  arguments_.json));
  }
}

}  // namespace valo::headless
