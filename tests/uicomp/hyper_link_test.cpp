// The link label's colours, its press and its self-sizing paint.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>

#include "ui/about/cw_hyper_link.h"
#include "ui/shell/shell_open.h"

namespace valo::ui {
namespace {

class HyperLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setUrlOpenerForTests([this](const QUrl& url) {
      opened.push_back(url);
      return openerAnswer;
    });
  }
  void TearDown() override { setUrlOpenerForTests(nullptr); }

  void enter() {
    QEnterEvent e(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&link, &e);
  }
  void leave() {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(&link, &e);
  }
  void press(Qt::MouseButton button) {
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), button, button, Qt::NoModifier);
    QApplication::sendEvent(&link, &e);
  }

  QWidget parent;
  TcwHyperLink link{&parent};
  std::vector<QUrl> opened;
  bool openerAnswer = true;
};

TEST_F(HyperLinkTest, StartsAsABlueBoldUnderlinedLinkToTheProgramsSite) {
  EXPECT_EQ(link.URL(), QStringLiteral("http://www.valofax.example/"));
  EXPECT_EQ(link.Caption(), link.URL());
  EXPECT_EQ(link.size(), QSize(100, 10));
  EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(link.LinkColor(), QColor(0, 0, 255));
  EXPECT_EQ(link.TextColor(), QColor(0, 0, 255));
  EXPECT_EQ(link.Color(), QApplication::palette().color(QPalette::Button));
  EXPECT_TRUE(link.font().bold());
  EXPECT_TRUE(link.font().underline());
  EXPECT_EQ(link.FontName(), link.font().family());
}

TEST_F(HyperLinkTest, ColoursFollowHoverAndVisit) {
  struct Step {
    const char* action;
    QColor text;
    QColor linkColour;
  };
  const QColor blue(0, 0, 255), red(255, 0, 0), magenta(255, 0, 255);
  const Step steps[] = {
      {"enter", red, blue},        {"leave", blue, blue},       {"enter", red, blue},
      {"press", red, magenta},     {"leave", magenta, magenta}, {"enter", red, magenta},
      {"leave", magenta, magenta},
  };
  for (const Step& s : steps) {
    const std::string action = s.action;
    if (action == "enter") enter();
    if (action == "leave") leave();
    if (action == "press") press(Qt::LeftButton);
    EXPECT_EQ(link.TextColor(), s.text) << action;
    EXPECT_EQ(link.LinkColor(), s.linkColour) << action;
  }
}

TEST_F(HyperLinkTest, PressOpensTheAddressAndMarksVisitedEvenWhenOpeningFails) {
  openerAnswer = false;
  link.SetURL(QStringLiteral("mailto:support@valofax.example"));
  press(Qt::LeftButton);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl(QStringLiteral("mailto:support@valofax.example")));
  EXPECT_EQ(link.LinkColor(), QColor(255, 0, 255));
}

TEST_F(HyperLinkTest, OtherButtonsNeitherOpenNorMark) {
  press(Qt::RightButton);
  press(Qt::MiddleButton);
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(link.LinkColor(), QColor(0, 0, 255));
}

TEST_F(HyperLinkTest, PaintSizesTheLabelToItsCaption) {
  for (const QString& caption :
       {QStringLiteral("ab"), QStringLiteral("http://www.valofax.example/longer/path/"),
        QStringLiteral("QQ:012345678 电话:0755-00000000")}) {
    link.SetCaption(caption);
    (void)link.grab();
    const QFontMetrics m(link.font());
    EXPECT_EQ(link.width(), m.horizontalAdvance(caption) + 6) << caption.toStdString();
    EXPECT_EQ(link.height(), m.height() + 2) << caption.toStdString();
  }
}

TEST_F(HyperLinkTest, PaintFillsTheBackgroundAndDrawsTheCaptionInTheTextColour) {
  link.SetColor(QColor(0, 128, 0));
  link.SetCaption(QStringLiteral("WWW"));
  (void)link.grab();                           // sizes the label
  const QImage image = link.grab().toImage();  // paints at the new size
  EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 128, 0));
  EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), QColor(0, 128, 0));
  int blue = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == QColor(0, 0, 255)) ++blue;
  EXPECT_GT(blue, 0);
  // Nothing is drawn left of the 3-pixel margin.
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(image.pixelColor(x, y), QColor(0, 128, 0));
}

TEST_F(HyperLinkTest, FontNameIsGivenToTheTextFont) {
  link.SetFontName(QStringLiteral("DejaVu Serif"));
  EXPECT_EQ(link.FontName(), QStringLiteral("DejaVu Serif"));
  EXPECT_EQ(link.font().family(), QStringLiteral("DejaVu Serif"));
  EXPECT_TRUE(link.font().bold());
  EXPECT_TRUE(link.font().underline());
}

}  // namespace
}  // namespace valo::ui
