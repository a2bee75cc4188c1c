// See store_table_model.h.
#include "ui/store/store_table_model.h"

#include <QMetaObject>
#include <climits>

#include "text/app_error.h"
#include "ui/common/error_box.h"

namespace valo::ui {

using files::store::StoreColumn;

StoreTableModel::StoreTableModel(files::store::StoreReader& reader, QObject* parent)
    : QAbstractTableModel(parent), reader_(&reader) {}

StoreTableModel::~StoreTableModel() = default;

void StoreTableModel::setFilter(const files::store::StoreFilter& filter) {
  auto next = std::make_unique<StoreRowCache>(*reader_, filter);
  // The first page now, so a failure to read it is the filter's error.
  if (next->matchingCount() > 0) next->row(0);
  show(std::move(next), false);
}

const files::store::StoreFilter& StoreTableModel::filter() const {
  static const files::store::StoreFilter kNone;
  return reading_ ? reading_->filter() : kNone;
}

std::unique_ptr<StoreRowCache> StoreTableModel::readAgain() const {
  return std::make_unique<StoreRowCache>(*reader_, filter());
}

void StoreTableModel::show(std::unique_ptr<StoreRowCache> next, bool inPlace) {
  if (inPlace && reading_ && next->matchingCount() == reading_->matchingCount()) {
    reading_ = std::move(next);
    readFailed_ = false;
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    return;
  }
  beginResetModel();
  reading_ = std::move(next);
  readFailed_ = false;
  endResetModel();
}

std::vector<std::string> StoreTableModel::numbers(const std::vector<RowSpan>& spans) const {
  std::vector<std::string> out;
  for (const auto& [first, last] : spans) reading_->appendNumbers(first, last - first + 1, out);
  return out;
}

int StoreTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !reading_) return 0;
  return static_cast<int>(std::min<std::int64_t>(reading_->matchingCount(), INT_MAX));
}

int StoreTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : files::store::kStoreColumnCount;
}

// The view asks from its paint code, which no error may cross: a failed read
// is reported once, later, and the rows it left out stay blank until the
// next reading.
const files::store::StoreRow* StoreTableModel::rowForView(int row) const {
  if (readFailed_ && !reading_->cached(row)) return nullptr;
  try {
    return &reading_->row(row);
  } catch (const std::exception& e) {
    readFailed_ = true;
    const GbkString text = gbk("读取号码库失败：") + gbkFromUtf8(e.what());
    QMetaObject::invokeMethod(
        const_cast<StoreTableModel*>(this), [text] { guarded([&] { throw AppError(text); }); },
        Qt::QueuedConnection);
    return nullptr;
  }
}

QVariant StoreTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const auto column = static_cast<StoreColumn>(index.column());
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    const files::store::StoreRow* row = rowForView(index.row());
    if (row == nullptr) return {};
    QString text = QString::fromStdString(files::store::cellText(*row, column));
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

}  // namespace valo::ui
