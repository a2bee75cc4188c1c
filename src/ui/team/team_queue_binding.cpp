// See team_queue_binding.h.
#include "ui/team/team_queue_binding.h"

#include "text/app_error.h"
#include "ui/main/run_binding.h"
#include "ui/resources/icons.h"
#include "ui/team/queue_search.h"
#include "ui/team/team_queue_window.h"

namespace valo::ui {

TeamQueueBinding::TeamQueueBinding(QWidget& owner, RunBinding& run, TeamStoreHolder& stores,
                                   std::function<void()> startSearch)
    : owner_(owner), run_(run), search_(std::make_unique<QueueSearch>(run, stores, std::move(startSearch))) {
  stores.busy = [search = search_.get()] { return search->active(); };
  search_->changed = [this] {
    if (window_) window_->showSearch();
  };
}

TeamQueueBinding::~TeamQueueBinding() {
  delete window_.data();
}

void TeamQueueBinding::open() {
  const QString conninfo = run_.session().options().current().teamConnection;
  if (conninfo.isEmpty()) throw AppError(gbk("请先在选项中设置团队服务器连接"));
  if (window_ == nullptr) {
    auto* window = new TeamQueueWindow(*search_, &owner_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(glyph(QStringLiteral("team")));
    window_ = window;
  }
  window_->watch(conninfo.toStdString());
  window_->showSearch();
  window_->show();
  window_->raise();
  window_->activateWindow();
}

}  // namespace valo::ui
