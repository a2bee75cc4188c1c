// A whole search on an engine of the engines file, through the real window
// and browser against the fake engine: its query form, its page rule, its
// next-page texts and its cap.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QUrl>

#include "e2e_env.h"
#include "e2e_window.h"
#include "files/data_folder.h"
#include "search/engine_file.h"
#include "ui/main/result_list_model.h"

using namespace valo;
using namespace valo::testing;

TEST(EngineFileEndToEnd, PagesByItsNextTextsUpToItsCapForEachKeyword) {
  const QString path = files::enginesReadPath();
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[FileTest]\n"
               "home = http://filetest.example\n"
               "query = http://filetest.example/find?kw={keyword}&pg={page}&x=1\n"
               "page = index+1\n"
               "encoding = utf8-url\n"
               "next = 后页> | 下页>\n"
               "next-start = 第\n"
               "cap = 3\n");
  }
  const auto previous = gEngine->fallback;
  gEngine->fallback = [](const RecordedRequest&) { return PageMode::Pager; };
  {
    Window w;
    w.form.ComboBox1->setEditText(QStringLiteral("http://filetest.example"));
    w.form.Memo2->setPlainText(QStringLiteral("深圳 机械\nFAX-2\n"));
    gEngine->clearRequests();
    w.search();
    ASSERT_TRUE(w.waitForEnd()) << w.describe();

    const QList<RecordedRequest> requests = gEngine->requests();
    ASSERT_EQ(requests.size(), 6);
    const char* keywords[] = {"深圳 机械", "FAX-2"};
    for (int i = 0; i < 6; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(requests[i].engine, QStringLiteral("FileTest"));
      EXPECT_EQ(requests[i].pageNumber, QByteArray::number(i % 3 + 1));
      EXPECT_EQ(requests[i].suffix, QByteArray("&x=1"));
      EXPECT_EQ(QUrl::fromPercentEncoding(requests[i].keyword).toStdString(), keywords[i / 3]);
    }
    EXPECT_EQ(requests[3].keyword, QByteArray("FAX-2"));
    EXPECT_EQ(w.form.results().numbers().size(), 6u);
  }
  gEngine->fallback = previous;
  QFile::remove(path);
}
