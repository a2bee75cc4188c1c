// The keyword list builder as the main window opens it: Create, Use (also
// while a search runs) and Save.
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include "files/data_folder.h"
#include "gui_env.h"
#include "search/engine_table.h"
#include "search/query_encoding.h"
#include "text/gbk.h"
#include "ui/builder/tform3.h"

using namespace valo;
using namespace valo::testing;
using ui::dialogs::Kind;

namespace {

class Builder : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    start();
  }
  ui::TForm3& builder() { return *windows().Form3(); }
  QPlainTextEdit* box(const char* name) { return named<QPlainTextEdit>(&builder(), name); }
  void click(const char* name) { named<QToolButton>(&builder(), name)->click(); }
  QStringList outputLines() { return box("Memo3")->toPlainText().split(QLatin1Char('\n')); }
};

}  // namespace

TEST_F(Builder, CreateWithTheDefaultsGivesTwelveLinesProductByMarker) {
  EXPECT_EQ(builder().windowTitle(), QStringLiteral("创建关键词列表文件"));
  click("SpeedButton2");
  const QString products[] = {QStringLiteral("广州 服装"), QStringLiteral("广州 服饰"),
                              QStringLiteral("广州 制衣"), QStringLiteral("广州 时装")};
  QStringList expected;
  for (const QString& p : products) {
    expected << p + QStringLiteral(" 传真：") << p + QStringLiteral(" FAX：") << p + QLatin1Char(' ');
  }
  expected << QString();  // the text ends with a line end
  EXPECT_EQ(outputLines(), expected);
  // A second Create gives the same, not twice as much.
  click("SpeedButton2");
  EXPECT_EQ(outputLines(), expected);
}

TEST_F(Builder, AnEmptyBoxGivesNothing) {
  box("Memo3")->setPlainText(QStringLiteral("旧的\n"));
  box("Memo1")->setPlainText(QString());
  click("SpeedButton2");
  EXPECT_TRUE(box("Memo3")->toPlainText().isEmpty());
  box("Memo1")->setPlainText(QStringLiteral("甲"));
  box("Memo2")->setPlainText(QString());
  click("SpeedButton2");
  EXPECT_TRUE(box("Memo3")->toPlainText().isEmpty());
}

TEST_F(Builder, UseAppendsToTheKeywordBoxPuttingALineEndBetween) {
  form().Memo2->setPlainText(QStringLiteral("一\n二"));  // no line end at the end
  box("Memo3")->setPlainText(QStringLiteral("甲 传真：\n乙 FAX：\n"));
  click("SpeedButton3");
  EXPECT_EQ(form().keywordText(), gbk("一\r\n二\r\n甲 传真：\r\n乙 FAX：\r\n"));
  EXPECT_EQ(box("Memo3")->toPlainText(), QStringLiteral("甲 传真：\n乙 FAX：\n"));
  click("SpeedButton3");  // the same lines again
  EXPECT_EQ(form().keywordLineCount(), 6);
  box("Memo3")->setPlainText(QString());
  click("SpeedButton3");
  EXPECT_EQ(form().keywordLineCount(), 6);
}

TEST_F(Builder, SaveStartsInTheDataFolderAndWritesTheOutputBytes) {
  click("SpeedButton2");
  const QString path = dataPath("关键词.txt");
  ui::dialogs::queueAnswer(path);
  click("SpeedButton1");
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].kind, Kind::SaveFile);
  EXPECT_EQ(shown()[0].caption, QStringLiteral("生成搜索关键词列表文件"));
  EXPECT_EQ(shown()[0].text, QStringLiteral("Text files(*.txt)|*.txt|All files(*.*)|*.*"));
  EXPECT_EQ(shown()[0].initial, files::dataFolder() + QStringLiteral("搜索关键词列表文件.txt"));
  const QByteArray bytes = readBytes(path);
  EXPECT_EQ(bytes.count("\r\n"), 12);
  EXPECT_TRUE(bytes.startsWith(QByteArray::fromStdString(gbk("广州 服装 传真：\r\n"))));
  EXPECT_EQ(bytes, QByteArray::fromStdString(ui::TForm3::boxText(box("Memo3"))));
}

TEST_F(Builder, SaveOfAnEmptyOutputWritesZeroBytes) {
  const QString path = dataPath("空.txt");
  writeBytes(path, "old");
  ui::dialogs::queueAnswer(path);
  click("SpeedButton1");
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_EQ(QFileInfo(path).size(), 0);
}

TEST_F(Builder, SaveToAFolderThatDoesNotExistShowsTheError) {
  box("Memo3")->setPlainText(QStringLiteral("甲\n"));
  const QString path = dataPath("missing/list.txt");
  ui::dialogs::queueAnswer(path);
  QTest::mouseClick(named<QToolButton>(&builder(), "SpeedButton1"), Qt::LeftButton);
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[1].kind, Kind::Error);
  EXPECT_EQ(shown()[1].text, QStringLiteral("Cannot create file ") + path + QLatin1Char('.'));
  EXPECT_EQ(box("Memo3")->toPlainText(), QStringLiteral("甲\n"));
}

TEST_F(Builder, ARunningSearchReachesLinesThatUseAppends) {
  form().Memo2->setPlainText(QStringLiteral("第一\n"));
  ui::dialogs::queueAnswer(QStringLiteral("0"));
  form().SpeedButton2->click();
  ASSERT_FALSE(form().SpeedButton2->isEnabled());
  // The builder is open while the search goes on.
  whileModal([&](QWidget* modal) {
    ASSERT_EQ(modal, &builder());
    box("Memo1")->setPlainText(QStringLiteral("追加"));
    box("Memo2")->setPlainText(QStringLiteral("传真："));
    click("SpeedButton2");
    click("SpeedButton3");
    EXPECT_EQ(form().keywordLineCount(), 2);
    modal->close();
  });
  form().SpeedButton6->click();
  ASSERT_TRUE(QTest::qWaitFor([this] { return status(6) == QStringLiteral("搜索已经结束！"); }, 60000));
  ASSERT_EQ(gEngine->requests().size(), 2);
  // Baidu, the engine box's default, takes the keyword GBK-encoded.
  search::TNMURL encoder;
  EXPECT_EQ(gEngine->requests()[1].keyword.toStdString(),
            search::EncodeQueryKeyword(encoder, gbk("追加 传真："), search::engineTable()[0].encoding));
}
