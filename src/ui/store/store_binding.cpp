// See store_binding.h.
#include "ui/store/store_binding.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <thread>

#include "files/data_folder.h"
#include "files/store/number_store.h"
#include "files/store/store_import.h"
#include "files/store/store_open.h"
#include "files/store/store_schema.h"
#include "team/pg_link.h"
#include "text/app_error.h"
#include "ui/common/dialogs.h"
#include "ui/common/error_box.h"
#include "ui/store/store_table_model.h"
#include "ui/store/store_window.h"

namespace valo::ui {
namespace {

using files::store::ExportFormat;
using Scope = StoreBinding::Scope;

struct ExportChoice {
  const char* objectName;
  Scope scope;
  ExportFormat format;
};

const ExportChoice kExportChoices[] = {
    {"ExportShownXlsx", Scope::Shown, ExportFormat::Xlsx},
    {"ExportShownCsv", Scope::Shown, ExportFormat::CsvUtf8},
    {"ExportShownGbkCsv", Scope::Shown, ExportFormat::CsvGbk},
    {"ExportSearchXlsx", Scope::OneSearch, ExportFormat::Xlsx},
    {"ExportSearchCsv", Scope::OneSearch, ExportFormat::CsvUtf8},
    {"ExportSearchGbkCsv", Scope::OneSearch, ExportFormat::CsvGbk},
    {"ExportAllXlsx", Scope::All, ExportFormat::Xlsx},
    {"ExportAllCsv", Scope::All, ExportFormat::CsvUtf8},
    {"ExportAllGbkCsv", Scope::All, ExportFormat::CsvGbk},
};

QString scopeCaption(Scope scope) {
  switch (scope) {
    case Scope::Shown: return QStringLiteral("显示的号码");
    case Scope::OneSearch: return QStringLiteral("所选搜索的号码");
    case Scope::All: break;
  }
  return QStringLiteral("全部号码");
}

QString formatCaption(ExportFormat format) {
  switch (format) {
    case ExportFormat::Xlsx: return QStringLiteral("Excel 工作簿 (.xlsx)…");
    case ExportFormat::CsvUtf8: return QStringLiteral("CSV (UTF-8)…");
    case ExportFormat::CsvGbk: break;
  }
  return QStringLiteral("CSV (GBK)…");
}

// Store failures come as SQLite's English text; the user reads what failed.
template <typename F>
auto inStore(const char* doing, F&& work) {
  try {
    return work();
  } catch (const files::store::SqliteError& e) {
    throw AppError(gbk(doing) + gbk("失败：") + gbkFromUtf8(e.what()));
  } catch (const team::TeamError& e) {
    throw AppError(gbk(doing) + gbk("失败：") + gbkFromUtf8(e.what()));
  }
}

std::unique_ptr<files::store::Connection> openStore(const files::store::NumberStore& store) {
  try {
    return std::make_unique<files::store::Connection>(store.openReader());
  } catch (const std::exception& e) {
    throw AppError(gbk("号码库无法打开：") + toGbk(store.path()) + gbk("（") + gbkFromUtf8(e.what()) + gbk("）"));
  }
}

// A modal progress box with a cancel button, shown when the work lasts.
class ProgressBox {
 public:
  ProgressBox(QWidget* parent, const QString& text)
      : dialog_(text, QStringLiteral("取消"), 0, 1000, parent) {
    dialog_.setWindowTitle(QStringLiteral("号码库"));
    dialog_.setWindowModality(Qt::ApplicationModal);
    dialog_.setMinimumDuration(400);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
  }
  // False once the user has cancelled.
  bool step(double done, double total) {
    dialog_.setValue(total > 0 ? static_cast<int>(1000 * std::min(1.0, done / total)) : 0);
    QCoreApplication::processEvents();
    return !dialog_.wasCanceled();
  }

 private:
  QProgressDialog dialog_;
};

}  // namespace

StoreBinding::StoreBinding(QWidget& owner, files::store::NumberStore& store)
    : owner_(owner), store_(store), checks_(store), lastFolder_(QDir::homePath()) {
  // Numbers an earlier run imported but did not get to check; with none
  // (a cheap look at a partial index) the worker ends at once. They wait
  // until the window is up: on two cores the checks would take the core
  // the browser's start needs.
  checksAfterStart_.setSingleShot(true);
  QObject::connect(&checksAfterStart_, &QTimer::timeout, &checksAfterStart_, [this] { guarded([this] { checks_.start(); }); });
  checksAfterStart_.start(kChecksAfterStartMs);
  // Every commit of the store (a search's page, an import batch, a delete,
  // new checks) is followed by the open window.
  listener_ = store_.addListener([this](files::store::StoreEvent event) {
    if (event == files::store::StoreEvent::Committed) storeCommitted();
  });
}

StoreBinding::~StoreBinding() {
  store_.removeListener(listener_);
  checks_.stop();
  // The window is the owner's child and would outlive this binding.
  delete window_.data();
}

StoreWindow* StoreBinding::window() const {
  return window_;
}

void StoreBinding::open() {
  if (window_ == nullptr) {
    db_ = openStore(store_);
    reader_ = std::make_unique<files::store::SqliteStoreReader>(*db_);
    auto* window = new StoreWindow(*reader_, &owner_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window_ = window;
    QObject::connect(window, &QObject::destroyed, [this] {
      reader_.reset();
      db_.reset();
    });
    auto bind = [this](QPushButton* button, void (StoreBinding::*handler)()) {
      QObject::connect(button, &QPushButton::clicked, window_, [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    bind(window->ImportButton, &StoreBinding::importLists);
    bind(window->CopyButton, &StoreBinding::copySelected);
    bind(window->DeleteButton, &StoreBinding::deleteSelected);
    furnishExportMenu();
    inStore("读取号码库", [&] {
      window->reloadSearches();
      window->applyFilter();
    });
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void StoreBinding::storeCommitted() {
  QMetaObject::invokeMethod(&owner_, [this] {
    if (window_ != nullptr) window_->storeChanged();
  }, Qt::QueuedConnection);
}

void StoreBinding::furnishExportMenu() {
  QMenu* menu = window_->ExportMenu;
  QMenu* section = nullptr;
  for (const ExportChoice& c : kExportChoices) {
    if (section == nullptr || section->title() != scopeCaption(c.scope)) section = menu->addMenu(scopeCaption(c.scope));
    QAction* action = section->addAction(formatCaption(c.format));
    action->setObjectName(QLatin1String(c.objectName));
    QObject::connect(action, &QAction::triggered, window_,
                     [this, c] { guarded([&] { exportRows(c.scope, c.format); }); });
  }
}

namespace {

// One file's import on a thread of its own, its transactions run by the
// store's writer between a search's pages; this thread only shows the
// progress, in a box like ProgressBox. 取消 asks the thread to
// stop, and the box stays up without a cancel button while what was written
// is taken back. The thread's failure is thrown here, after it has ended.
using ImportRun = std::function<files::store::ImportOutcome(const files::store::ImportProgress&, std::stop_token)>;

files::store::ImportOutcome importOnThread(QWidget* parent, const ImportRun& run, const QString& file) {
  using files::store::ImportStage;
  std::atomic<int> stage = static_cast<int>(ImportStage::Reading);
  std::atomic<std::uint64_t> done = 0;
  std::atomic<std::uint64_t> total = 0;
  std::atomic<bool> finished = false;
  files::store::ImportOutcome outcome;
  std::exception_ptr failure;
  QEventLoop loop;
  std::jthread worker([&](std::stop_token stop) {
    try {
      outcome = run(
          [&](ImportStage now, std::uint64_t doneNow, std::uint64_t totalNow) {
            total = totalNow;
            done = doneNow;
            stage = static_cast<int>(now);
          },
          stop);
    } catch (...) {
      failure = std::current_exception();
    }
    finished = true;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });

  const QString name = QFileInfo(file).fileName();
  QProgressDialog box(QStringLiteral("正在导入 %1…").arg(name), QStringLiteral("取消"), 0, 1000, parent);
  box.setWindowTitle(QStringLiteral("号码库"));
  box.setWindowModality(Qt::ApplicationModal);
  box.setAutoClose(false);
  box.setAutoReset(false);
  // Up at once, unlike ProgressBox: the window's loop runs from here on, and
  // a click on the store window meanwhile (a close deletes it and this box
  // with it) must wait for the import.
  box.show();
  QObject::connect(&box, &QProgressDialog::canceled, &box, [&] {
    worker.request_stop();
    box.setCancelButton(nullptr);
    box.setLabelText(QStringLiteral("正在撤销 %1 的导入…").arg(name));
    box.show();
  });
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, &box, [&] {
    // Reading and sorting take about a fifth of an import's time.
    const double part = total > 0 ? std::min(1.0, static_cast<double>(done) / static_cast<double>(total)) : 0.0;
    const auto now = static_cast<ImportStage>(stage.load());
    const double shown = now == ImportStage::Reading ? 0.2 * part : now == ImportStage::Writing ? 0.2 + 0.8 * part : 1.0 - part;
    box.setValue(static_cast<int>(1000 * shown));
  });
  tick.start(100);
  if (!finished) loop.exec();
  // The loop also ends when the program quits; the import is then taken back.
  if (!finished) worker.request_stop();
  worker.join();
  if (failure) std::rethrow_exception(failure);
  return outcome;
}

}  // namespace

void StoreBinding::importLists() {
  dialogs::FileDialogOptions options;
  options.title = QStringLiteral("导入号码列表");
  options.filter = QStringLiteral("文本文件(*.txt)|*.txt|所有文件(*.*)|*.*");
  options.directory = lastFolder_;
  const QStringList files = dialogs::openFileNames(window_, options);
  if (files.isEmpty()) return;
  lastFolder_ = QFileInfo(files.front()).absolutePath();
  files::store::ImportOutcome total;
  QStringList cancelled;
  for (const QString& file : files) {
    const ImportRun run = [&](const files::store::ImportProgress& progress, std::stop_token stop) {
      if (changes_) return changes_->importFile(file, progress, stop);
      return files::store::runNumberImport(store_, file, QFileInfo(store_.path()).absolutePath(), progress, stop);
    };
    const files::store::ImportOutcome one = inStore("导入号码", [&] { return importOnThread(window_, run, file); });
    if (one.cancelled) {
      cancelled << QFileInfo(file).fileName();
      break;
    }
    total.added += one.added;
    total.known += one.known;
    total.repeated += one.repeated;
    total.withoutNumber += one.withoutNumber;
  }
  // A team's store is checked by its writer.
  if (total.added > 0 && !changes_) checks_.start();
  inStore("读取号码库", [&] { window_->applyFilter(); });
  QString text = QStringLiteral("导入新号码 %1 个，号码库中已有 %2 个，文件内重复 %3 个，%4 行没有号码。")
                     .arg(total.added)
                     .arg(total.known)
                     .arg(total.repeated)
                     .arg(total.withoutNumber);
  if (!cancelled.isEmpty()) text += QStringLiteral("\n已取消，%1 没有导入。").arg(cancelled.join(QStringLiteral("、")));
  dialogs::showInformation(window_, text);
}

void StoreBinding::exportRows(Scope scope, ExportFormat format) {
  files::store::StoreFilter filter;
  // What the table shows, even when a control was changed without 查询 since.
  if (scope == Scope::Shown) filter = window_->model().filter();
  if (scope == Scope::OneSearch) {
    filter.searchId = window_->filter().searchId;
    if (!filter.searchId) {
      dialogs::showMessage(window_, QStringLiteral("请先在“搜索”中选择一次搜索。"));
      return;
    }
  }
  const bool xlsx = format == ExportFormat::Xlsx;
  dialogs::FileDialogOptions options;
  options.title = QStringLiteral("导出") + scopeCaption(scope);
  options.filter = xlsx ? QStringLiteral("Excel 工作簿(*.xlsx)|*.xlsx") : QStringLiteral("CSV 文件(*.csv)|*.csv");
  options.directory = lastFolder_;
  options.defaultSuffix = xlsx ? QStringLiteral("xlsx") : QStringLiteral("csv");
  options.fileName = QStringLiteral("号码库-") +
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                     QLatin1Char('.') + options.defaultSuffix;
  const QString path = dialogs::saveFileName(window_, options);
  if (path.isEmpty()) return;
  lastFolder_ = QFileInfo(path).absolutePath();
  ProgressBox progress(window_, QStringLiteral("正在导出到 %1…").arg(QFileInfo(path).fileName()));
  const files::store::ExportOutcome outcome = inStore("导出号码", [&] {
    // Through the store the window shows, the program's own or a team's.
    const std::unique_ptr<files::store::NumberQuery> query = window_->reader().query(filter);
    return files::store::exportRows(*query, path, format, [&](std::int64_t done, std::int64_t all) {
      return progress.step(static_cast<double>(done), static_cast<double>(all));
    });
  });
  if (!outcome.cancelled) {
    dialogs::showInformation(window_, QStringLiteral("已导出 %1 个号码到 %2。").arg(outcome.rows).arg(path));
  }
}

void StoreBinding::copySelected() {
  QStringList lines;
  for (const std::string& number : window_->selectedNumbers()) lines << QString::fromStdString(number);
  if (lines.isEmpty()) return;
  QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void StoreBinding::deleteSelected() {
  const std::vector<std::string> numbers = window_->selectedNumbers();
  if (numbers.empty()) return;
  const QString question = QStringLiteral("从号码库中删除选中的 %1 个号码及其搜索记录吗？").arg(numbers.size());
  if (dialogs::confirm(window_, question) != dialogs::Confirmation::Yes) return;
  // The store's writer deletes them between two pages of a running search;
  // the window follows once the writer has committed.
  auto done = [window = window_](std::exception_ptr error) {
    QMetaObject::invokeMethod(
        window, [window, error] {
          if (!error) return window->storeChanged();
          guarded([&] { inStore("删除号码", [&] { std::rethrow_exception(error); }); });
        },
        Qt::QueuedConnection);
  };
  if (changes_) return changes_->deleteNumbers(numbers, std::move(done));
  store_.post([numbers](files::store::Connection& db) { files::store::deleteNumbers(db, numbers); }, std::move(done));
}

}  // namespace valo::ui
