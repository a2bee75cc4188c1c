// The number store's rows for a table view: one reading of the store through
// the filter (StoreRowCache), whose pages are read as the view paints them
// and let go when far, so the model stays small at any store size. A new
// reading replaces it when the filter changes or the store does.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "files/store/store_query.h"
#include "ui/store/store_row_cache.h"

namespace valo::ui {

class StoreTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kPageRows = StoreRowCache::kPageRows;
  // Rows from first to last, both included.
  using RowSpan = std::pair<std::int64_t, std::int64_t>;

  explicit StoreTableModel(files::store::StoreReader& reader, QObject* parent = nullptr);
  // The readings to come go through `reader` (the caller then sets a filter).
  void setReader(files::store::StoreReader& reader) { reader_ = &reader; }
  ~StoreTableModel() override;

  // Shows the rows that pass `filter` from the first one on, and counts them.
  void setFilter(const files::store::StoreFilter& filter);
  const files::store::StoreFilter& filter() const;
  std::int64_t matchingCount() const { return reading_ ? reading_->matchingCount() : 0; }
  std::int64_t allCount() const { return reading_ ? reading_->allCount() : 0; }
  // The row shown at `row`, read when it is not cached. Throws SqliteError.
  const files::store::StoreRow& storeRow(int row) const { return reading_->row(row); }
  // The numbers of the rows in `spans` (in order, apart), in table order.
  std::vector<std::string> numbers(const std::vector<RowSpan>& spans) const;

  // A new reading through the same filter, not shown yet, for the caller to
  // place what the view shows in it. Throws SqliteError.
  std::unique_ptr<StoreRowCache> readAgain() const;
  // Shows `next`. With `inPlace` every row the view refers to stands where
  // it stood, so only the values are told to have changed and the view keeps
  // its selection and scroll position; otherwise the view is reset.
  void show(std::unique_ptr<StoreRowCache> next, bool inPlace);
  const StoreRowCache& reading() const { return *reading_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const files::store::StoreRow* rowForView(int row) const;

  files::store::StoreReader* reader_;
  std::unique_ptr<StoreRowCache> reading_;
  mutable bool readFailed_ = false;  // until the next reading: no more reads, no more error boxes
};

}  // namespace valo::ui
