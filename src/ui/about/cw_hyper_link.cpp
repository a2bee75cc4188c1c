// The link label's colours, its press handling and its self-sizing paint.
#include "ui/about/cw_hyper_link.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "ui/shell/shell_open.h"

namespace valo::ui {

const QColor TcwHyperLink::kBlue{0, 0, 255};
const QColor TcwHyperLink::kRed{255, 0, 0};
const QColor TcwHyperLink::kMagenta{255, 0, 255};

TcwHyperLink::TcwHyperLink(QWidget* owner)
    : QWidget(owner),
      linkColor_(kBlue),
      url_(QString::fromLatin1(kDefaultLinkAddress)),
      caption_(url_),
      color_(QApplication::palette().color(QPalette::Button)),
      textColor_(kBlue) {
  setAttribute(Qt::WA_NoSystemBackground);
  resize(100, 10);
  QFont f = font();
  f.setPointSize(8);
  f.setBold(true);
  f.setUnderline(true);
  setFont(f);
  fontName_ = f.family();
  setCursor(Qt::PointingHandCursor);
  update();
}

void TcwHyperLink::SetURL(const QString& url) {
  if (url != url_) url_ = url;
}

void TcwHyperLink::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void TcwHyperLink::SetColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void TcwHyperLink::SetFontName(const QString& fontName) {
  if (fontName == fontName_) return;
  fontName_ = fontName;
  QFont f = font();
  f.setFamily(fontName);
  setFont(f);
  update();
}

void TcwHyperLink::enterEvent(QEnterEvent* event) {
  textColor_ = kRed;
  update();
  QWidget::enterEvent(event);
}

void TcwHyperLink::leaveEvent(QEvent* event) {
  textColor_ = linkColor_;
  update();
  QWidget::leaveEvent(event);
}

void TcwHyperLink::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    // Whether a handler took the address or not, the label counts as visited.
    openUrl(QUrl(url_));
    linkColor_ = kMagenta;
  }
  QWidget::mousePressEvent(event);
}

void TcwHyperLink::paintEvent(QPaintEvent* event) {
  const QFontMetrics metrics(font());
  const QSize fitted(metrics.horizontalAdvance(caption_) + 6, metrics.height() + 2);
  if (size() != fitted) resize(fitted);
  QPainter painter(this);
  painter.fillRect(event->rect(), color_);
  painter.setPen(textColor_);
  painter.setFont(font());
  painter.drawText(3, 1 + metrics.ascent(), caption_);
}

}  // namespace valo::ui
