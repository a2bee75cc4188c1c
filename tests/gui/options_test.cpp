// The options window: its place on the toolbar and in the tray menu, and
// that what the user confirms is kept for the next start while a cancel
// keeps nothing.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "gui_env.h"
#include "files/program_options.h"
#include "ui/common/error_box.h"
#include "ui/options/options_window.h"

using namespace valo;
using namespace valo::testing;

namespace {

class Options : public GuiTest {
 protected:
  // Opens the window from the toolbar, lets `inside` act on it, and says
  // which boxes were ticked when it came up.
  std::pair<bool, bool> throughToolbar(const std::function<void(ui::OptionsWindow&)>& inside) {
    std::pair<bool, bool> seen{};
    whileModal([&](QWidget* modal) {
      auto* window = qobject_cast<ui::OptionsWindow*>(modal);
      ASSERT_NE(window, nullptr);
      seen = {window->HistoryDedupBox->isChecked(), window->WideReadingBox->isChecked()};
      inside(*window);
    });
    auto* button = named<QToolButton>(&form(), "SpeedButton12");
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    return seen;
  }
};

}  // namespace

TEST_F(Options, GlyphButtonFollowsTheCaptionedOnesInsideTheWindow) {
  start();
  auto* last = named<QToolButton>(&form(), "SpeedButton10");
  auto* options = named<QToolButton>(&form(), "SpeedButton12");
  EXPECT_GT(options->x(), last->geometry().right());
  EXPECT_LE(options->geometry().right(), 567);
  EXPECT_EQ(options->toolButtonStyle(), Qt::ToolButtonIconOnly);
  EXPECT_TRUE(options->toolTip().startsWith(QStringLiteral("选项")));
  EXPECT_FALSE(options->icon().isNull());
}

TEST_F(Options, ConfirmedChoicesOutliveTheProgramAndACancelKeepsNothing) {
  start();
  EXPECT_EQ(throughToolbar([](ui::OptionsWindow& w) {
              // The proxy list is one of the window's commands.
              EXPECT_NE(w.findChild<QPushButton*>(QStringLiteral("ProxiesButton")), nullptr);
              w.reject();
            }),
            std::make_pair(false, false));
  EXPECT_FALSE(QFile::exists(dataPath("valofaxoptions.ini")));

  throughToolbar([](ui::OptionsWindow& w) {
    w.HistoryDedupBox->setChecked(true);
    w.accept();
  });
  QFile file(dataPath("valofaxoptions.ini"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("history-dedup=true"));

  stop();
  start();
  EXPECT_EQ(throughToolbar([](ui::OptionsWindow& w) {
              w.WideReadingBox->setChecked(true);
              w.reject();
            }),
            std::make_pair(true, false));
  EXPECT_EQ(throughToolbar([](ui::OptionsWindow& w) { w.reject(); }), std::make_pair(true, false));
}

// The team's connection and machine are kept as typed, never a password;
// 上传到团队 asks for a connection first and refuses one with a password,
// each through the standard error.
TEST_F(Options, TheTeamConnectionIsKeptAndUploadRefusesWhatItCannotUse) {
  start();
  QStringList errors;
  ui::setStandardErrorSink([&](const QString& text) { errors << text; });
  throughToolbar([](ui::OptionsWindow& w) {
    auto* upload = w.findChild<QPushButton*>(QStringLiteral("TeamUploadButton"));
    ASSERT_NE(upload, nullptr);
    upload->click();
    w.TeamConnectionEdit->setText(QStringLiteral("host=10.0.0.5 password=secret"));
    upload->click();
    w.TeamConnectionEdit->setText(QStringLiteral("host=10.0.0.5 dbname=valofax"));
    w.MachineNameEdit->setText(QStringLiteral("shop2"));
    w.accept();
  });
  ui::setStandardErrorSink(nullptr);
  ASSERT_EQ(errors.size(), 2) << errors.join(QLatin1Char('|')).toStdString();
  EXPECT_TRUE(errors[0].contains(QStringLiteral("请先填写团队服务器")));
  EXPECT_TRUE(errors[1].contains(QStringLiteral("~/.pgpass")));
  const files::ProgramOptions kept = files::loadProgramOptions(dataPath("valofaxoptions.ini"));
  EXPECT_EQ(kept.teamConnection, QStringLiteral("host=10.0.0.5 dbname=valofax"));
  EXPECT_EQ(kept.machineName, QStringLiteral("shop2"));
}
