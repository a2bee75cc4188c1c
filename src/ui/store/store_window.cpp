// See store_window.h.
#include "ui/store/store_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "files/store/store_schema.h"
#include "ui/common/error_box.h"
#include "ui/resources/icons.h"
#include "ui/store/store_table_model.h"

namespace valo::ui {
namespace {

constexpr int kSearchesListed = 500;

template <typename T>
T* named(T* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QString dateText(const QDate& date) {
  return date.toString(QStringLiteral("yyyy-MM-dd"));
}

}  // namespace

StoreWindow::StoreWindow(files::store::Connection& db, QWidget* parent)
    : QWidget(parent, Qt::Window), db_(db) {
  setObjectName(QStringLiteral("StoreWindow"));
  setWindowTitle(QStringLiteral("号码库"));
  setWindowIcon(glyph(QStringLiteral("store")));
  resize(960, 580);

  FilterText = named(new QLineEdit(this), "StoreFilterText");
  FilterText->setPlaceholderText(QStringLiteral("号码、关键字或来源行中的文字"));
  FilterText->setClearButtonEnabled(true);
  SearchBox = named(new QComboBox(this), "StoreSearchBox");
  SearchBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  KindBox = named(new QComboBox(this), "StoreKindBox");
  KindBox->addItem(QStringLiteral("全部类型"), QString());
  for (const char* kind : {files::store::kKindFixed, files::store::kKindMobile, files::store::kKindOther,
                           files::store::kKindUnchecked}) {
    files::store::StoreRow probe;
    probe.kind = kind;
    probe.checked = kind != files::store::kKindUnchecked;
    KindBox->addItem(QString::fromStdString(cellText(probe, files::store::StoreColumn::Kind)),
                     QString::fromLatin1(kind));
  }
  RegionText = named(new QLineEdit(this), "StoreRegionText");
  RegionText->setPlaceholderText(QStringLiteral("如 广东 或 深圳"));
  RegionText->setClearButtonEnabled(true);
  DateBox = named(new QCheckBox(QStringLiteral("首次发现"), this), "StoreDateBox");
  FromDate = named(new QDateEdit(QDate::currentDate().addMonths(-1), this), "StoreFromDate");
  ToDate = named(new QDateEdit(QDate::currentDate(), this), "StoreToDate");
  for (QDateEdit* edit : {FromDate, ToDate}) {
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setEnabled(false);
  }
  FilterButton = named(new QPushButton(QStringLiteral("查询"), this), "StoreFilterButton");
  CountLabel = named(new QLabel(this), "StoreCountLabel");

  Table = named(new QTableView(this), "StoreTable");
  model_ = new StoreTableModel(db_, this);
  Table->setModel(model_);
  Table->setSelectionBehavior(QAbstractItemView::SelectRows);
  Table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Table->setWordWrap(false);
  Table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  Table->horizontalHeader()->setStretchLastSection(true);
  const int widths[files::store::kStoreColumnCount] = {110, 130, 130, 40, 115, 60, 130, 300, 40, 65, 110, 90};
  for (int c = 0; c < files::store::kStoreColumnCount; ++c) Table->setColumnWidth(c, widths[c]);

  ImportButton = named(new QPushButton(QStringLiteral("导入…"), this), "StoreImportButton");
  ImportButton->setToolTip(QStringLiteral("导入号码列表（每行一个号码）作为已知号码"));
  ExportButton = named(new QPushButton(QStringLiteral("导出…"), this), "StoreExportButton");
  ExportMenu = named(new QMenu(ExportButton), "StoreExportMenu");
  ExportButton->setMenu(ExportMenu);
  CopyButton = named(new QPushButton(QStringLiteral("复制"), this), "StoreCopyButton");
  CopyButton->setToolTip(QStringLiteral("把选中的号码复制到剪贴板，每行一个"));
  DeleteButton = named(new QPushButton(QStringLiteral("删除"), this), "StoreDeleteButton");
  auto* closeButton = named(new QPushButton(QStringLiteral("关闭"), this), "StoreCloseButton");

  auto* filters = new QHBoxLayout;
  filters->addWidget(new QLabel(QStringLiteral("查找："), this));
  filters->addWidget(FilterText, 2);
  filters->addWidget(new QLabel(QStringLiteral("搜索："), this));
  filters->addWidget(SearchBox, 1);
  filters->addWidget(new QLabel(QStringLiteral("类型："), this));
  filters->addWidget(KindBox);
  filters->addWidget(new QLabel(QStringLiteral("地区："), this));
  filters->addWidget(RegionText, 1);
  auto* dates = new QHBoxLayout;
  dates->addWidget(DateBox);
  dates->addWidget(FromDate);
  dates->addWidget(new QLabel(QStringLiteral("至"), this));
  dates->addWidget(ToDate);
  dates->addWidget(FilterButton);
  dates->addStretch(1);
  dates->addWidget(CountLabel);
  auto* commands = new QHBoxLayout;
  for (QPushButton* b : {ImportButton, ExportButton, CopyButton, DeleteButton}) commands->addWidget(b);
  commands->addStretch(1);
  commands->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addLayout(dates);
  layout->addWidget(Table, 1);
  layout->addLayout(commands);

  auto apply = [this] { guarded([this] { applyFilter(); }); };
  connect(FilterButton, &QPushButton::clicked, this, apply);
  connect(FilterText, &QLineEdit::returnPressed, this, apply);
  connect(RegionText, &QLineEdit::returnPressed, this, apply);
  connect(SearchBox, &QComboBox::activated, this, apply);
  connect(KindBox, &QComboBox::activated, this, apply);
  connect(DateBox, &QCheckBox::toggled, this, [this](bool on) {
    FromDate->setEnabled(on);
    ToDate->setEnabled(on);
  });
  connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { showCounts(); });
}

files::store::StoreFilter StoreWindow::filter() const {
  files::store::StoreFilter f;
  f.text = FilterText->text().trimmed().toStdString();
  if (const qint64 id = SearchBox->currentData().toLongLong(); id > 0) f.searchId = id;
  if (DateBox->isChecked()) {
    f.fromDate = dateText(FromDate->date()).toStdString();
    f.toDate = dateText(ToDate->date()).toStdString();
  }
  f.kind = KindBox->currentData().toString().toStdString();
  f.region = RegionText->text().trimmed().toStdString();
  return f;
}

void StoreWindow::applyFilter() {
  model_->setFilter(filter());
}

void StoreWindow::reloadSearches() {
  const qint64 chosen = SearchBox->currentData().toLongLong();
  SearchBox->clear();
  SearchBox->addItem(QStringLiteral("全部搜索"), qint64{0});
  for (const files::store::SearchSummary& s : files::store::recentSearches(db_, kSearchesListed)) {
    SearchBox->addItem(QStringLiteral("#%1  %2  %3（%4 个）")
                           .arg(s.id)
                           .arg(QString::fromStdString(s.startedAt).replace(QLatin1Char('T'), QLatin1Char(' ')),
                                QString::fromStdString(s.engine))
                           .arg(s.numbersListed),
                       qint64{s.id});
  }
  SearchBox->setCurrentIndex(std::max(0, SearchBox->findData(chosen)));
}

std::vector<std::string> StoreWindow::selectedNumbers() const {
  QModelIndexList rows = Table->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<std::string> numbers;
  numbers.reserve(static_cast<std::size_t>(rows.size()));
  for (const QModelIndex& index : rows) numbers.push_back(model_->storeRow(index.row()).number);
  return numbers;
}

void StoreWindow::showCounts() {
  CountLabel->setText(QStringLiteral("%1 条 / 共 %2 条").arg(model_->matchingCount()).arg(model_->allCount()));
}

}  // namespace valo::ui
