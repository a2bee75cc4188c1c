// The number store window's view of the team's store: for a member of a
// team, its store choice switches the window between the program's own store
// and the team's on the server, read over a connection of its own. While the
// team's store is shown it is read again every few seconds, since other
// machines write to it; import and delete act on the program's own store
// and wait until it is shown again.
#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>

#include "files/store/store_query.h"
#include "team/team_store_reader.h"
#include "ui/store/store_window.h"

namespace valo::ui {

class TeamStoreView {
 public:
  static constexpr int kFollowMs = 5000;

  TeamStoreView();
  ~TeamStoreView();

  // Furnishes `window` (again, when it was opened anew) for the team on
  // `conninfo`; an empty one hides the choice and shows the own store.
  void attach(StoreWindow& window, const QString& conninfo);
  bool showsTeam() const { return team_ != nullptr; }

 private:
  void show(bool team);

  QPointer<StoreWindow> window_;
  files::store::StoreReader* own_ = nullptr;
  QString conninfo_;
  std::unique_ptr<team::TeamStoreReader> team_;
  QTimer follow_;
};

}  // namespace valo::ui
