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

  const harvest::NumberList& numbers() const { return numbers_; }
  void append(const GbkString& number);
  void clear();

 private:
  harvest::NumberList numbers_;
};

}  // namespace valo::ui
