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

namespace valo::files::store {
class NumberStore;
}

class QWidget;

namespace valo::ui {

class StoreWindow;

class StoreBinding {
 public:
  // `store` is the program's one number store; it outlives the binding.
  StoreBinding(QWidget& owner, files::store::NumberStore& store);
  ~StoreBinding();
  StoreBinding(const StoreBinding&) = delete;
  StoreBinding& operator=(const StoreBinding&) = delete;

  // Shows the window, or brings it to the front when it is open. Throws
  // AppError when the store cannot be read; nothing is renamed or made anew
  // here, which the store's owner alone decides.
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
  files::store::NumberStore& store_;
  files::store::NumberCheckWorker checks_;
  int listener_ = 0;
  std::unique_ptr<files::store::Connection> db_;
  std::unique_ptr<files::store::StoreReader> reader_;  // over db_
  QPointer<StoreWindow> window_;
  QString lastFolder_;
};

}  // namespace valo::ui
