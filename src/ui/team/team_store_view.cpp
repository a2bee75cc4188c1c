// See team_store_view.h.
#include "ui/team/team_store_view.h"

#include <QComboBox>
#include <QPushButton>

#include "text/app_error.h"
#include "ui/common/error_box.h"

namespace valo::ui {

TeamStoreView::TeamStoreView() {
  follow_.setInterval(kFollowMs);
  QObject::connect(&follow_, &QTimer::timeout, [this] {
    if (window_ && team_) window_->storeChanged();
  });
}

TeamStoreView::~TeamStoreView() = default;

void TeamStoreView::attach(StoreWindow& window, const QString& conninfo) {
  if (window_ != &window) {
    team_.reset();
    window_ = &window;
    own_ = &window.reader();
    QObject::connect(window.SourceBox, &QComboBox::currentIndexChanged, &window,
                     [this](int index) { guarded([&] { show(index == 1); }); });
  }
  if (conninfo != conninfo_ && team_) window.SourceBox->setCurrentIndex(0);  // read again on the new one
  conninfo_ = conninfo;
  window.SourceBox->setVisible(!conninfo_.isEmpty());
  if (conninfo_.isEmpty()) window.SourceBox->setCurrentIndex(0);
}

void TeamStoreView::show(bool team) {
  if (!window_) return;
  StoreWindow& w = *window_;
  std::unique_ptr<team::TeamStoreReader> previous = std::move(team_);
  try {
    if (team) team_ = std::make_unique<team::TeamStoreReader>(conninfo_.toStdString());
    w.useReader(team ? static_cast<files::store::StoreReader&>(*team_) : *own_);
  } catch (const team::TeamError& e) {
    team_.reset();
    w.useReader(*own_);
    const QSignalBlocker quiet(w.SourceBox);
    w.SourceBox->setCurrentIndex(0);
    throw AppError(gbk("团队号码库无法读取：") + gbkFromUtf8(e.what()));
  }
  for (QPushButton* b : {w.ImportButton, w.DeleteButton}) {
    b->setEnabled(!team);
    b->setToolTip(team ? QStringLiteral("团队号码库由各台机器的搜索写入；导入和删除只用于本机号码库") : QString());
  }
  if (team) {
    follow_.start();
  } else {
    follow_.stop();
  }
}

}  // namespace valo::ui
