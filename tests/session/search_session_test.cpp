// A search through the real session over a scripted browser and a store
// that writes on a thread of its own: the page's numbers reach the window,
// the autosave and the store; 历史去重 asks the store, which looks the page's
// numbers up on its own thread before the page is read; the store's answer
// and its own status text come back to the session's thread, and only then
// is the next page asked for; the progress goes to the window.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <mutex>
#include <set>
#include <thread>

#include "files/data_folder.h"
#include "search/run_fakes.h"
#include "session/search_session.h"
#include "test_support.h"

using namespace valo;

namespace {

class Window : public session::SessionWindow {
 public:
  TextLines keywords;
  std::map<int, std::string> panels;  // UTF-8
  std::vector<std::string> progress;
  std::vector<std::string> errors;

  int keywordLineCount() override { return keywords.count(); }
  GbkString keywordLine(int i) override { return GbkString(keywords.line(i)); }
  GbkString engineText() override { return "http://www.baidu.com"; }
  std::int32_t intervalSeconds() override { return 8; }
  void setStatusText(int panel, const GbkString& text) override { panels[panel] = utf8FromGbk(text); }
  void repaintWindow() override {}
  void clearResultList() override {}
  void showInformation(const GbkString&) override {}
  void showMessage(const GbkString&) override {}
  std::optional<GbkString> inputQuery(const GbkString&, const GbkString&, const GbkString&) override {
    return GbkString("0");
  }
  std::string localAddress() override { return "192.0.2.10"; }
  void pause(int) override {}
  files::ProgressValues progressValues(std::int32_t keywordIndex) override {
    return {engineText(), keywordIndex, false, 8};
  }
  void reportError(std::exception_ptr) override { errors.push_back("error"); }
  void showRunProgress(const GbkString& text) override { progress.push_back(utf8FromGbk(text)); }
};

class List : public session::ResultList {
 public:
  harvest::NumberList list;
  bool dedupTicked() override { return false; }
  bool hasCaption(std::string_view n) override { return list.contains(n); }
  void addNumber(const GbkString& n) override { list.append(n); }
  void showFoundCount(std::int32_t) override {}
};

// Commits on a writer thread of its own and answers from there.
class ThreadedStore : public session::PageStore {
 public:
  std::set<std::string, std::less<>> known{"021-53853022"};
  std::vector<std::string> log;  // what the session told it, in order
  std::thread::id answeredFrom;
  std::function<void(GbkString)> told;

  ~ThreadedStore() override {
    if (writer_.joinable()) writer_.join();
    if (lookup_.joinable()) lookup_.join();
  }
  void beginSearch(const files::store::SearchSettings& s) override {
    log.push_back("search from " + std::to_string(s.startLine));
  }
  void beginPage(const harvest::PageSource& p) override { log.push_back("page " + utf8FromGbk(p.keyword)); }
  bool knownBefore(std::string_view n) override { return known.contains(n); }
  // Looks ahead on a thread of its own, as the program's store does.
  bool lookAhead(std::function<std::vector<std::string>()> numbers, std::function<void()> done) override {
    if (lookup_.joinable()) lookup_.join();
    lookup_ = std::thread([this, numbers, done] {
      QThread::msleep(20);
      std::string asked = "look ahead";
      for (const std::string& n : numbers()) asked += " " + n;
      log.push_back(asked);  // the page is read only after `done`
      done();
    });
    return true;
  }
  void sighted(const GbkString& n, std::string_view, harvest::Sighting what) override {
    log.push_back(n + (what == harvest::Sighting::Listed ? " listed" : " skipped"));
    known.insert(n);
  }
  void commitPage(Done done) override {
    log.push_back("commit");
    if (writer_.joinable()) writer_.join();
    writer_ = std::thread([this, done] {
      QThread::msleep(50);
      answeredFrom = std::this_thread::get_id();
      done(std::nullopt);
      if (told) told(gbk("号码库：正在写入"));
    });
  }
  void endSearch(const files::store::SearchEnd& e) override {
    log.push_back("end " + std::to_string(e.numbersListed));
  }
  GbkString takeNotice() override { return {}; }
  void onStatusChanged(std::function<void(GbkString)> f) override { told = std::move(f); }

 private:
  std::thread writer_, lookup_;
};

bool pumpUntil(const std::function<bool()>& done) {
  QDeadlineTimer deadline(5000);
  while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

TEST(SearchSession, APageGoesToTheStoreOnItsThreadAndTheNextRequestWaitsForTheAnswer) {
  files::testing::TempDir dir;
  files::setDataFolderOverride(dir.qpath() + QLatin1Char('/'));
  Window window;
  window.keywords.setText(gbk("深圳 机械 传真:\r\n上海 食品 FAX:\r\n"));
  List list;
  valo::testing::FakeClock clock;
  valo::testing::FakeBrowser browser(clock);
  browser.pageFor = [](const std::string&) {
    return env::PageText{true, gbk("传真：0755-12345678\r\n传真：021-53853022\r\n"), nullptr, 200};
  };
  auto owned = std::make_unique<ThreadedStore>();
  ThreadedStore& store = *owned;  // the session's until it goes
  QDateTime now(QDate(2026, 12, 8), QTime(10, 0));
  session::SessionSetup setup;
  setup.now = [&] { return now; };
  setup.store = std::move(owned);
  {
    session::SearchSession session(window, list, browser, std::move(setup));
    session.options().change({.historyDedup = true, .wideReading = false});
    search::SearchRunDriver& driver = session.driver();
    browser.OnDocumentComplete = [&] { driver.WebBrowser1DocumentComplete(); };
    // Every request goes out on the session's thread, the late ones too.
    browser.onNavigate = [] { EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread()); };

    driver.N2Click();
    ASSERT_EQ(browser.requests.size(), 1u);
    driver.Timer1Timer();  // the poll finds the page; its numbers are looked up first
    EXPECT_NE(driver.phase(), search::RunPhase::StoreWait);
    ASSERT_TRUE(pumpUntil([&] { return driver.phase() == search::RunPhase::StoreWait; }));
    EXPECT_EQ(browser.requests.size(), 1u);
    now = now.addSecs(600);
    ASSERT_TRUE(pumpUntil([&] { return browser.requests.size() == 2; }));
    EXPECT_NE(store.answeredFrom, std::this_thread::get_id());
    EXPECT_EQ(driver.phase(), search::RunPhase::Waiting);
    ASSERT_TRUE(pumpUntil([&] { return window.panels[6] == "正在搜索...　号码库：正在写入"; }))
        << window.panels[6];

    driver.Timer1Timer();
    ASSERT_TRUE(pumpUntil([&] { return driver.phase() == search::RunPhase::Idle; }));
    EXPECT_EQ(utf8FromGbk(GbkString(files::testing::readBytes(session.autosavePath().toStdString()))),
              "0755-12345678\r\n");
    const std::string ahead = "look ahead 0755-12345678 021-53853022";
    EXPECT_EQ(store.log, (std::vector<std::string>{"search from 0", ahead, "page 深圳 机械 传真:",
                                                   "0755-12345678 listed", "021-53853022 skipped", "commit", ahead,
                                                   "page 上海 食品 FAX:", "0755-12345678 skipped",
                                                   "021-53853022 skipped", "commit", "commit", "end 1"}));
  }
  files::setDataFolderOverride(QString());
  EXPECT_EQ(list.list.items(), std::vector<std::string>{"0755-12345678"});
  EXPECT_EQ(window.progress,
            (std::vector<std::string>{"第 1/2 个关键字", "第 2/2 个关键字，预计 10:20 完成", ""}));
  EXPECT_TRUE(window.errors.empty());
}

}  // namespace
