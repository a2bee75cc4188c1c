// See store_table_model.h.
#include "ui/store/store_table_model.h"

#include "ui/common/error_box.h"

namespace valo::ui {

using files::store::StoreColumn;

StoreTableModel::StoreTableModel(files::store::Connection& db, QObject* parent)
    : QAbstractTableModel(parent), db_(db) {}

void StoreTableModel::setFilter(const files::store::StoreFilter& filter) {
  files::store::StoreQuery query(db_, filter);
  std::vector<files::store::StoreRow> first = query.page("", kPageRows);
  const std::int64_t matching = query.countMatching();
  const std::int64_t all = query.countAll();
  beginResetModel();
  filter_ = filter;
  exhausted_ = first.size() < static_cast<std::size_t>(kPageRows);
  rows_ = std::move(first);
  matching_ = matching;
  all_ = all;
  endResetModel();
}

int StoreTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int StoreTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : files::store::kStoreColumnCount;
}

QVariant StoreTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const auto column = static_cast<StoreColumn>(index.column());
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    QString text = QString::fromStdString(files::store::cellText(storeRow(index.row()), column));
    // The stored ISO time reads more easily with a space between date and time.
    if (column == StoreColumn::FirstSeen || column == StoreColumn::LastSeen) text.replace(QLatin1Char('T'), QLatin1Char(' '));
    return text;
  }
  if (role == Qt::TextAlignmentRole && column == StoreColumn::TimesSeen) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  return {};
}

QVariant StoreTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || section >= files::store::kStoreColumnCount) return {};
  return QString::fromUtf8(files::store::columnHeader(static_cast<StoreColumn>(section)));
}

bool StoreTableModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && !exhausted_;
}

// The view asks for more from its own event code, which no error may cross.
void StoreTableModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  std::vector<files::store::StoreRow> more;
  exhausted_ = true;  // a failed read is not retried at every scroll
  guarded([&] {
    files::store::StoreQuery query(db_, filter_);
    more = query.page(rows_.empty() ? "" : rows_.back().number, kPageRows);
    exhausted_ = more.size() < static_cast<std::size_t>(kPageRows);
  });
  if (more.empty()) return;
  const int first = rowCount();
  beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
  for (auto& row : more) rows_.push_back(std::move(row));
  endInsertRows();
}

}  // namespace valo::ui
