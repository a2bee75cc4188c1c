// The settings row's placement. The controls sit left to right at their
// natural widths; the last one is anchored the way the window was designed:
// at the design width of the row its left edge lies where the design puts it
// (so that it has its design width there), and its right edge follows the
// row's right edge as the window is resized. Controls whose text comes out
// wider than designed push the anchored one to the right rather than being
// overlapped. The row asks the window for no width of its own, so a long
// entry of the engine box can never widen the window.
#pragma once

#include <QLayout>
#include <QList>

namespace valo::ui {

class AnchoredRowLayout : public QLayout {
 public:
  // `designWidth`: the row's width in the design; `anchoredWidth`: the last
  // control's width at that row width.
  AnchoredRowLayout(QWidget* parent, int designWidth, int anchoredWidth);
  ~AnchoredRowLayout() override;

  void addItem(QLayoutItem* item) override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  int count() const override;
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  void setGeometry(const QRect& rect) override;

  // The anchored control never gets narrower than this, even in a window
  // made narrower than the row's controls.
  static constexpr int kMinimumAnchoredWidth = 40;

 private:
  int height() const;

  QList<QLayoutItem*> items_;
  int designWidth_;
  int anchoredWidth_;
};

}  // namespace valo::ui
