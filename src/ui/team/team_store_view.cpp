// See team_store_view.h.
#include "ui/team/team_store_view.h"

#include <QComboBox>
#include <QPushButton>

#include "files/data_folder.h"
#include "team/team_import.h"
#include "text/app_error.h"
#include "ui/common/error_box.h"

namespace valo::ui {

TeamStoreView::TeamStoreView(StoreBinding& binding, TeamStoreHolder& stores) : binding_(binding), stores_(stores) {
  follow_.setInterval(kFollowMs);
  QObject::connect(&follow_, &QTimer::timeout, [this] {
    if (window_ && team_) window_->storeChanged();
  });
}

TeamStoreView::~TeamStoreView() = default;

void TeamStoreView::attach(StoreWindow& window, const QString& conninfo, const QString& machine) {
  machine_ = machine;
  if (window_ != &window) {
    // A window opened anew shows the own store; so do its import and delete.
    binding_.useChanges(nullptr);
    follow_.stop();
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
  binding_.useChanges(team ? this : nullptr);
  if (team) {
    follow_.start();
  } else {
    follow_.stop();
  }
}

team::TeamStore& TeamStoreView::store() {
  return stores_.get(conninfo_.toStdString(), machine_.toStdString());
}

files::store::ImportOutcome TeamStoreView::importFile(const QString& file, const files::store::ImportProgress& progress,
                                                      std::stop_token stop) {
  return team::importIntoTeam(store(), file, files::dataFolder(), progress, stop);
}

void TeamStoreView::deleteNumbers(std::vector<std::string> numbers, std::function<void(std::exception_ptr)> done) {
  team::deleteTeamNumbers(store(), std::move(numbers), std::move(done));
}

}  // namespace valo::ui
