// A request that interrupts a page still loading, with the real browser:
// whatever the old page does later, only the new request's page is announced
// and read for it.
#include <gtest/gtest.h>

#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

#include "e2e_env.h"
#include "text/gbk.h"
#include "ui/browser/web_browser.h"

using namespace valo;
using namespace valo::testing;

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 30000) {
  return waitForEvents(done, ms);
}

// How page A is still loading when B is asked for.
enum class Late {
  FinishQueued,  // A has loaded; its completion is on its way to the program
  ServerHolds,   // the server holds part of A until B's request is out
};

struct Ordering {
  const char* name;
  PageMode a, b;
  Late late;
  int bStatus;
};

// Runs `act` once, just before the next queued call reaches `target`: the
// browser hands its load events to the page through such calls.
struct BeforeNextQueuedCall : QObject {
  std::function<void()> act;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::MetaCall && act) std::exchange(act, nullptr)();
    return false;
  }
};

class StalePage : public ::testing::TestWithParam<Ordering> {};

}  // namespace

TEST_P(StalePage, OnlyTheLatestRequestsPageIsAnnouncedAndRead) {
  const Ordering o = GetParam();
  ui::WebBrowser browser;
  browser.resize(640, 480);
  browser.show();  // Chromium paces hidden pages slowly
  const QUrl urlA(QStringLiteral("http://stale.test/a")), urlB(QStringLiteral("http://stale.test/b"));

  bool requestedB = false;
  bool lateFinishOfA = false;
  QObject::connect(browser.page(), &QWebEnginePage::loadingChanged, [&](const QWebEngineLoadingInfo& info) {
    if (requestedB && info.url() == urlA && info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
      lateFinishOfA = true;
  });
  std::vector<env::PageText> announced;  // every page announced after B was asked for
  browser.OnDocumentComplete = [&] {
    if (requestedB) browser.readBodyText([&](env::PageText t) { announced.push_back(std::move(t)); });
  };
  const auto requestB = [&] {
    requestedB = true;
    browser.Navigate(urlB.toString().toStdString());
  };

  gEngine->clearRequests();
  gEngine->queueModes({o.a, o.b});
  BeforeNextQueuedCall hook;
  if (o.late == Late::FinishQueued) {
    QObject::connect(browser.page(), &QWebEnginePage::loadProgress, &hook, [&](int progress) {
      if (progress == 100 && !requestedB) {
        browser.page()->installEventFilter(&hook);
        hook.act = requestB;
      }
    });
  }
  browser.Navigate(urlA.toString().toStdString());
  if (o.late == Late::ServerHolds) {
    // B goes out while A is held; A's rest comes after B's request, then B.
    // A stalled body has its document once the browser shows A's address.
    ASSERT_TRUE(waitFor([&] {
      return gEngine->heldAnswers() == 1 && (o.a != PageMode::StalledBody || browser.url() == urlA);
    }));
    requestB();
    ASSERT_TRUE(waitFor([&] { return gEngine->requests().size() == 2; }));
    while (gEngine->releaseHeld()) {
    }
  }
  ASSERT_TRUE(waitFor([&] { return gEngine->requests().size() == 2; }));
  const QString faxA = QString::fromLatin1(gEngine->requests()[0].fax);
  const QString expectedB = o.bStatus == 404 ? QStringLiteral("找不到网页")
                                             : QString::fromLatin1(gEngine->requests()[1].fax);
  // B is there once it is announced, or, when the browser merged the two
  // loads' completions into the dropped one of A, once B's text shows.
  const auto bShows = std::make_shared<bool>(false);
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    browser.page()->toPlainText([bShows, expectedB](const QString& text) {
      *bShows = *bShows || text.contains(expectedB);
    });
  });
  look.start(50);
  ASSERT_TRUE(waitFor([&] { return !announced.empty() || *bShows; })) << "B never came";
  look.stop();
  if (o.late == Late::FinishQueued) {
    EXPECT_TRUE(lateFinishOfA) << "A's completion did not arrive late";
    EXPECT_FALSE(announced.empty());
  }
  EXPECT_EQ(gEngine->requests().size(), 2);

  std::optional<env::PageText> read;
  browser.readBodyText([&](env::PageText t) { read = std::move(t); });
  ASSERT_TRUE(waitFor([&] { return read.has_value(); }));
  // Read without a completion, the status is not known; it is never A's.
  EXPECT_EQ(read->httpStatus, announced.empty() ? 0 : o.bStatus);
  announced.push_back(*read);
  for (const env::PageText& page : announced) {
    const QString text = fromGbk(page.text);
    EXPECT_FALSE(text.contains(faxA)) << text.toStdString();
    EXPECT_TRUE(text.contains(expectedB)) << text.toStdString();
  }
  for (std::size_t i = 0; i + 1 < announced.size(); ++i) EXPECT_EQ(announced[i].httpStatus, o.bStatus);
  EXPECT_TRUE(browser.hasDocument());
}

INSTANTIATE_TEST_SUITE_P(
    Orderings, StalePage,
    ::testing::Values(Ordering{"FinishQueuedWhenBIsAskedFor", PageMode::NoPager, PageMode::Error404,
                               Late::FinishQueued, 404},
                      Ordering{"BodyHeldPastBsRequest", PageMode::StalledBody, PageMode::Held, Late::ServerHolds,
                               200},
                      Ordering{"ImageHeldPastBsRequest", PageMode::SlowImage, PageMode::Held, Late::ServerHolds,
                               200},
                      Ordering{"NoAnswerBeforeB", PageMode::Held, PageMode::Error404, Late::ServerHolds, 404}),
    [](const ::testing::TestParamInfo<Ordering>& p) { return std::string(p.param.name); });
