// The program's number store behind the session's store port: the store's
// writer answers a page from its own thread, and tells of every change of
// its status text (waiting for the store, records waiting) as it happens.
#include "files/store/number_store.h"
#include "session/page_store.h"

namespace valo::session {
namespace {

class NumberStorePort : public PageStore {
 public:
  explicit NumberStorePort(files::store::NumberStore& store) : store_(store) {}
  // Whoever the answers were for may go once the port does.
  ~NumberStorePort() override {
    if (listener_ != 0) store_.removeListener(listener_);
    store_.dropLookAhead();
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
  void commitPage(Done done) override { store_.commitPage(std::move(done)); }
  void endSearch(const files::store::SearchEnd& end) override { store_.endSearch(end); }
  GbkString takeNotice() override { return store_.takeNotice(); }
  void onStatusChanged(std::function<void(GbkString statusText)> told) override {
    if (listener_ != 0) store_.removeListener(listener_);
    listener_ = store_.addListener([this, told = std::move(told)](files::store::StoreEvent event) {
      if (event == files::store::StoreEvent::StatusChanged) told(store_.statusText().value_or(GbkString()));
    });
  }

 private:
  files::store::NumberStore& store_;
  int listener_ = 0;
};

}  // namespace

std::unique_ptr<PageStore> numberStorePort(files::store::NumberStore& store) {
  return std::make_unique<NumberStorePort>(store);
}

}  // namespace valo::session
