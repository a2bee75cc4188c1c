// The About window: its controls by name, texts, places and the OK button.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "ui/about/about_form.h"
#include "ui/about/cw_hyper_link.h"

namespace valo::ui {
namespace {

TEST(AboutFormTest, WindowSettings) {
  TForm2 form;
  EXPECT_EQ(form.objectName(), QStringLiteral("Form2"));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("关于本软件"));
  EXPECT_EQ(form.size(), QSize(272, 190));  // 280 x 217 with the frame
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(form.windowIcon().isNull());
}

TEST(AboutFormTest, ControlsSitAtTheirPlacesUnderTheirNames) {
  TForm2 form;
  struct Place {
    const char* name;
    QPoint at;
    QSize size;  // empty: sized to its content
  };
  const Place places[] = {
      {"Panel1", {0, 0}, {272, 190}},         {"ProgramIcon", {20, 8}, {66, 46}},
      {"ProductName", {120, 16}, {}},         {"Version", {208, 14}, {}},
      {"Image1", {20, 64}, {188, 18}},        {"cwHyperLink1", {16, 88}, {182, 15}},
      {"cwHyperLink3", {16, 108}, {131, 15}}, {"cwHyperLink2", {16, 130}, {199, 15}},
      {"OKButton", {207, 156}, {50, 25}},
  };
  for (const Place& p : places) {
    auto* w = form.findChild<QWidget*>(QString::fromLatin1(p.name));
    ASSERT_NE(w, nullptr) << p.name;
    EXPECT_EQ(w->pos(), p.at) << p.name;
    if (!p.size.isEmpty()) {
      EXPECT_EQ(w->size(), p.size) << p.name;
    }
  }
}

TEST(AboutFormTest, TextsAndFonts) {
  TForm2 form;
  EXPECT_EQ(form.ProductName->text(), QStringLiteral("Valo传真搜索"));
  EXPECT_EQ(form.ProductName->font().pixelSize(), 12);
  EXPECT_TRUE(form.ProductName->font().bold());
  EXPECT_EQ(form.ProductName->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(form.Version->text(), QStringLiteral("Ver 2.1"));
  EXPECT_EQ(form.Version->font().family(), QStringLiteral("Arial"));
  EXPECT_EQ(form.Version->font().pixelSize(), 13);
  EXPECT_EQ(form.Version->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(form.OKButton->text(), QStringLiteral("确 定"));
  EXPECT_EQ(form.OKButton->font().pixelSize(), 12);
  EXPECT_TRUE(form.OKButton->isDefault());
}

TEST(AboutFormTest, LinksOpenTheProgramsOwnAddresses) {
  TForm2 form;
  for (TcwHyperLink* link : {form.cwHyperLink1, form.cwHyperLink3}) {
    const QUrl url(link->URL());
    EXPECT_EQ(url.scheme(), QStringLiteral("http"));
    EXPECT_TRUE(url.host().endsWith(QStringLiteral(".example"))) << link->URL().toStdString();
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  }
  EXPECT_NE(form.cwHyperLink1->URL(), form.cwHyperLink3->URL());
  EXPECT_EQ(form.cwHyperLink3->Caption(), QStringLiteral("www.valofax.example"));
  const QUrl mail(form.cwHyperLink2->URL());
  EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
  EXPECT_TRUE(mail.path().endsWith(QStringLiteral("@valofax.example")));
  EXPECT_TRUE(form.cwHyperLink2->Caption().contains(QStringLiteral("电话:0755-00000000")));
}

TEST(AboutFormTest, PicturesAreTheDecodedJpegs) {
  TForm2 form;
  EXPECT_EQ(form.ProgramIcon->pixmap().size(), QSize(66, 46));
  EXPECT_EQ(form.Image1->pixmap().size(), QSize(188, 18));
  EXPECT_TRUE(form.Image1->alignment() & Qt::AlignHCenter);
}

TEST(AboutFormTest, EndingTheWindow) {
  struct Case {
    const char* name;
    std::function<void(TForm2&)> act;
    int result;
  };
  const Case cases[] = {
      {"Enter", [](TForm2& f) { QTest::keyClick(&f, Qt::Key_Return); }, QDialog::Accepted},
      {"keypad Enter", [](TForm2& f) { QTest::keyClick(&f, Qt::Key_Enter); }, QDialog::Accepted},
      {"OK clicked", [](TForm2& f) { QTest::mouseClick(f.OKButton, Qt::LeftButton); }, QDialog::Accepted},
      {"close box", [](TForm2& f) { f.close(); }, QDialog::Rejected},
  };
  TForm2 form;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int finished = -1;
    auto connection = QObject::connect(&form, &QDialog::finished, [&finished](int r) { finished = r; });
    form.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    c.act(form);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), c.result);
    EXPECT_EQ(finished, c.result);
    QObject::disconnect(connection);
  }
}

}  // namespace
}  // namespace valo::ui
