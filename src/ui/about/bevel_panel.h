// A panel with an outer lowered and an inner raised one-pixel bevel on the
// window colour, as the About window's background.
#pragma once

#include <QWidget>

namespace valo::ui {

class BevelPanel : public QWidget {
  Q_OBJECT

 public:
  explicit BevelPanel(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace valo::ui
