// The nine toolbar buttons: captions, hints, places and what each one does
// when the user clicks it.
#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "files/data_folder.h"
#include "gui_env.h"
#include "text/gbk.h"
#include "ui/about/about_form.h"
#include "ui/builder/tform3.h"
#include "ui/common/app_texts.h"
#include "ui/main/result_list_model.h"

using namespace valo;
using namespace valo::testing;
using ui::dialogs::Confirmation;
using ui::dialogs::Kind;

namespace {

struct ButtonFacts {
  const char* name;
  const char* caption;
  const char* hint;
};

const ButtonFacts kButtons[] = {
    {"SpeedButton2", "搜索", "开始号码搜索"},  {"SpeedButton3", "终止", "终止号码搜索"},
    {"SpeedButton5", "保存", "保存搜索结果"},  {"SpeedButton8", "进程", "保存搜索进程"},
    {"SpeedButton6", "创建", "创建搜索文件"},  {"SpeedButton1", "合并", "合并号码列表"},
    {"SpeedButton4", "主页", "访问软件网站"},  {"SpeedButton9", "关于", "关于本软件"},
    {"SpeedButton10", "退出", "退出软件系统"},
};

class Toolbar : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    start();
  }
  // A user's click, delivered through the application like a real one.
  void click(const char* name) {
    QToolButton* b = named<QToolButton>(&form(), name);
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->rect().center());
  }
  void addResults(std::initializer_list<const char*> numbers) {
    for (const char* n : numbers) form().results().append(n);
  }
};

}  // namespace

TEST_F(Toolbar, ButtonsInOrderWithCaptionsHintsAndPlaces) {
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(kButtons[i].name);
    QToolButton* b = named<QToolButton>(&form(), kButtons[i].name);
    EXPECT_EQ(b->text(), QString::fromUtf8(kButtons[i].caption));
    EXPECT_EQ(b->toolTip(), QString::fromUtf8(kButtons[i].hint));
    EXPECT_EQ(b->geometry().size(), QSize(55, 23));
    EXPECT_EQ(b->x(), 2 + 56 * i);
    EXPECT_TRUE(b->isEnabled());
    EXPECT_TRUE(b->autoRaise());
    EXPECT_FALSE(b->icon().isNull());
    EXPECT_EQ(b->parentWidget()->objectName(), QStringLiteral("CoolBar1"));
  }
}

TEST_F(Toolbar, SearchAsksForTheStartLineAndCancelChangesNothing) {
  click("SpeedButton2");
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].kind, Kind::Input);
  EXPECT_EQ(shown()[0].caption, QStringLiteral("搜索参数设置"));
  EXPECT_EQ(shown()[0].text, QStringLiteral("请输入关键字搜索起始行数        "));
  EXPECT_EQ(shown()[0].initial, QStringLiteral("0"));
  EXPECT_TRUE(form().SpeedButton2->isEnabled());
  EXPECT_FALSE(form().Timer1->isActive());
  EXPECT_TRUE(gEngine->requests().isEmpty());
}

TEST_F(Toolbar, SearchWithAStartLineThatIsNoNumberShowsTheErrorBox) {
  ui::dialogs::queueAnswer(QStringLiteral("x1"));
  click("SpeedButton2");
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[1].kind, Kind::Error);
  EXPECT_EQ(shown()[1].text, QStringLiteral("'x1' is not a valid integer value."));
  EXPECT_TRUE(form().SpeedButton2->isEnabled());
}

TEST_F(Toolbar, SearchRunsAndStopEndsItAfterThePageInFlight) {
  form().Memo2->setPlainText(QStringLiteral("一\n二\n三\n"));
  ui::dialogs::queueAnswer(QStringLiteral("1"));
  click("SpeedButton2");
  EXPECT_FALSE(form().SpeedButton2->isEnabled());
  EXPECT_TRUE(form().SpeedButton3->isEnabled());
  EXPECT_EQ(status(1), QStringLiteral("3"));
  click("SpeedButton3");
  EXPECT_EQ(status(6), QStringLiteral("终止搜索..."));
  ASSERT_TRUE(QTest::qWaitFor([this] { return status(6) == QStringLiteral("搜索已经结束！"); }, 60000));
  EXPECT_TRUE(form().SpeedButton2->isEnabled());
  EXPECT_FALSE(form().SpeedButton3->isEnabled());
  ASSERT_EQ(gEngine->requests().size(), 1);
  EXPECT_EQ(form().results().rowCount(), 1);
}

TEST_F(Toolbar, StopBeforeAnySearchOnlySetsTheStatus) {
  click("SpeedButton3");
  EXPECT_EQ(status(6), QStringLiteral("终止搜索..."));
  EXPECT_TRUE(form().SpeedButton2->isEnabled());
  EXPECT_FALSE(form().SpeedButton3->isEnabled());
  EXPECT_TRUE(shown().empty());
}

TEST_F(Toolbar, SaveWritesTheResultListInOrderAsCrLfLines) {
  addResults({"075512345678", "02087654321", "01011112222"});
  const QString path = dataPath("结果.txt");
  ui::dialogs::queueAnswer(path);
  click("SpeedButton5");
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].kind, Kind::SaveFile);
  EXPECT_EQ(shown()[0].caption, QStringLiteral("搜索结果保存为"));
  EXPECT_EQ(shown()[0].text, QStringLiteral("Text files(*.txt)|*.txt|All files(*.*)|*.*"));
  EXPECT_EQ(readBytes(path), QByteArray("075512345678\r\n02087654321\r\n01011112222\r\n"));
}

TEST_F(Toolbar, SaveCancelledWritesNothing) {
  addResults({"075512345678"});
  click("SpeedButton5");
  ASSERT_EQ(shown().size(), 1u);
  // Only the files made at start are there: the engines file and the number store. The store
  // opens on its own thread, so its -shm and -wal files may or may not exist yet.
  QStringList files = QDir(folder()).entryList(QDir::Files);
  files.removeIf([](const QString& name) { return name.startsWith(QStringLiteral("valofaxnumbers.db")); });
  EXPECT_EQ(files, QStringList{QStringLiteral("valofaxengines.ini")});
}

TEST_F(Toolbar, SaveThatCannotCreateTheFileShowsTheErrorAndKeepsTheOldFile) {
  addResults({"075512345678"});
  const QString locked = dataPath("locked");
  ASSERT_TRUE(QDir().mkdir(locked));
  const QString path = locked + QStringLiteral("/old.txt");
  writeBytes(path, "old contents\r\n");
  ASSERT_EQ(::chmod(QFile::encodeName(folder()).constData(), 0755), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
  ui::dialogs::queueAnswer(path);
  {
    AsOrdinaryUser user;
    click("SpeedButton5");
  }
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[1].kind, Kind::Error);
  EXPECT_EQ(shown()[1].text, QStringLiteral("Cannot create file ") + path + QLatin1Char('.'));
  EXPECT_EQ(readBytes(path), QByteArray("old contents\r\n"));
  EXPECT_EQ(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.txt")});
  ::chmod(QFile::encodeName(locked).constData(), 0755);
}

TEST_F(Toolbar, ProgressWritesTheFourLinesAndSaysSo) {
  form().ComboBox1->setEditText(QStringLiteral("http://www.youdao.com"));
  form().CheckBox1->setChecked(true);
  form().SpinEdit1->setValue(15);
  click("SpeedButton8");
  // Before any search KeywordIndex is 0, stored as -1.
  EXPECT_EQ(readBytes(files::progressFilePath()),
            QByteArray("http://www.youdao.com\r\n-1\r\nqcyes\r\n15\r\n"));
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].kind, Kind::Message);
  EXPECT_EQ(shown()[0].caption, QStringLiteral("『Valo传真搜索』 V2.1"));
  EXPECT_EQ(shown()[0].text, QStringLiteral("已经保存当前传真号码搜索进程！"));
}

TEST_F(Toolbar, CreateShowsTheBuilderModally) {
  bool sawBuilder = false;
  whileModal([&](QWidget* modal) {
    sawBuilder = modal == windows().Form3();
    modal->close();
  });
  click("SpeedButton6");
  EXPECT_TRUE(sawBuilder);
  EXPECT_FALSE(windows().Form3()->isVisible());
}

TEST_F(Toolbar, MergeWritesTheSortedDistinctLinesAndCountsThem) {
  const QString a = dataPath("a.txt"), b = dataPath("b.txt"), target = dataPath("merged.txt");
  writeBytes(a, "0755222\r\n0755111\r\n");
  writeBytes(b, "0755111\r\n0200333\r\n");
  ui::dialogs::queueAnswer(QStringList{a, b});
  ui::dialogs::queueAnswer(target);
  click("SpeedButton1");
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[0].kind, Kind::OpenFiles);
  EXPECT_EQ(shown()[1].kind, Kind::SaveFile);
  EXPECT_EQ(status(6), QStringLiteral("文件合并整理完毕！共计：3"));
  EXPECT_EQ(readBytes(target), QByteArray("0200333\r\n0755111\r\n0755222\r\n"));
}

TEST_F(Toolbar, MergeRefusesATargetThatIsOneOfTheSources) {
  const QString a = dataPath("a.txt"), b = dataPath("b.txt");
  writeBytes(a, "2\r\n1\r\n");
  writeBytes(b, "3\r\n");
  const QString before = status(6);
  ui::dialogs::queueAnswer(QStringList{a, b});
  ui::dialogs::queueAnswer(b);
  click("SpeedButton1");
  ASSERT_EQ(shown().size(), 3u);
  EXPECT_EQ(shown()[2].kind, Kind::Warning);
  EXPECT_TRUE(shown()[2].text.startsWith(QStringLiteral("合并后的数据文件不能是待合并的数据文件之一")));
  EXPECT_EQ(readBytes(b), QByteArray("3\r\n"));
  EXPECT_EQ(status(6), before);
}

TEST_F(Toolbar, HomePageOpensTheMakersAddress) {
  click("SpeedButton4");
  ASSERT_EQ(gOpenedUrls.size(), 1);
  EXPECT_EQ(gOpenedUrls[0], QUrl(ui::homePageAddress()));
  EXPECT_EQ(gOpenedUrls[0].scheme(), QStringLiteral("http"));
}

TEST_F(Toolbar, AboutShowsTheAboutWindowAndEnterClosesIt) {
  bool sawAbout = false;
  whileModal([&](QWidget* modal) {
    sawAbout = modal == windows().Form2();
    QTest::keyClick(modal, Qt::Key_Return);
  });
  click("SpeedButton9");
  EXPECT_TRUE(sawAbout);
  EXPECT_FALSE(windows().Form2()->isVisible());
  EXPECT_EQ(windows().Form2()->result(), QDialog::Accepted);
}

TEST_F(Toolbar, ExitAsksAndNoKeepsTheWindow) {
  ui::dialogs::queueAnswer(static_cast<int>(Confirmation::No));
  click("SpeedButton10");
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].kind, Kind::Confirm);
  EXPECT_EQ(shown()[0].caption, QStringLiteral("确认"));
  EXPECT_EQ(shown()[0].text, QStringLiteral("确认退出Valo传真搜索吗?"));
  EXPECT_TRUE(form().isVisible());
  ui::dialogs::queueAnswer(static_cast<int>(Confirmation::Yes));
  click("SpeedButton10");
  EXPECT_EQ(shown().size(), 2u);
  EXPECT_FALSE(form().isVisible());
}
