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
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "files/store/store_schema.h"
#include "ui/common/error_box.h"
#include "ui/resources/icons.h"
#include "ui/store/store_table_model.h"

namespace valo::ui {
namespace {

constexpr int kSearchesListed = 500;
// Up to this many chosen rows are kept chosen one number at a time; a larger
// choice is kept as blocks from its first number to its last, which then
// take in rows added between them.
constexpr std::int64_t kChosenKeptByNumber = 20000;

using RowSpan = StoreTableModel::RowSpan;

// Rows in order, each run of neighbours as one span.
std::vector<RowSpan> spansOf(std::vector<std::int64_t> rows) {
  std::sort(rows.begin(), rows.end());
  std::vector<RowSpan> spans;
  for (const std::int64_t row : rows) {
    if (!spans.empty() && row <= spans.back().second + 1) {
      spans.back().second = std::max(spans.back().second, row);
    } else {
      spans.emplace_back(row, row);
    }
  }
  return spans;
}

template <typename T>
T* named(T* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QString dateText(const QDate& date) {
  return date.toString(QStringLiteral("yyyy-MM-dd"));
}

}  // namespace

StoreWindow::StoreWindow(files::store::StoreReader& reader, QWidget* parent)
    : QWidget(parent, Qt::Window), reader_(&reader) {
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
  SourceBox = named(new QComboBox(this), "StoreSourceBox");
  SourceBox->addItems({QStringLiteral("本机号码库"), QStringLiteral("团队号码库")});
  SourceBox->setVisible(false);
  CountLabel = named(new QLabel(this), "StoreCountLabel");

  Table = named(new QTableView(this), "StoreTable");
  model_ = new StoreTableModel(*reader_, this);
  Table->setModel(model_);
  Table->setSelectionBehavior(QAbstractItemView::SelectRows);
  Table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Table->setWordWrap(false);
  // Rows of one fixed height: the view then never asks a row's contents to
  // size it, and reads only the rows it paints.
  Table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
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
  dates->addWidget(SourceBox);
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

  followTimer_ = new QTimer(this);
  followTimer_->setSingleShot(true);
  connect(followTimer_, &QTimer::timeout, this, [this] { followLater(); });
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

// The same filter again (after an import) keeps the user's place.
void StoreWindow::applyFilter() {
  if (const files::store::StoreFilter f = filter(); f == model_->filter() && model_->rowCount() > 0) {
    followStore();
  } else {
    model_->setFilter(f);
  }
}

void StoreWindow::useReader(files::store::StoreReader& reader) {
  reader_ = &reader;
  model_->setReader(reader);
  reloadSearches();
  applyFilter();
}

void StoreWindow::reloadSearches() {
  const qint64 chosen = SearchBox->currentData().toLongLong();
  SearchBox->clear();
  SearchBox->addItem(QStringLiteral("全部搜索"), qint64{0});
  for (const files::store::SearchSummary& s : reader_->recentSearches(kSearchesListed)) {
    SearchBox->addItem(QStringLiteral("#%1  %2  %3（%4 个）")
                           .arg(s.id)
                           .arg(QString::fromStdString(s.startedAt).replace(QLatin1Char('T'), QLatin1Char(' ')),
                                QString::fromStdString(s.engine))
                           .arg(s.numbersListed),
                       qint64{s.id});
  }
  SearchBox->setCurrentIndex(std::max(0, SearchBox->findData(chosen)));
}

std::vector<RowSpan> StoreWindow::selectedSpans() const {
  std::vector<RowSpan> spans;
  for (const QItemSelectionRange& range : Table->selectionModel()->selection()) spans.emplace_back(range.top(), range.bottom());
  std::sort(spans.begin(), spans.end());
  std::vector<RowSpan> merged;
  for (const RowSpan& span : spans) {
    if (!merged.empty() && span.first <= merged.back().second + 1) {
      merged.back().second = std::max(merged.back().second, span.second);
    } else {
      merged.push_back(span);
    }
  }
  return merged;
}

std::vector<std::string> StoreWindow::selectedNumbers() const {
  return model_->numbers(selectedSpans());
}

void StoreWindow::storeChanged() {
  if (followTimer_->isActive()) return;
  const qint64 since = sinceFollow_.isValid() ? sinceFollow_.elapsed() : followGapMs_;
  followTimer_->start(static_cast<int>(std::max<qint64>(0, followGapMs_ - since)));
}

// A store that cannot be read is reported once, not at each of its commits.
void StoreWindow::followLater() {
  QElapsedTimer took;
  took.start();
  try {
    followStore();
    followFailed_ = false;
  } catch (...) {
    if (!followFailed_) showStandardError(std::current_exception());
    followFailed_ = true;
  }
  sinceFollow_.start();
  followGapMs_ = std::max<qint64>(kFollowGapMs, 4 * took.elapsed());
}

void StoreWindow::followStore() {
  const int top = std::max(0, Table->rowAt(0));
  const QModelIndex current = Table->currentIndex();
  const std::vector<RowSpan> spans = selectedSpans();
  std::int64_t chosen = 0;
  for (const auto& [first, last] : spans) chosen += last - first + 1;
  const bool byNumber = chosen <= kChosenKeptByNumber;

  // What the user looks at, by number: the top row, the current one, the
  // chosen ones or else the first and last of each chosen block.
  std::string topNumber, currentNumber;
  if (top < model_->matchingCount()) topNumber = model_->storeRow(top).number;
  if (current.isValid()) currentNumber = model_->storeRow(current.row()).number;
  std::vector<std::string> chosenNumbers;
  if (byNumber) {
    chosenNumbers = model_->numbers(spans);
  } else {
    for (const auto& [first, last] : spans) {
      chosenNumbers.push_back(model_->storeRow(static_cast<int>(first)).number);
      chosenNumbers.push_back(model_->storeRow(static_cast<int>(last)).number);
    }
  }
  std::vector<std::string> keys = chosenNumbers;
  keys.push_back(topNumber);
  keys.push_back(currentNumber);
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  if (!keys.empty() && keys.front().empty()) keys.erase(keys.begin());

  // Where those stand now: the top first, with the rows around it read, so
  // that the others near it are placed from those rows.
  std::unique_ptr<StoreRowCache> next = model_->readAgain();
  std::int64_t newTop = std::min<std::int64_t>(top, std::max<std::int64_t>(0, next->matchingCount() - 1));
  if (!topNumber.empty()) {
    if (const auto at = next->positions({topNumber}).front(); at.present) {
      newTop = at.before;
      next->readAround(newTop, topNumber);
    }
  }
  const std::vector<StoreRowCache::Position> placed = next->positions(keys);
  auto where = [&](const std::string& number) {
    return placed[static_cast<std::size_t>(std::lower_bound(keys.begin(), keys.end(), number) - keys.begin())];
  };
  std::vector<RowSpan> newSpans;
  if (byNumber) {
    std::vector<std::int64_t> rows;
    for (const std::string& n : chosenNumbers) {
      if (const auto at = where(n); at.present) rows.push_back(at.before);
    }
    newSpans = spansOf(std::move(rows));
  } else {
    for (std::size_t i = 0; i + 1 < chosenNumbers.size(); i += 2) {
      const auto first = where(chosenNumbers[i]);
      const auto last = where(chosenNumbers[i + 1]);
      if (first.before <= last.before - (last.present ? 0 : 1)) newSpans.emplace_back(first.before, last.before - (last.present ? 0 : 1));
    }
  }
  int newCurrent = -1;
  if (!currentNumber.empty()) {
    if (const auto at = where(currentNumber); at.present) newCurrent = static_cast<int>(at.before);
  }

  const bool inPlace = next->matchingCount() == model_->matchingCount() && newTop == top && newSpans == spans &&
                       newCurrent == (current.isValid() ? current.row() : -1);
  const int across = Table->horizontalScrollBar()->value();
  model_->show(std::move(next), inPlace);
  if (!inPlace) {
    // The reset left the view without a selection, current row or place.
    Table->doItemsLayout();
    QItemSelection selection;
    for (const auto& [first, last] : newSpans) {
      selection.select(model_->index(static_cast<int>(first), 0),
                       model_->index(static_cast<int>(last), files::store::kStoreColumnCount - 1));
    }
    Table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (newCurrent >= 0) {
      Table->selectionModel()->setCurrentIndex(model_->index(newCurrent, std::max(0, current.column())),
                                               QItemSelectionModel::NoUpdate);
    }
    if (model_->rowCount() > 0) Table->scrollTo(model_->index(static_cast<int>(newTop), 0), QAbstractItemView::PositionAtTop);
    Table->horizontalScrollBar()->setValue(across);
  }
  showCounts();
}

void StoreWindow::showCounts() {
  CountLabel->setText(QStringLiteral("%1 条 / 共 %2 条").arg(model_->matchingCount()).arg(model_->allCount()));
}

}  // namespace valo::ui
