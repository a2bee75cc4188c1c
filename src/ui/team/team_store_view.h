// The number store window's view of the team's store: for a member of a
// team, its store choice switches the window between the program's own store
// and the team's on the server, read over a connection of its own. While the
// team's store is shown it is read again every few seconds, since other
// machines write to it, and the window's import and delete go to the team's
// store through its one owner on this machine.
#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>

#include "files/store/store_query.h"
#include "team/team_store_reader.h"
#include "ui/store/store_binding.h"
#include "ui/store/store_window.h"
#include "ui/team/team_store_holder.h"

namespace valo::ui {

class TeamStoreView : private StoreChanges {
 public:
  static constexpr int kFollowMs = 5000;

  TeamStoreView(StoreBinding& binding, TeamStoreHolder& stores);
  ~TeamStoreView() override;

  // Furnishes `window` (again, when it was opened anew) for the team on
  // `conninfo`, as `machine`; an empty one hides the choice and shows the
  // own store.
  void attach(StoreWindow& window, const QString& conninfo, const QString& machine);
  bool showsTeam() const { return team_ != nullptr; }

 private:
  void show(bool team);
  // StoreChanges, for the team's store.
  files::store::ImportOutcome importFile(const QString& file, const files::store::ImportProgress& progress,
                                         std::stop_token stop) override;
  void deleteNumbers(std::vector<std::string> numbers, std::function<void(std::exception_ptr)> done) override;
  team::TeamStore& store();

  StoreBinding& binding_;
  TeamStoreHolder& stores_;
  QString machine_;
  QPointer<StoreWindow> window_;
  files::store::StoreReader* own_ = nullptr;
  QString conninfo_;
  std::unique_ptr<team::TeamStoreReader> team_;
  QTimer follow_;
};

}  // namespace valo::ui
