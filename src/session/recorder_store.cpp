// The number recorder behind the session's store port: it commits on the
// caller's thread, so its answer is given before commitPage returns.
#include "session/page_store.h"

namespace valo::session {
namespace {

class RecorderStore : public PageStore {
 public:
  explicit RecorderStore(std::unique_ptr<files::store::NumberRecorder> recorder) : recorder_(std::move(recorder)) {}

  void beginSearch(const files::store::SearchSettings& settings) override { recorder_->beginSearch(settings); }
  void beginPage(const harvest::PageSource& page) override { recorder_->beginPage(page); }
  bool knownBefore(std::string_view number) override { return recorder_->knownBefore(number); }
  void sighted(const GbkString& number, std::string_view gbkLine, harvest::Sighting what) override {
    recorder_->sighted(number, gbkLine, what);
  }
  void commitPage(Done done) override { done(recorder_->commit()); }
  void endSearch(const files::store::SearchEnd& end) override { recorder_->endSearch(end); }
  GbkString takeNotice() override { return recorder_->takeNotice(); }

 private:
  std::unique_ptr<files::store::NumberRecorder> recorder_;
};

}  // namespace

std::unique_ptr<PageStore> recorderStore(std::unique_ptr<files::store::NumberRecorder> recorder) {
  return std::make_unique<RecorderStore>(std::move(recorder));
}

}  // namespace valo::session
