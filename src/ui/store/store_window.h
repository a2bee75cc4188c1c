// The number store window ("号码库"): every number the searches found or the
// user imported, one row each, with filters, the counts shown and in all,
// and the commands import, export, copy and delete, which the store binding
// carries out. It follows the store: told of a change, it reads the rows
// again soon and keeps the user's place and chosen rows by number.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <string>
#include <vector>

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
class QTimer;

namespace valo::ui {

class StoreTableModel;

class StoreWindow : public QWidget {
  Q_OBJECT
 public:
  StoreWindow(files::store::StoreReader& reader, QWidget* parent = nullptr);
  // Reads from now on through `reader`: the searches again, and the rows
  // through the filter the controls describe.
  void useReader(files::store::StoreReader& reader);
  files::store::StoreReader& reader() const { return *reader_; }

  // The filter the controls describe.
  files::store::StoreFilter filter() const;
  // Reads the store again through the controls' filter (keeping the user's
  // place when it is the filter shown), and the searches.
  void applyFilter();
  void reloadSearches();
  // The numbers of the selected rows, in table order.
  std::vector<std::string> selectedNumbers() const;
  StoreTableModel& model() const { return *model_; }

  // The store has committed a change (for the window's thread; the store's
  // writer queues it here). The rows are read again at most once in
  // kFollowGapMs, or less often when a reading takes long, so a store that
  // commits all the time does not keep the window busy.
  void storeChanged();
  static constexpr int kFollowGapMs = 500;
  // Reads the rows again now through the filter shown. The top row stays
  // the same number where it still is, else the same row; the chosen rows
  // and the current one stay chosen by number.
  void followStore();

  QLineEdit* FilterText = nullptr;
  QComboBox* SearchBox = nullptr;
  // Which store is shown, the program's own or a team's; shown only to a
  // member of a team.
  QComboBox* SourceBox = nullptr;
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
  std::vector<std::pair<std::int64_t, std::int64_t>> selectedSpans() const;
  void followLater();

  StoreTableModel* model_ = nullptr;
  files::store::StoreReader* reader_;
  QTimer* followTimer_ = nullptr;
  QElapsedTimer sinceFollow_;
  qint64 followGapMs_ = kFollowGapMs;
  bool followFailed_ = false;
};

}  // namespace valo::ui
