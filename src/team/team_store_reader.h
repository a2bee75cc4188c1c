// The team's store as the number store window reads it: the same filters,
// counts and rows as the program's own store, from the team's server over a
// connection of the window's own. Numbers are ordered by their bytes, as the
// window's cache compares them, whatever the server's collation.
#pragma once

#include <memory>
#include <string>

#include "files/store/store_query.h"
#include "team/pg_link.h"

namespace valo::team {

class TeamStoreReader : public files::store::StoreReader {
 public:
  // Connects (making the tables when they are missing). Throws TeamError.
  explicit TeamStoreReader(const std::string& conninfo);
  // The connection, made anew when the server dropped the last one (it
  // restarted), so the window reads again once the server is back. It waits
  // at most a few seconds for a server that does not answer.
  PgLink& link();
  static constexpr int kConnectSeconds = 3;
  ~TeamStoreReader() override;

  std::unique_ptr<files::store::NumberQuery> query(files::store::StoreFilter filter) override;
  std::vector<files::store::SearchSummary> recentSearches(int limit) override;

 private:
  std::string conninfo_;
  std::unique_ptr<PgLink> link_;
};

}  // namespace valo::team
