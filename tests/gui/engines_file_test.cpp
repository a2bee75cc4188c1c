// The engines file at start-up and from the tray menu: the example copied
// when there is none, the box's list order, faults told once without the
// file being touched, the editor and the reload.
#include <QAction>
#include <QComboBox>
#include <QToolButton>

#include "files/data_folder.h"
#include "gui_env.h"
#include "search/engine_file.h"

using namespace valo;
using namespace valo::testing;
using ui::dialogs::Kind;

namespace {

class EnginesFile : public GuiTest {
 protected:
  QStringList boxItems() {
    QStringList items;
    for (int i = 0; i < form().ComboBox1->count(); ++i) items << form().ComboBox1->itemText(i);
    return items;
  }
};

const QStringList kBuiltIn = {QStringLiteral("http://www.baidu.com"), QStringLiteral("http://www.google.com.hk"),
                              QStringLiteral("http://www.yahoo.cn"), QStringLiteral("http://www.soso.com")};

QByteArray engine(const char* name, const char* home, const char* cap) {
  return QByteArray("[") + name + "]\nhome = " + home + "\nquery = " + home +
         "/s?q={keyword}&p={page}\npage = index\nencoding = utf8-url\nnext = 下一页\ncap = " + cap + "\n";
}

}  // namespace

TEST_F(EnginesFile, WithoutAFileTheExampleIsCopiedAndListedAfterTheFour) {
  start();
  EXPECT_TRUE(shown().empty());
  const std::string_view shipped = search::exampleEngineFile();
  EXPECT_EQ(readBytes(dataPath("valofaxengines.ini")), QByteArray(shipped.data(), qsizetype(shipped.size())));
  const QStringList example = {QStringLiteral("https://www.baidu.com"), QStringLiteral("https://www.sogou.com"),
                               QStringLiteral("https://www.so.com"), QStringLiteral("https://cn.bing.com")};
  EXPECT_EQ(boxItems(), kBuiltIn + example);
  EXPECT_EQ(form().ComboBox1->currentText(), QStringLiteral("http://www.baidu.com"));
}

TEST_F(EnginesFile, FaultsAreToldOnceTheFileIsKeptAndAFileEngineRoundTripsTheProgressFile) {
  const QByteArray file = engine("bad", "http://bad.example", "many") + engine("好", "http://good.example", "5") +
                          engine("builtin", "http://www.soso.com", "5");
  writeBytes(dataPath("valofaxengines.ini"), file);
  writeBytes(dataPath("valofaxscan.ini"), "http://good.example\r\n-1\r\nqcno\r\n8\r\n");
  start();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].kind, Kind::Warning);
  EXPECT_TRUE(shown()[0].text.contains(QStringLiteral("[bad] cap：")));
  EXPECT_TRUE(shown()[0].text.contains(QStringLiteral("[builtin] home：")));
  const QStringList good = {QStringLiteral("http://good.example")};
  EXPECT_EQ(boxItems(), kBuiltIn + good);
  EXPECT_EQ(form().ComboBox1->currentText(), QStringLiteral("http://good.example"));
  // The progress file gives the file engine's home back as it took it.
  named<QToolButton>(&form(), "SpeedButton8")->click();
  // (The index line is stored one below the loaded value, as always.)
  EXPECT_EQ(readBytes(dataPath("valofaxscan.ini")), QByteArray("http://good.example\r\n-2\r\nqcno\r\n8\r\n"));
  stop();
  EXPECT_EQ(readBytes(dataPath("valofaxengines.ini")), file);
}

TEST_F(EnginesFile, TrayOpensTheFileInTheEditorAndReloadsItKeepingTheBoxText) {
  writeBytes(dataPath("valofaxengines.ini"), engine("one", "http://one.example", "5"));
  start();
  form().ComboBox1->setEditText(QStringLiteral("http://typed.example"));
  named<QAction>(&form(), "N24")->trigger();
  ASSERT_EQ(gOpenedUrls.size(), 1);
  EXPECT_EQ(gOpenedUrls[0], QUrl::fromLocalFile(files::enginesReadPath()));

  writeBytes(dataPath("valofaxengines.ini"),
             engine("two", "http://two.example", "5") + engine("one", "http://one.example", "5"));
  named<QAction>(&form(), "N25")->trigger();
  const QStringList reloaded = {QStringLiteral("http://two.example"), QStringLiteral("http://one.example")};
  EXPECT_EQ(boxItems(), kBuiltIn + reloaded);
  EXPECT_EQ(form().ComboBox1->currentText(), QStringLiteral("http://typed.example"));
  EXPECT_TRUE(shown().empty());
}
