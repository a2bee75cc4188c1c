// Opens the number store window over a connection of its own to the store
// file and carries out its commands: import of number lists, export of the
// rows shown, of one search or of all, copy and delete of chosen numbers,
// with a progress box that can cancel the long ones. Numbers left unchecked
// by an import are checked in the background, from a few seconds after the
// program's start and after each import, until the program closes. The open
// window follows the store's changes.
#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>
#include <exception>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "files/store/number_check_worker.h"
#include "files/store/store_export.h"
#include "files/store/store_import.h"

namespace valo::files::store {
class NumberStore;
}

class QWidget;

namespace valo::ui {

class StoreWindow;

// Where the window's import and delete go when the window shows a store
// other than the program's own.
class StoreChanges {
 public:
  virtual ~StoreChanges() = default;
  // Runs on a thread of the import's own; throws what the store throws.
  virtual files::store::ImportOutcome importFile(const QString& file, const files::store::ImportProgress& progress,
                                                 std::stop_token stop) = 0;
  // `done` may be told on any thread.
  virtual void deleteNumbers(std::vector<std::string> numbers, std::function<void(std::exception_ptr)> done) = 0;
};

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
  // Import and delete go to `changes` from now on; null: the own store.
  void useChanges(StoreChanges* changes) { changes_ = changes; }

 private:
  void furnishExportMenu();

  QWidget& owner_;
  files::store::NumberStore& store_;
  files::store::NumberCheckWorker checks_;
  static constexpr int kChecksAfterStartMs = 3000;
  QTimer checksAfterStart_;
  int listener_ = 0;
  std::unique_ptr<files::store::Connection> db_;
  std::unique_ptr<files::store::StoreReader> reader_;  // over db_
  QPointer<StoreWindow> window_;
  QString lastFolder_;
  StoreChanges* changes_ = nullptr;
};

}  // namespace valo::ui
