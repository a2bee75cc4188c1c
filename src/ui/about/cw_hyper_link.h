// TcwHyperLink: an underlined text label that turns red under the mouse,
// opens its address through the desktop when pressed, and stays magenta once
// it has been visited. It sizes itself to its caption whenever it paints.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace valo::ui {

// The program's own web address, the label's address and caption until set.
inline constexpr const char* kDefaultLinkAddress = "http://www.valofax.example/";

// The desktop toolkit this was first written for had windowless controls
// painted straight onto the parent's surface. Qt's child widgets are the same
// thing underneath: without a native window of their own ("alien" widgets)
// they paint into the top-level window's backing store. The label fills its
// own area on each paint, so it asks Qt not to clear it first.
class TcwHyperLink : public QWidget {
  Q_OBJECT

 public:
  explicit TcwHyperLink(QWidget* owner = nullptr);

  QString URL() const { return url_; }
  void SetURL(const QString& url);
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  QString FontName() const { return fontName_; }
  void SetFontName(const QString& fontName);

  // Blue until the label has been pressed, magenta after.
  QColor LinkColor() const { return linkColor_; }
  // The colour the caption is drawn in now (red while hovered).
  QColor TextColor() const { return textColor_; }

  static const QColor kBlue;
  static const QColor kRed;
  static const QColor kMagenta;

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor linkColor_;
  QString url_;
  QString caption_;
  QColor color_;
  QString fontName_;
  QColor textColor_;
};

}  // namespace valo::ui
