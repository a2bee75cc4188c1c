// The number store's rows for a table view, read a page at a time as the
// view scrolls (fetchMore), so a store of millions never fills the widgets.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "files/store/store_query.h"

namespace valo::ui {

class StoreTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kPageRows = 256;

  explicit StoreTableModel(files::store::Connection& db, QObject* parent = nullptr);

  // Shows the rows that pass `filter` from the first one on, and counts them.
  void setFilter(const files::store::StoreFilter& filter);
  // Reads the same filter again (after an import or a delete).
  void refresh() { setFilter(filter_); }
  const files::store::StoreFilter& filter() const { return filter_; }
  std::int64_t matchingCount() const { return matching_; }
  std::int64_t allCount() const { return all_; }
  const files::store::StoreRow& storeRow(int row) const { return rows_[static_cast<std::size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

 private:
  files::store::Connection& db_;
  files::store::StoreFilter filter_;
  std::vector<files::store::StoreRow> rows_;
  bool exhausted_ = true;
  std::int64_t matching_ = 0;
  std::int64_t all_ = 0;
};

}  // namespace valo::ui
