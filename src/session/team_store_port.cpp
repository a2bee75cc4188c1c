// A team's store behind the session's store port: the same port as the
// program's own store, so a search records into either without knowing
// which. Its writer tells of every change of its status (the server cannot
// be reached, records wait on this machine) as it happens. The store
// outlives the session (a worker runs one session a keyword), so an answer
// that arrives after the session has gone is dropped, not delivered to it.
#include <mutex>

#include "session/page_store.h"
#include "team/team_store.h"

namespace valo::session {
namespace {

class TeamStorePort : public PageStore {
 public:
  explicit TeamStorePort(team::TeamStore& store) : store_(store) {}
  // Whoever the answers were for may go once the port does: the team's
  // store outlives it.
  ~TeamStorePort() override {
    if (listener_ != 0) store_.removeListener(listener_);
    store_.dropLookAhead();
    std::lock_guard lock(alive_->mutex);
    alive_->yes = false;
  }

  void beginSearch(const files::store::SearchSettings& settings) override { store_.beginSearch(settings); }
  void beginPage(const harvest::PageSource& page) override { store_.beginPage(page); }
  bool knownBefore(std::string_view number) override { return store_.knownBefore(number); }
  bool lookAhead(std::function<std::vector<std::string>()> numbers, std::function<void()> done) override {
    store_.lookAhead(std::move(numbers), std::move(done));
    return true;
  }
  void sighted(const GbkString& number, std::string_view gbkLine, harvest::Sighting what) override {
    store_.sighted(number, gbkLine, what);
  }
  void commitPage(Done done) override {
    store_.commitPage([alive = alive_, done = std::move(done)](std::optional<GbkString> status) {
      std::lock_guard lock(alive->mutex);
      if (alive->yes && done) done(std::move(status));
    });
  }
  void endSearch(const files::store::SearchEnd& end) override { store_.endSearch(end); }
  GbkString takeNotice() override { return store_.takeNotice(); }
  void onStatusChanged(std::function<void(GbkString statusText)> told) override {
    if (listener_ != 0) store_.removeListener(listener_);
    listener_ = store_.addListener(
        [this, told = std::move(told)] { told(store_.statusText().value_or(GbkString())); });
  }

 private:
  struct Alive {
    std::mutex mutex;
    bool yes = true;
  };
  team::TeamStore& store_;
  int listener_ = 0;
  std::shared_ptr<Alive> alive_ = std::make_shared<Alive>();
};

}  // namespace

std::unique_ptr<PageStore> teamStorePort(team::TeamStore& store) {
  return std::make_unique<TeamStorePort>(store);
}

}  // namespace valo::session
