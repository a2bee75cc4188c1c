// See result_list_model.h.
#include "ui/main/result_list_model.h"

namespace valo::ui {

int ResultListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shown_ || role != Qt::DisplayRole) return {};
  return fromGbk(numbers_.at(static_cast<std::size_t>(index.row())));
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) {
    return QStringLiteral("传真号码");
  }
  return {};
}

bool ResultListModel::flush() {
  const int all = static_cast<int>(numbers_.size());
  if (all == shown_) return false;
  beginInsertRows({}, shown_, all - 1);
  shown_ = all;
  endInsertRows();
  return true;
}

void ResultListModel::clear() {
  beginResetModel();
  numbers_.clear();
  shown_ = 0;
  endResetModel();
}

}  // namespace valo::ui
