// See team_queue_window.h. A reading arrives on the watch's thread and is
// queued to the window, which may be gone by then: the window's own
// lifetime guards the delivery.
#include "ui/team/team_queue_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPointer>
#include <QVBoxLayout>

#include "ui/common/error_box.h"
#include "ui/team/queue_search.h"

namespace valo::ui {
namespace {

QString stateText(const std::string& state) {
  if (state == "waiting") return QStringLiteral("等待");
  if (state == "taken") return QStringLiteral("已取");
  if (state == "done") return QStringLiteral("已完成");
  return QString::fromStdString(state);
}

QTableWidgetItem* cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

TeamQueueWindow::TeamQueueWindow(QueueSearch& search, QWidget* parent)
    : QWidget(parent, Qt::Window), search_(search) {
  setObjectName(QStringLiteral("TeamQueueWindow"));
  setWindowTitle(QStringLiteral("团队队列"));
  resize(760, 480);
  CountsLabel = new QLabel(QStringLiteral("正在读取团队队列..."), this);
  CountsLabel->setObjectName(QStringLiteral("CountsLabel"));
  ServerLabel = new QLabel(this);
  ServerLabel->setObjectName(QStringLiteral("ServerLabel"));
  ServerLabel->setStyleSheet(QStringLiteral("color: #b00000"));
  SearchLabel = new QLabel(this);
  SearchLabel->setObjectName(QStringLiteral("SearchLabel"));
  QueueTable = new QTableWidget(0, 7, this);
  QueueTable->setObjectName(QStringLiteral("QueueTable"));
  QueueTable->setHorizontalHeaderLabels({QStringLiteral("编号"), QStringLiteral("关键字"), QStringLiteral("搜索引擎"),
                                         QStringLiteral("状态"), QStringLiteral("机器"), QStringLiteral("取次"),
                                         QStringLiteral("号码")});
  QueueTable->verticalHeader()->hide();
  QueueTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  QueueTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  SearchButton = new QPushButton(QStringLiteral("从队列搜索"), this);
  SearchButton->setObjectName(QStringLiteral("SearchQueueButton"));
  SearchButton->setToolTip(QStringLiteral("本机从团队队列取关键字搜索，号码记入团队号码库"));
  StopButton = new QPushButton(QStringLiteral("停止队列搜索"), this);
  StopButton->setObjectName(QStringLiteral("StopQueueButton"));
  CloseButton = new QPushButton(QStringLiteral("关闭"), this);
  CloseButton->setObjectName(QStringLiteral("CloseButton"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(SearchLabel, 1);
  buttons->addWidget(SearchButton);
  buttons->addWidget(StopButton);
  buttons->addWidget(CloseButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CountsLabel);
  layout->addWidget(ServerLabel);
  layout->addWidget(QueueTable, 1);
  layout->addLayout(buttons);

  connect(SearchButton, &QPushButton::clicked, this, [this] {
    guarded([this] {
      search_.start();
      if (watch_) watch_->readNow();
    });
  });
  connect(StopButton, &QPushButton::clicked, this, [this] { guarded([this] { search_.stop(); }); });
  connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
  showSearch();
}

TeamQueueWindow::~TeamQueueWindow() = default;

void TeamQueueWindow::watch(const std::string& conninfo) {
  if (watch_ && conninfo == conninfo_) return watch_->readNow();
  watch_.reset();
  conninfo_ = conninfo;
  QPointer<TeamQueueWindow> self(this);
  watch_ = std::make_unique<team::QueueWatch>(conninfo, kReadEveryMs, kRowsShown, [self](team::QueueSnapshot s) {
    QMetaObject::invokeMethod(qApp, [self, s = std::move(s)] {
      if (self) self->showReading(s);
    }, Qt::QueuedConnection);
  });
}

void TeamQueueWindow::showReading(const team::QueueSnapshot& snapshot) {
  ServerLabel->setText(snapshot.error ? QStringLiteral("团队服务器连接失败：") + QString::fromUtf8(*snapshot.error)
                                      : QString());
  if (snapshot.error) return;  // the last reading stays shown
  const team::QueueCounts& c = snapshot.counts;
  CountsLabel->setText(QStringLiteral("等待 %1 个，已取 %2 个，已完成 %3 个，找到号码 %4 个")
                           .arg(c.waiting)
                           .arg(c.taken)
                           .arg(c.done)
                           .arg(c.numbersFound));
  QueueTable->setUpdatesEnabled(false);
  QueueTable->setRowCount(static_cast<int>(snapshot.rows.size()));
  for (int i = 0; i < QueueTable->rowCount(); ++i) {
    const team::QueueRow& row = snapshot.rows[static_cast<std::size_t>(i)];
    QueueTable->setItem(i, 0, cell(QString::number(row.id)));
    QueueTable->setItem(i, 1, cell(QString::fromStdString(row.keyword)));
    QueueTable->setItem(i, 2, cell(QString::fromStdString(row.engine)));
    QueueTable->setItem(i, 3, cell(stateText(row.state)));
    QueueTable->setItem(i, 4, cell(QString::fromStdString(row.taker)));
    QueueTable->setItem(i, 5, cell(QString::number(row.takes)));
    QueueTable->setItem(i, 6, cell(row.numbersFound ? QString::number(*row.numbersFound) : QString()));
  }
  QueueTable->setUpdatesEnabled(true);
}

void TeamQueueWindow::showSearch() {
  SearchLabel->setText(search_.statusText());
  SearchButton->setEnabled(!search_.active());
  StopButton->setEnabled(search_.active());
}

void TeamQueueWindow::closeEvent(QCloseEvent* event) {
  // Nothing is read while nobody looks; the queue search goes on.
  watch_.reset();
  event->accept();
}

}  // namespace valo::ui
