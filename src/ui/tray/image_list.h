// A list of pictures a tray icon can take its picture from by index.
#pragma once

#include <QIcon>
#include <QList>

namespace valo::ui {

class TImageList {
 public:
  TImageList() = default;
  explicit TImageList(QList<QIcon> images) : images_(std::move(images)) {}

  int Count() const { return static_cast<int>(images_.size()); }
  void Add(const QIcon& image) { images_.append(image); }
  // The picture at `index`; an empty icon for an index outside the list.
  QIcon GetIcon(int index) const {
    return index >= 0 && index < images_.size() ? images_.at(index) : QIcon();
  }

 private:
  QList<QIcon> images_;
};

}  // namespace valo::ui
