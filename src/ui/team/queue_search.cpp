// See queue_search.h. A keyword is one search of the main window's run, so
// its pages, refusals, proxies and stop are exactly the window's; only its
// end differs: a keyword read to its end is marked done and the next one
// taken, anything else gives it back and ends the queue search.
#include "ui/team/queue_search.h"

#include "files/program_options.h"
#include "session/page_store.h"
#include "text/app_error.h"
#include "ui/common/error_box.h"

namespace valo::ui {

QueueSearch::QueueSearch(RunBinding& run, TeamStoreHolder& stores, std::function<void()> startSearch)
    : run_(run), stores_(stores), startSearch_(std::move(startSearch)) {
  retry_.setSingleShot(true);
  QObject::connect(&retry_, &QTimer::timeout, &context_, [this] { guarded([this] { next(); }); });
}

QueueSearch::~QueueSearch() {
  if (talker_.joinable()) talker_.join();
  if (active_) {
    run_.feedFrom(nullptr);
    if (feed_) {
      try {
        feed_->giveBack();
      } catch (const team::TeamError&) {
        // Its lease runs out on the server instead.
      }
    }
  }
}

void QueueSearch::start() {
  if (active_) return;
  if (run_.driver().phase() != search::RunPhase::Idle) throw AppError(gbk("请先终止当前的搜索"));
  const files::ProgramOptions& options = run_.session().options().current();
  if (options.teamConnection.isEmpty()) throw AppError(gbk("请先在选项中设置团队服务器连接"));
  const std::string conninfo = options.teamConnection.toStdString();
  const std::string machine = files::machineNameOf(options).toStdString();
  team::TeamStore& store = stores_.get(conninfo, machine);
  if (talker_.joinable()) talker_.join();  // the last search's last call
  if (!feed_ || conninfo != conninfo_ || machine != machine_) {
    conninfo_ = conninfo;
    machine_ = machine;
    feed_ = std::make_unique<team::QueueFeed>(conninfo_, machine_, kLeaseSeconds);
  }
  run_.session().useStore(session::teamStorePort(store), false);
  savedKeywordIndex_ = run_.driver().state().KeywordIndex;
  run_.feedFrom(this);
  active_ = true;
  stopping_ = false;
  firstKeyword_ = true;
  keywordsDone_ = 0;
  next();
}

void QueueSearch::stop() {
  if (!active_) return;
  stopping_ = true;
  retry_.stop();
  if (run_.driver().phase() != search::RunPhase::Idle) {
    run_.driver().N3Click();  // the keyword's end gives it back
    return;
  }
  // A call on its way ends the search when it comes back.
  if (!talking_ && !feed_->inHand()) end(QStringLiteral("已停止"));
}

void QueueSearch::offThread(std::function<void(team::QueueFeed&)> work, std::function<void(std::exception_ptr)> then) {
  if (talker_.joinable()) talker_.join();
  talking_ = true;
  talker_ = std::thread([this, work = std::move(work), then = std::move(then)]() mutable {
    std::exception_ptr error;
    try {
      work(*feed_);
    } catch (...) {
      error = std::current_exception();
    }
    QMetaObject::invokeMethod(&context_, [this, then = std::move(then), error] {
      talking_ = false;
      guarded([&] { then(error); });
    }, Qt::QueuedConnection);
  });
}

void QueueSearch::next() {
  if (!active_) return;
  if (stopping_) return end(QStringLiteral("已停止"));
  say(QStringLiteral("正在从团队队列取关键字…"));
  auto taken = std::make_shared<std::optional<team::TakenKeyword>>();
  offThread([taken](team::QueueFeed& feed) { *taken = feed.take(); },
            [this, taken](std::exception_ptr error) { gotKeyword(*taken, error); });
}

void QueueSearch::gotKeyword(std::optional<team::TakenKeyword> taken, std::exception_ptr error) {
  if (!active_) {
    if (taken) feed_->giveBack();
    return;
  }
  if (error) {
    try {
      std::rethrow_exception(error);
    } catch (const team::TeamError& e) {
      if (!e.connectionLost()) return end(QStringLiteral("团队服务器拒绝：") + QString::fromUtf8(e.what()));
      say(QStringLiteral("团队服务器连接失败，%1 秒后重试").arg(kRetryMs / 1000));
      if (stopping_) return end(QStringLiteral("已停止"));
      retry_.start(kRetryMs);
      return;
    }
  }
  if (stopping_) {
    if (taken) feed_->giveBack();
    return end(QStringLiteral("已停止"));
  }
  if (!taken) return end(QStringLiteral("团队队列已空，完成 %1 个关键字").arg(keywordsDone_));
  keyword_ = gbkFromUtf8(taken->keyword);
  engine_ = gbkFromUtf8(taken->engine);
  if (run_.session().engines().find(engine_) == nullptr) {
    feed_->giveBack();
    return end(QStringLiteral("#%1 的搜索引擎不在引擎列表中：%2")
                   .arg(taken->id)
                   .arg(QString::fromStdString(taken->engine)));
  }
  ended_.reset();
  pages_ = 0;
  say(QStringLiteral("正在搜索 #%1 %2").arg(taken->id).arg(QString::fromStdString(taken->keyword)));
  run_.driver().state().KeywordIndex = 0;
  try {
    startSearch_();
  } catch (...) {
    feed_->giveBack();
    end(QStringLiteral("搜索未能开始"));
    throw;
  }
  // Refused at its start (no network): told by the run already.
  if (run_.driver().phase() == search::RunPhase::Idle && feed_->inHand()) {
    feed_->giveBack();
    end(QStringLiteral("搜索未能开始"));
  }
  firstKeyword_ = false;
}

void QueueSearch::searchEnded(std::int32_t foundCount) {
  ended_ = foundCount;
}

void QueueSearch::runIdle() {
  // Handled once the run has returned from telling it.
  if (overQueued_ || talking_ || !feed_ || !feed_->inHand()) return;
  overQueued_ = true;
  QTimer::singleShot(0, &context_, [this] {
    overQueued_ = false;
    guarded([this] { keywordOver(); });
  });
}

void QueueSearch::keywordOver() {
  if (!active_ || talking_ || !feed_->inHand() || run_.driver().phase() != search::RunPhase::Idle) return;
  const bool readToEnd = ended_ && !run_.driver().state().StopRequested &&
                         run_.driver().endReason() == search::EndReason::Finished;
  keyword_.clear();
  team::KeywordResult result;
  if (readToEnd) {
    result.numbersFound = *ended_;
    result.pagesRead = pages_;
    result.refusals = run_.driver().refusedInSearch();
    ++keywordsDone_;
  }
  offThread(
      [readToEnd, result](team::QueueFeed& feed) {
        if (readToEnd) {
          feed.finish(result);
        } else {
          feed.giveBack();
        }
      },
      [this, readToEnd](std::exception_ptr error) {
        if (error) {
          try {
            std::rethrow_exception(error);
          } catch (const team::TeamError& e) {
            // A finish is told again before the next keyword is taken; a
            // keyword not given back waits for its lease to run out.
            say(QString::fromUtf8(e.what()));
          }
        }
        if (!readToEnd) {
          return end(stopping_ ? QStringLiteral("已停止，关键字已交回队列")
                               : QStringLiteral("搜索中断，关键字已交回队列"));
        }
        next();
      });
}

void QueueSearch::end(const QString& why) {
  retry_.stop();
  run_.feedFrom(nullptr);
  run_.session().useStore(nullptr, true);
  run_.driver().state().KeywordIndex = savedKeywordIndex_;
  active_ = false;
  stopping_ = false;
  say(why);
}

void QueueSearch::say(const QString& text) {
  status_ = text;
  if (changed) changed();
}

}  // namespace valo::ui
