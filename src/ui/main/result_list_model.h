// The model behind `ListView1`: the harvested numbers in found order over
// the hashed number list, so the duplicate test stays fast with 100,000
// numbers listed.
#pragma once

#include <QAbstractListModel>

#include "harvest/fax_extractor.h"

namespace valo::ui {

class ResultListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Every number listed, those not yet shown included.
  const harvest::NumberList& numbers() const { return numbers_; }
  void append(const GbkString& number) {
    appendLater(number);
    flush();
  }
  // Listed now, shown at the next flush: a page of 80,000 numbers is one
  // insertion for the view, not 80,000.
  void appendLater(const GbkString& number) { numbers_.append(number); }
  // Shows what was appended since the last flush; false when nothing was.
  bool flush();
  void clear();

 private:
  harvest::NumberList numbers_;
  int shown_ = 0;  // the rows the view has been told of
};

}  // namespace valo::ui
