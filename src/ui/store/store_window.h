// The number store window ("号码库"): every number the searches found or the
// user imported, one row each, with filters, the counts shown and in all,
// and the commands import, export, copy and delete, which the store binding
// carries out.
#pragma once

#include <QWidget>

#include "files/store/store_query.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace valo::ui {

class StoreTableModel;

class StoreWindow : public QWidget {
  Q_OBJECT
 public:
  StoreWindow(files::store::Connection& db, QWidget* parent = nullptr);

  // The filter the controls describe.
  files::store::StoreFilter filter() const;
  // Reads the store again through the controls' filter, and the searches.
  void applyFilter();
  void reloadSearches();
  // The numbers of the selected rows, in table order.
  std::vector<std::string> selectedNumbers() const;
  StoreTableModel& model() const { return *model_; }

  QLineEdit* FilterText = nullptr;
  QComboBox* SearchBox = nullptr;
  QCheckBox* DateBox = nullptr;
  QDateEdit* FromDate = nullptr;
  QDateEdit* ToDate = nullptr;
  QComboBox* KindBox = nullptr;
  QLineEdit* RegionText = nullptr;
  QPushButton* FilterButton = nullptr;
  QTableView* Table = nullptr;
  QLabel* CountLabel = nullptr;
  QPushButton* ImportButton = nullptr;
  QPushButton* ExportButton = nullptr;
  QMenu* ExportMenu = nullptr;
  QPushButton* CopyButton = nullptr;
  QPushButton* DeleteButton = nullptr;

 private:
  void showCounts();

  StoreTableModel* model_ = nullptr;
  files::store::Connection& db_;
};

}  // namespace valo::ui
