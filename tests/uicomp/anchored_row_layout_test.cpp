// The settings row's layout with controls of known widths: the anchored last
// control at its design place, following the right edge, pushed aside by
// wider controls, and never asking the window for width.
#include <gtest/gtest.h>

#include <QWidget>
#include <memory>
#include <vector>

#include "ui/main/anchored_row_layout.h"

namespace valo::ui {
namespace {

class Fixed : public QWidget {
 public:
  Fixed(QWidget* parent, int width) : QWidget(parent), width_(width) {}
  QSize sizeHint() const override { return {width_, 20}; }

 private:
  int width_;
};

TEST(AnchoredRowLayoutTest, PlacesTheLastControlAsDesignedAndFollowsTheRightEdge) {
  struct Case {
    const char* name;
    std::vector<int> widths;  // the controls before the anchored one
    int rowWidth;
    QRect anchored;
  };
  // Design: a 567 px row, margins 4, gaps 4, the anchored control 318 px wide
  // from x = 567 - 4 - 318 = 245.
  const Case cases[] = {
      {"design size", {84, 41, 40, 60}, 567, QRect(245, 4, 318, 20)},
      {"wider window", {84, 41, 40, 60}, 800, QRect(245, 4, 551, 20)},
      {"narrower window", {84, 41, 40, 60}, 400, QRect(245, 4, 151, 20)},
      {"wider texts push it right", {120, 41, 40, 60}, 567, QRect(281, 4, 563 - 281, 20)},
      {"far too narrow a window",
       {84, 41, 40, 60},
       250,
       QRect(245, 4, AnchoredRowLayout::kMinimumAnchoredWidth, 20)},
      {"nothing before it", {}, 567, QRect(245, 4, 318, 20)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QWidget row;
    auto* layout = new AnchoredRowLayout(&row, 567, 318);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);
    std::vector<QWidget*> before;
    for (int w : c.widths) {
      before.push_back(new Fixed(&row, w));
      layout->addWidget(before.back());
    }
    auto* anchored = new Fixed(&row, 900);  // its own wish is ignored
    layout->addWidget(anchored);
    layout->setGeometry(QRect(0, 0, c.rowWidth, 28));
    EXPECT_EQ(anchored->geometry(), c.anchored);
    int x = 4;
    for (std::size_t i = 0; i < before.size(); ++i) {
      EXPECT_EQ(before[i]->geometry(), QRect(x, 4, c.widths[i], 20)) << i;
      x += c.widths[i] + 4;
    }
    EXPECT_EQ(layout->minimumSize().width(), 0);
    EXPECT_EQ(layout->sizeHint(), QSize(567, 24));
  }
}

}  // namespace
}  // namespace valo::ui
