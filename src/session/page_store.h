// The number store as a search session drives it. A page's sightings are
// committed together once the page is harvested; the store may write them on
// a thread of its own and answer when they are on disk, on any thread. The
// session waits for that answer before the run's next request.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/store/number_store.h"
#include "harvest/fax_extractor.h"
#include "harvest/page_source.h"
#include "text/gbk.h"

namespace valo::session {

class PageStore {
 public:
  // The status text (GBK) for panel 6 while the store has something to say
  // (records waiting, a failed write, a store set aside), or nullopt.
  using Done = std::function<void(std::optional<GbkString> statusText)>;

  virtual ~PageStore() = default;
  virtual void beginSearch(const files::store::SearchSettings& settings) = 0;
  virtual void beginPage(const harvest::PageSource& page) = 0;
  // Whether the store holds the number from before (history de-duplication).
  virtual bool knownBefore(std::string_view number) = 0;
  // Looks up, off the caller's thread, the numbers `numbers` gives (called
  // on that thread), so that knownBefore answers them from memory until the
  // page is committed; `done` follows on any thread. False when this store
  // does not look ahead: nothing is called then.
  virtual bool lookAhead(std::function<std::vector<std::string>()> /*numbers*/,
                         std::function<void()> /*done*/) {
    return false;
  }
  virtual void sighted(const GbkString& number, std::string_view gbkLine, harvest::Sighting what) = 0;
  // Commits what was told since the last commit; `done` is called exactly
  // once when the records are on disk: during this call or later, possibly
  // on another thread.
  virtual void commitPage(Done done) = 0;
  virtual void endSearch(const files::store::SearchEnd& end) = 0;
  // What the user is to be told about the store since the last call; empty
  // when nothing.
  virtual GbkString takeNotice() = 0;
  // `told` is called (on any thread) whenever the store's own status text
  // changes between commits; a store whose text only comes with its answers
  // never calls it.
  virtual void onStatusChanged(std::function<void(GbkString statusText)> /*told*/) {}
};

// The program's number store, which outlives the port.
std::unique_ptr<PageStore> numberStorePort(files::store::NumberStore& store);
}  // namespace valo::session

namespace valo::team {
class TeamStore;
}

namespace valo::session {
// A team's store on its server, which outlives the port.
std::unique_ptr<PageStore> teamStorePort(team::TeamStore& store);

}  // namespace valo::session
