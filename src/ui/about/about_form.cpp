// Building the About window's controls at their places.
#include "ui/about/about_form.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "ui/about/bevel_panel.h"
#include "ui/about/cw_hyper_link.h"
#include "ui/common/error_box.h"
#include "ui/jpeg/jpeg_decode.h"
#include "ui/resources/icons.h"

namespace valo::ui {
namespace {

QFont pixelFont(const QString& family, int pixels, bool bold) {
  QFont f(family);
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

void paintBlue(QWidget* w) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
  w->setPalette(pal);
}

QLabel* picture(QWidget* parent, const char* name, const QByteArray& jpeg, const QRect& place) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(place);
  const QImage image = decodeJpeg(jpeg);
  if (!image.isNull()) {
    label->setPixmap(QPixmap::fromImage(image));
    label->resize(image.size());
  }
  return label;
}

TcwHyperLink* link(QWidget* parent, const char* name, const QRect& place, const QString& caption,
                   const char* address) {
  auto* label = new TcwHyperLink(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(place);
  label->SetFontName(QStringLiteral("宋体"));
  label->SetCaption(caption);
  label->SetURL(QString::fromLatin1(address));
  return label;
}

}  // namespace

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("关于本软件"));
  setWindowIcon(programIcon());
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  resize(kOuterWidth - 2 * kFrameBorder, kOuterHeight - 2 * kFrameBorder - kCaptionHeight);

  Panel1 = new BevelPanel(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(rect());

  ProgramIcon = picture(Panel1, "ProgramIcon", aboutLogoJpeg(), QRect(20, 8, 66, 46));

  ProductName = new QLabel(QStringLiteral("Valo传真搜索"), Panel1);
  ProductName->setObjectName(QStringLiteral("ProductName"));
  ProductName->setFont(pixelFont(QStringLiteral("宋体"), 12, true));
  paintBlue(ProductName);
  ProductName->move(120, 16);
  ProductName->adjustSize();

  Version = new QLabel(QStringLiteral("Ver 2.1"), Panel1);
  Version->setObjectName(QStringLiteral("Version"));
  Version->setFont(pixelFont(QStringLiteral("Arial"), 13, false));
  paintBlue(Version);
  Version->move(208, 14);
  Version->adjustSize();

  Image1 = picture(Panel1, "Image1", aboutBannerJpeg(), QRect(20, 64, 188, 18));
  Image1->setAlignment(Qt::AlignCenter);

  cwHyperLink1 = link(Panel1, "cwHyperLink1", QRect(16, 88, 182, 15), QStringLiteral("Valo传真搜索 官方网站"),
                      kMakerSiteAddress);
  cwHyperLink3 = link(Panel1, "cwHyperLink3", QRect(16, 108, 131, 15), QStringLiteral("www.valofax.example"),
                      kMakerSoftwareAddress);
  cwHyperLink2 = link(Panel1, "cwHyperLink2", QRect(16, 130, 199, 15),
                      QStringLiteral("QQ:012345678 电话:0755-00000000"), kMakerMailAddress);

  OKButton = new QPushButton(QStringLiteral("确 定"), Panel1);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setFont(pixelFont(QStringLiteral("宋体"), 12, false));
  OKButton->setGeometry(207, 156, 50, 25);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, [this] { guarded([this] { OKButtonClick(); }); });
}

void TForm2::OKButtonClick() {
  accept();
}

void TForm2::showEvent(QShowEvent* event) {
  // Centred on the screen each time it is shown.
  if (QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  OKButton->setFocus();
  QDialog::showEvent(event);
}

void TForm2::resizeEvent(QResizeEvent* event) {
  Panel1->setGeometry(rect());
  QDialog::resizeEvent(event);
}

}  // namespace valo::ui
