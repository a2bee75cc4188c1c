// Opens the number store window over a connection of its own to the store
// file and carries out its commands: import of number lists, export of the
// rows shown, of one search or of all, copy and delete of chosen numbers,
// with a progress box that can cancel the long ones. Numbers left unchecked
// by an import are checked in the background from the program's start and
// after each import until the program closes. The open window follows the
// store's changes.
#pragma once

#include <QPointer>
#include <QString>
#include <memory>

#include "files/store/number_check_worker.h"
#include "files/store/store_export.h"

class QWidget;

namespace valo::ui {

class StoreWindow;

class StoreBinding {
 public:
  explicit StoreBinding(QWidget& owner);
  ~StoreBinding();
  StoreBinding(const StoreBinding&) = delete;
  StoreBinding& operator=(const StoreBinding&) = delete;

  // Shows the window, or brings it to the front when it is open. Throws
  // AppError when the store cannot be opened; nothing is renamed or made
  // anew here, which the start of the program does for a bad store.
  void open();
  StoreWindow* window() const;

  enum class Scope { Shown, OneSearch, All };
  void importLists();
  void exportRows(Scope scope, files::store::ExportFormat format);
  void copySelected();
  void deleteSelected();

  // The store has committed a change: the open window follows it soon. May
  // be called from any thread (the store's writer, after each commit); the
  // caller stops calling before this binding is destroyed.
  void storeCommitted();

 private:
  void furnishExportMenu();

  QWidget& owner_;
  files::store::NumberCheckWorker checks_;
  std::unique_ptr<files::store::Connection> db_;
  QPointer<StoreWindow> window_;
  QString lastFolder_;
};

}  // namespace valo::ui
