// See result_list_model.h.
#include "ui/main/result_list_model.h"

namespace valo::ui {

int ResultListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(numbers_.size());
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  return fromGbk(numbers_.at(static_cast<std::size_t>(index.row())));
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) {
    return QStringLiteral("传真号码");
  }
  return {};
}

void ResultListModel::append(const GbkString& number) {
  const int row = rowCount();
  beginInsertRows({}, row, row);
  numbers_.append(number);
  endInsertRows();
}

void ResultListModel::clear() {
  beginResetModel();
  numbers_.clear();
  endResetModel();
}

}  // namespace valo::ui
