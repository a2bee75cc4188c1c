// TForm2, the About window: product name, version, two pictures, three link
// labels to the maker's pages and mail, and an OK button that Enter presses.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace valo::ui {

class BevelPanel;
class TcwHyperLink;

// The maker's addresses shown and opened by the About window.
inline constexpr const char* kMakerSiteAddress = "http://www.valofax.example/";
inline constexpr const char* kMakerSoftwareAddress = "http://soft.valofax.example/faxsearch/";
inline constexpr const char* kMakerMailAddress = "mailto:support@valofax.example";

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  // The size the window is meant to have including its frame, and the frame
  // it was laid out for (4-pixel borders, 19-pixel caption): the client area
  // the controls are placed in is what remains, 272 x 190.
  static constexpr int kOuterWidth = 280;
  static constexpr int kOuterHeight = 217;
  static constexpr int kFrameBorder = 4;
  static constexpr int kCaptionHeight = 19;

  explicit TForm2(QWidget* parent = nullptr);

  BevelPanel* Panel1;
  QLabel* ProgramIcon;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* Image1;
  TcwHyperLink* cwHyperLink1;
  TcwHyperLink* cwHyperLink3;
  TcwHyperLink* cwHyperLink2;
  QPushButton* OKButton;

 public slots:
  void OKButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
};

}  // namespace valo::ui
