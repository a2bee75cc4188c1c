// See search_session.h.
#include "session/search_session.h"

#include <QMetaObject>
#include <QThread>

#include "env/network_check.h"
#include "files/data_folder.h"
#include "files/proxy_file.h"
#include "search/proxy_list.h"
#include "text/app_error.h"

namespace valo::session {
namespace {

constexpr int kPanelStatus = 6;

// The numbers the extractor will ask 历史去重 about on a page: every
// candidate, as if the duplicates box were off (a superset of what it asks).
class AskedNumbers : public harvest::ExtractionSink {
 public:
  explicit AskedNumbers(bool wide) : wide_(wide) {}
  std::vector<std::string> asked;

  bool dedupTicked() override { return false; }
  bool hasCaption(std::string_view) override { return false; }
  void addNumber(const GbkString&) override {}
  void showFoundCount(std::int32_t) override {}
  bool knownBefore(std::string_view number) override {
    asked.emplace_back(number);
    return false;
  }
  bool wideReading() override { return wide_; }

 private:
  bool wide_;
};

// The design intervals of the poll and the watchdog, before a search sets them.
constexpr int kTimerIntervals[3] = {8000, 60000, 0};

}  // namespace

std::string SessionWindow::localAddress() {
  return env::GetLocalIPAddress();
}

void SessionWindow::pause(int milliseconds) {
  QThread::msleep(static_cast<unsigned long>(milliseconds));
}

SearchSession::SearchSession(SessionWindow& window, ResultList& results, env::BrowserControl& browser,
                             SessionSetup setup)
    : window_(window),
      results_(results),
      now_(std::move(setup.now)),
      keepsProgress_(setup.keepsProgress),
      options_(files::optionsReadPath(), files::optionsFilePath()),
      autosave_([] { return files::dataFolder(); }, [this] { return now_(); }),
      progress_([this] { return now_(); }) {
  using Handler = void (search::SearchRunDriver::*)();
  const Handler handlers[3] = {&search::SearchRunDriver::Timer1Timer, &search::SearchRunDriver::Timer2Timer,
                               &search::SearchRunDriver::Timer3Timer};
  for (int i = 0; i < 3; ++i) {
    timers_[i] = std::make_unique<QTimer>();
    timers_[i]->setObjectName(QStringLiteral("Timer%1").arg(i + 1));
    if (kTimerIntervals[i] > 0) timers_[i]->setInterval(kTimerIntervals[i]);
    runTimers_[i] = std::make_unique<QtRunTimer>(timers_[i].get());
    QObject::connect(timers_[i].get(), &QTimer::timeout, &context_, [this, handler = handlers[i]] {
      try {
        (*driver_.*handler)();
      } catch (...) {
        window_.reportError(std::current_exception());
      }
    });
  }
  driver_ = std::make_unique<search::SearchRunDriver>(window_, browser, *runTimers_[0], *runTimers_[1],
                                                      *runTimers_[2], static_cast<search::RunServices&>(*this), engines_);
  if (setup.store) {
    store_ = std::move(setup.store);
  } else {
    files::store::NumberStore::Timing timing;
    timing.machine = files::machineNameOf(options_.current()).toStdString();
    numberStore_ =
        std::make_unique<files::store::NumberStore>(files::storeFilePath(), [this] { return now_(); }, timing);
    store_ = numberStorePort(*numberStore_);
  }
  attachStore();
}

SearchSession::~SearchSession() = default;

void SearchSession::attachStore() {
  store_->onStatusChanged([this](GbkString text) {
    onSessionThread([this, text = std::move(text)] { driver_->showStoreStatus(text); });
  });
  if (const GbkString notice = store_->takeNotice(); !notice.empty()) window_.setStatusText(kPanelStatus, notice);
}

void SearchSession::useStore(std::unique_ptr<PageStore> store, bool keepsProgress) {
  if (driver_->phase() != search::RunPhase::Idle || harvesting_) {
    throw AppError(gbk("搜索进行中，不能更换号码库"));
  }
  if (!store && !numberStore_) throw AppError(gbk("没有本机号码库可以换回"));
  store_ = store ? std::move(store) : numberStorePort(*numberStore_);
  keepsProgress_ = keepsProgress;
  attachStore();
}

void SearchSession::onSessionThread(std::function<void()> step) {
  if (committing_ && QThread::currentThread() == context_.thread()) {
    step();
    return;
  }
  QMetaObject::invokeMethod(
      &context_,
      [this, step = std::move(step)] {
        try {
          step();
        } catch (...) {
          window_.reportError(std::current_exception());
        }
      },
      Qt::QueuedConnection);
}

// --- search::RunServices ----------------------------------------------------

std::string SearchSession::localAddress() {
  return window_.localAddress();
}
void SearchSession::clearBrowserData() {
  window_.clearBrowserData();
}
void SearchSession::saveProgress() {
  if (!keepsProgress_) return;
  files::SaveProgress(files::progressFilePath(), window_.progressValues(driver_->state().KeywordIndex));
}
void SearchSession::pause(int milliseconds) {
  window_.pause(milliseconds);
}

// Every keyword's first request: the moment the run's progress moves on.
void SearchSession::checkpointProgress() {
  window_.showRunProgress(progress_.keywordBegins(driver_->state().KeywordIndex, window_.keywordLineCount()));
  saveProgress();
}

void SearchSession::searchStarting() {
  autosave_.begin();
  progress_.start();
  // The start line has been taken by now: the search began at the one before.
  store_->beginSearch({window_.engineText(), window_.intervalSeconds(), driver_->state().KeywordIndex - 1});
}

std::optional<GbkString> SearchSession::flushAutosave() {
  return autosave_.flush();
}

// With 历史去重 on, the page's numbers are looked up before it is read, off
// this thread: a store of millions of numbers answers most look-ups from the
// disk, and the window must not wait for it. The page is read when they are.
void SearchSession::lookAhead(env::PageText page, std::function<void(env::PageText)> then) {
  if (!options_.current().historyDedup || page.error || !page.hasBody || page.text.empty()) {
    then(std::move(page));
    return;
  }
  auto held = std::make_shared<env::PageText>(std::move(page));
  const bool wide = options_.current().wideReading;
  const auto numbers = [held, wide] {
    AskedNumbers sink(wide);
    std::int32_t count = 0;
    harvest::ExtractFaxNumbersFromText(held->text, sink, count);
    return std::move(sink.asked);
  };
  auto looked = std::make_shared<std::function<void(env::PageText)>>(std::move(then));
  const bool asked = store_->lookAhead(numbers, [this, held, looked] {
    onSessionThread([held, looked] { (*looked)(std::move(*held)); });
  });
  if (!asked) (*looked)(std::move(*held));
}

void SearchSession::pageRead(const harvest::PageSource& page) {
  store_->beginPage(page);
  harvesting_ = page;
  harvesting_->text.reset();  // the report needs where it came from, not the megabytes
}

void SearchSession::commitStore(search::StoreAnswer answer) {
  committing_ = true;
  try {
    store_->commitPage([this, answer = std::move(answer)](std::optional<GbkString> text) mutable {
      onSessionThread([answer = std::move(answer), text = std::move(text)] { answer(text); });
    });
  } catch (...) {
    committing_ = false;
    throw;
  }
  committing_ = false;
  // Told after the commit was asked for, so that a report means the page's
  // numbers are on their way to the disk.
  if (harvesting_) {
    const harvest::PageSource page = std::move(*harvesting_);
    harvesting_.reset();
    window_.pageHarvested(page);
  }
}

void SearchSession::searchEnded(std::int32_t foundCount, const GbkString& endText) {
  store_->endSearch({driver_->refusedInSearch(), foundCount, endText});
  window_.showRunProgress({});
}

GbkString SearchSession::clockAfter(int milliseconds) {
  return toGbk(now_().time().addMSecs(milliseconds).toString(QStringLiteral("HH:mm:ss")));
}

std::vector<search::Proxy> SearchSession::loadProxies() {
  return search::parseProxyList(files::readProxyFile(files::proxiesFilePath())).proxies;
}

search::ProxySwitch* SearchSession::proxySwitch() {
  return window_.proxySwitch();
}

// --- harvest::ExtractionSink -------------------------------------------------

bool SearchSession::dedupTicked() {
  return results_.dedupTicked();
}
bool SearchSession::hasCaption(std::string_view number) {
  return results_.hasCaption(number);
}
void SearchSession::addNumber(const GbkString& number) {
  results_.addNumber(number);
  autosave_.add(number);
}
void SearchSession::showFoundCount(std::int32_t count) {
  results_.showFoundCount(count);
}
// 历史去重 asks the store only while it is on.
bool SearchSession::knownBefore(std::string_view number) {
  return options_.current().historyDedup && store_->knownBefore(number);
}
void SearchSession::sighted(const GbkString& number, std::string_view line, harvest::Sighting what) {
  store_->sighted(number, line, what);
}
bool SearchSession::wideReading() {
  return options_.current().wideReading;
}

}  // namespace valo::session
