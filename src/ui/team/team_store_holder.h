// The team's store on this machine has one owner, whichever window writes
// through it (the queue search, the number store window's import and
// delete): made at the first use, kept until the program ends, and made anew
// only when the options name another team while nothing writes through it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "team/team_store.h"
#include "text/app_error.h"

namespace valo::ui {

class TeamStoreHolder {
 public:
  // Whether something writes through the store now (a queue search).
  std::function<bool()> busy;

  team::TeamStore& get(const std::string& conninfo, const std::string& machine) {
    if (store_ && (conninfo != conninfo_ || machine != machine_)) {
      if (busy && busy()) throw AppError(gbk("团队队列搜索进行中，请先停止，再换团队服务器"));
      store_.reset();
    }
    if (!store_) {
      team::TeamStoreSetup setup;
      setup.conninfo = conninfo_ = conninfo;
      setup.machine = machine_ = machine;
      setup.journalPath = team::localJournalPath();
      store_ = std::make_unique<team::TeamStore>(std::move(setup));
    }
    return *store_;
  }

 private:
  std::string conninfo_, machine_;
  std::unique_ptr<team::TeamStore> store_;
};

}  // namespace valo::ui
