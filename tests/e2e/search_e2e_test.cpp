// A whole search through the real main window and the real Qt WebEngine
// browser, against the fake engine, for each of the ten engines.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineProfile>

#include "e2e_env.h"
#include "e2e_window.h"
#include "search/engine_table.h"
#include "search/query_encoding.h"
#include "text/gbk.h"
#include "ui/browser/browser_data_store.h"
#include "ui/browser/web_browser.h"
#include "ui/cleanup/tdelform.h"
#include "ui/common/dialogs.h"
#include "ui/main/result_list_model.h"
#include "ui/main/status_bar.h"
#include "ui/main/tform1.h"

using namespace valo;
using namespace valo::testing;
namespace dialogs = valo::ui::dialogs;

namespace {

const char* const kKeywords[] = {"深圳 机械 传真:", "上海 食品 FAX:"};

class EngineWalk : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(EngineWalk, TwoKeywordsTwoPagesEach) {
  const search::SearchEngine& engine = search::engineTable()[static_cast<std::size_t>(GetParam())];
  SCOPED_TRACE(std::string(engine.name));
  Window w;
  w.form.ComboBox1->setEditText(
      QString::fromLatin1(engine.homeAddress.data(), static_cast<qsizetype>(engine.homeAddress.size())));
  w.form.Memo2->setPlainText(QString::fromUtf8(kKeywords[0]) + QLatin1Char('\n') +
                             QString::fromUtf8(kKeywords[1]) + QLatin1Char('\n'));
  gEngine->clearRequests();
  w.search();
  EXPECT_FALSE(w.form.SpeedButton2->isEnabled());
  EXPECT_TRUE(w.form.SpeedButton3->isEnabled());
  ASSERT_TRUE(w.waitForEnd()) << w.describe();

  const QList<RecordedRequest> requests = gEngine->requests();
  ASSERT_EQ(requests.size(), 4);
  const std::int32_t first = engine.firstPageIndex;
  const std::string tails[] = {
      search::composeQueryTail(engine, first, search::RequestKind::First),
      search::composeQueryTail(engine, first + 1, search::RequestKind::PageReader),
      search::composeQueryTail(engine, 0, search::RequestKind::PageReader),
      search::composeQueryTail(engine, 1, search::RequestKind::PageReader),
  };
  QList<QByteArray> faxes;
  for (int i = 0; i < 4; ++i) {
    const RecordedRequest& r = requests[i];
    EXPECT_EQ(r.engine.toStdString(), std::string(engine.name));
    EXPECT_EQ((r.pageNumber + r.suffix).toStdString(), tails[i]) << r.url.toStdString();
    const char* keyword = kKeywords[i / 2];
    if (engine.encoding != search::KeywordEncoding::GbkUrl) {
      // The browser sends Youdao's unescaped keyword the way it encodes
      // addresses, and writes Live Search's escaped letters and digits
      // plainly (an equivalent address); both decode to the UTF-8 keyword.
      EXPECT_EQ(QUrl::fromPercentEncoding(r.keyword).toStdString(), keyword);
    } else {
      search::TNMURL encoder;
      EXPECT_EQ(r.keyword.toStdString(), search::EncodeQueryKeyword(encoder, gbk(keyword), engine.encoding));
    }
    faxes << r.fax;
  }

  const auto& numbers = w.form.results().numbers().items();
  ASSERT_EQ(numbers.size(), 4u);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(QByteArray::fromStdString(numbers[static_cast<std::size_t>(i)]), faxes[i]);
  EXPECT_EQ(w.status(1), QStringLiteral("2"));
  EXPECT_EQ(w.status(3), QStringLiteral("2"));
  EXPECT_EQ(w.status(5), QStringLiteral("4"));
  EXPECT_TRUE(w.form.SpeedButton2->isEnabled());
  EXPECT_FALSE(w.form.SpeedButton3->isEnabled());
  EXPECT_FALSE(w.form.Timer1->isActive());
  EXPECT_FALSE(w.form.Timer2->isActive());
}

INSTANTIATE_TEST_SUITE_P(AllEngines, EngineWalk, ::testing::Range(0, 10),
                         [](const ::testing::TestParamInfo<int>& p) {
                           std::string name(search::engineTable()[static_cast<std::size_t>(p.param)].name);
                           std::string out;
                           for (char c : name) {
                             if (std::isalnum(static_cast<unsigned char>(c))) out += c;
                           }
                           return out;
                         });

TEST(SearchEndToEnd, PagesWithoutBodyOrWithErrorsMoveOnToTheNextKeyword) {
  Window w;
  w.form.Memo2->setPlainText(QStringLiteral("一\n二\n三\n四\n"));
  gEngine->clearRequests();
  gEngine->queueModes({PageMode::NoBody, PageMode::Error500, PageMode::Error404, PageMode::NoPager});
  w.search();
  ASSERT_TRUE(w.waitForEnd());
  EXPECT_EQ(gEngine->requests().size(), 4);
  // Only the last page carried a number; the error page's text is read too.
  ASSERT_EQ(w.form.results().numbers().size(), 1u);
  EXPECT_EQ(QByteArray::fromStdString(w.form.results().numbers().at(0)), gEngine->requests().at(3).fax);
}

TEST(SearchEndToEnd, StopWhileAPageLoadsEndsAfterHarvestingIt) {
  Window w;
  w.form.Memo2->setPlainText(QStringLiteral("一\n二\n"));
  gEngine->clearRequests();
  gEngine->queueModes({PageMode::Pager});
  w.search();
  w.form.SpeedButton3->click();
  EXPECT_EQ(w.status(6), QStringLiteral("终止搜索..."));
  ASSERT_TRUE(w.waitForEnd());
  EXPECT_EQ(gEngine->requests().size(), 1);
  EXPECT_EQ(w.form.results().numbers().size(), 1u);
}

TEST(SearchEndToEnd, OfflineMachineShowsTheMessageAndStartsNothing) {
  Window w;
  w.form.localAddress = [] { return std::string("127.0.0.1"); };
  dialogs::shownDialogs().clear();
  gEngine->clearRequests();
  w.form.SpeedButton2->click();
  ASSERT_EQ(dialogs::shownDialogs().size(), 1u);
  EXPECT_EQ(dialogs::shownDialogs()[0].caption, QStringLiteral("信息"));
  EXPECT_EQ(dialogs::shownDialogs()[0].text, QStringLiteral("您还没有连接到网上！"));
  QTest::qWait(300);
  EXPECT_TRUE(gEngine->requests().isEmpty());
}

TEST(BrowserText, ScriptResultsBecomeGbkPagesOrErrors) {
  const env::PageText body = ui::WebBrowser::pageFromScriptResult(
      QVariantMap{{QStringLiteral("text"), QStringLiteral("传真：1\n第二行\r\n第三行")}});
  EXPECT_TRUE(body.hasBody);
  EXPECT_EQ(body.text, gbk("传真：1\r\n第二行\r\n第三行"));
  const env::PageText noBody =
      ui::WebBrowser::pageFromScriptResult(QVariantMap{{QStringLiteral("text"), QVariant()}});
  EXPECT_FALSE(noBody.hasBody);
  EXPECT_FALSE(noBody.error);
  const env::PageText failed = ui::WebBrowser::pageFromScriptResult(QVariant());
  EXPECT_TRUE(failed.error);
}

TEST(BrowserCleanup, ClearsHistoryAndKeepsNoCache) {
  Window w;
  w.form.Memo2->setPlainText(QStringLiteral("一\n二\n"));
  gEngine->clearRequests();
  w.search();
  ASSERT_TRUE(w.waitForEnd());
  EXPECT_GE(w.form.WebBrowser1->history()->count(), 2);
  w.delform.SpeedButton4->click();
  EXPECT_LE(w.form.WebBrowser1->history()->count(), 1);  // only the page shown stays
  EXPECT_EQ(w.form.WebBrowser1->page()->profile()->httpCacheType(), QWebEngineProfile::NoCache);
}
