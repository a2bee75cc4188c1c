// Start-up with and without the keyword file and the progress file, the
// failures FormCreate reports, and the keyword file written at exit.
#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QToolTip>

#include "gui_env.h"
#include "text/gbk.h"
#include "ui/main/status_bar.h"

using namespace valo;
using namespace valo::testing;
using ui::dialogs::Kind;

namespace {

const char* const kDefaultKeywords[] = {
    "深圳 机械 传真:",  "深圳 化工 FAX:",  "深圳 旅游 FAX:",  "北京 酒店 传真:",
    "深圳 酒店 传真:",  "苏州 电子 传真:", "常州 机械 传真:", "上海 食品 FAX:",
    "上海 旅行社 FAX:", "上海 出口 传真:", "广州 服装 传真:", "苏州 电子 FAX:",
};

QByteArray gbkBytes(const char* utf8) {
  return QByteArray::fromStdString(gbk(utf8));
}

class Startup : public GuiTest {};

}  // namespace

TEST_F(Startup, WithoutFilesTheBoxesHoldTheirDefaults) {
  start();
  EXPECT_TRUE(shown().empty());
  ASSERT_EQ(form().keywordLineCount(), 12);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(form().keywordLine(i), gbk(kDefaultKeywords[i])) << i;
  EXPECT_EQ(named<QComboBox>(&form(), "ComboBox1")->currentText(), QStringLiteral("http://www.baidu.com"));
  EXPECT_EQ(named<QSpinBox>(&form(), "SpinEdit1")->value(), 8);
  EXPECT_FALSE(named<QCheckBox>(&form(), "CheckBox1")->isChecked());
  EXPECT_EQ(form().driver().state().KeywordIndex, 0);
}

TEST_F(Startup, WithBothFilesTheirValuesAreShown) {
  writeBytes(dataPath("valofaxbody.ini"), gbkBytes("杭州 丝绸 传真:\r\n宁波 模具 FAX:\r\n"));
  writeBytes(dataPath("valofaxscan.ini"), "http://www.soso.com\r\n5\r\nqcyes\r\n20\r\n");
  start();
  EXPECT_TRUE(shown().empty());
  ASSERT_EQ(form().keywordLineCount(), 2);
  EXPECT_EQ(form().keywordLine(0), gbk("杭州 丝绸 传真:"));
  EXPECT_EQ(form().keywordLine(1), gbk("宁波 模具 FAX:"));
  EXPECT_EQ(named<QComboBox>(&form(), "ComboBox1")->currentText(), QStringLiteral("http://www.soso.com"));
  EXPECT_EQ(form().driver().state().KeywordIndex, 5);
  EXPECT_TRUE(named<QCheckBox>(&form(), "CheckBox1")->isChecked());
  EXPECT_EQ(named<QSpinBox>(&form(), "SpinEdit1")->value(), 20);
}

TEST_F(Startup, BadIndexLineShowsTheConversionErrorAfterTheEngineLine) {
  writeBytes(dataPath("valofaxscan.ini"), "http://www.sogou.com\r\nabc\r\nqcyes\r\n20\r\n");
  start();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].kind, Kind::Error);
  EXPECT_EQ(shown()[0].caption, QStringLiteral("『Valo传真搜索』 V2.1"));
  EXPECT_EQ(shown()[0].text, QStringLiteral("'abc' is not a valid integer value."));
  // The engine line took effect; the lines after the bad one did not.
  EXPECT_EQ(named<QComboBox>(&form(), "ComboBox1")->currentText(), QStringLiteral("http://www.sogou.com"));
  EXPECT_FALSE(named<QCheckBox>(&form(), "CheckBox1")->isChecked());
  EXPECT_EQ(named<QSpinBox>(&form(), "SpinEdit1")->value(), 8);
  EXPECT_TRUE(form().isVisible());
}

TEST_F(Startup, UnreadableKeywordFileIsReportedSkipsProgressAndSurvivesExit) {
  const QByteArray original = gbkBytes("用户的 关键词 传真:\r\n");
  const QString keywordFile = dataPath("valofaxbody.ini");
  writeBytes(keywordFile, original);
  writeBytes(dataPath("valofaxscan.ini"), "http://www.soso.com\r\n5\r\nqcyes\r\n20\r\n");
  ASSERT_EQ(::chmod(QFile::encodeName(folder()).constData(), 0755), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(keywordFile).constData(), 0), 0);
  {
    AsOrdinaryUser user;
    start();
  }
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].kind, Kind::Error);
  EXPECT_EQ(shown()[0].text, QStringLiteral("Cannot open file ") + keywordFile + QLatin1Char('.'));
  EXPECT_EQ(form().keywordLineCount(), 12);  // the defaults stay
  EXPECT_EQ(named<QComboBox>(&form(), "ComboBox1")->currentText(), QStringLiteral("http://www.baidu.com"));
  EXPECT_EQ(form().driver().state().KeywordIndex, 0);
  EXPECT_EQ(named<QSpinBox>(&form(), "SpinEdit1")->value(), 8);
  stop();
  // The exit must not replace the user's file with the default lines.
  ASSERT_EQ(::chmod(QFile::encodeName(keywordFile).constData(), 0644), 0);
  EXPECT_EQ(readBytes(keywordFile), original);
}

TEST_F(Startup, ExitWritesTheKeywordBoxAsGbkWithCrLf) {
  start();
  named<QPlainTextEdit>(&form(), "Memo2")->setPlainText(QStringLiteral("温州 鞋业 传真:\n台州 塑料"));
  EXPECT_FALSE(QFile::exists(dataPath("valofaxbody.ini")));  // nothing is written before the exit
  stop();
  EXPECT_EQ(readBytes(dataPath("valofaxbody.ini")), gbkBytes("温州 鞋业 传真:\r\n台州 塑料"));
  EXPECT_FALSE(QFile::exists(dataPath("valofaxscan.ini")));  // the exit writes no progress
}

TEST_F(Startup, KeywordsEditedInTheBoxSurviveARestart) {
  start();
  named<QPlainTextEdit>(&form(), "Memo2")->setPlainText(QStringLiteral("一\n二\n三\n"));
  stop();
  start();
  ASSERT_EQ(form().keywordLineCount(), 3);
  EXPECT_EQ(form().keywordLine(2), gbk("三"));
}

TEST_F(Startup, CaptionTitleAndHintColour) {
  QPalette plain = QToolTip::palette();
  plain.setColor(QPalette::ToolTipBase, Qt::white);
  QToolTip::setPalette(plain);
  start();
  EXPECT_EQ(form().windowTitle(), QStringLiteral("『Valo传真搜索』V2.1  ") + form().StatusBar1->panelText(6));
  EXPECT_FALSE(status(6).isEmpty());
  EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), QColor(0, 255, 0));
  // Plain message boxes carry the application title, with its blank.
  form().showMessage(gbk("测试"));
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].caption, QStringLiteral("『Valo传真搜索』 V2.1"));
  form().showInformation(gbk("测试"));
  EXPECT_EQ(shown().back().caption, QStringLiteral("信息"));
}
