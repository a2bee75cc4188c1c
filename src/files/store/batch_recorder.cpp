// See batch_recorder.h.
#include "files/store/batch_recorder.h"

#include <QRandomGenerator>
#include <cstdio>

#include "files/store/store_schema.h"

namespace valo::files::store {

BatchRecorder::BatchRecorder(std::function<QDateTime()> now, Submit submit)
    : now_(std::move(now)), submit_(std::move(submit)) {}

void BatchRecorder::beginSearch(const SearchSettings& settings) {
  if (!batch_.empty()) commitPage({});
  SearchRecord s;
  char key[33];
  std::snprintf(key, sizeof key, "%016llx%016llx",
                static_cast<unsigned long long>(QRandomGenerator::system()->generate64()),
                static_cast<unsigned long long>(QRandomGenerator::system()->generate64()));
  s.runKey = key;
  s.startedAt = storeTime(now_());
  s.engine = utf8FromGbk(settings.engine);
  s.pauseSeconds = settings.pauseSeconds;
  s.startLine = settings.startLine;
  search_ = s;
  lastKeywordLine_ = -1;
  pageNumber_ = 0;
  batch_ = RecordBatch();
  // The search's row goes in at once, so the window lists it while it runs.
  commitPage({});
}

void BatchRecorder::beginPage(const harvest::PageSource& source) {
  if (!search_) beginSearch({source.engine, 0, 0});
  if (!batch_.empty()) commitPage({});
  pageNumber_ = lastKeywordLine_ == source.keywordLine ? pageNumber_ + 1 : 1;
  lastKeywordLine_ = source.keywordLine;
  ++search_->pagesRead;
  batch_ = RecordBatch();
  batch_.sharePage(source.text);
  batch_.hasPage = true;
  batch_.page = PageRecord{utf8FromGbk(source.keyword), utf8FromGbk(source.engine), source.address,
                           storeTime(now_()),           source.keywordLine,         pageNumber_};
  lastLine_ = nullptr;
}

void BatchRecorder::sighted(std::string_view number, std::string_view gbkLine, harvest::Sighting what) {
  if (!search_) beginSearch({});
  if (!batch_.hasPage) {
    batch_.hasPage = true;
    batch_.page.seenAt = storeTime(now_());
  }
  // The numbers of one line come one after another with the same view of it.
  if (lastLine_ == gbkLine.data() && lastLineSize_ == gbkLine.size() && !batch_.empty()) {
    batch_.addOnSameLine(number, what);
  } else {
    batch_.add(number, gbkLine, what);
    lastLine_ = gbkLine.data();
    lastLineSize_ = gbkLine.size();
  }
}

bool BatchRecorder::commitPage(BatchAnswer done) {
  if (!search_) return false;
  RecordBatch batch = std::move(batch_);
  batch.search = *search_;
  // Sightings after the commit still belong to the same page.
  batch_ = RecordBatch();
  batch_.sharePage(batch.sharedPage());
  batch_.hasPage = batch.hasPage;
  batch_.page = batch.page;
  lastLine_ = nullptr;
  submit_(std::move(batch), std::move(done));
  return true;
}

void BatchRecorder::endSearch(const SearchEnd& end) {
  if (!search_) return;
  search_->ended = true;
  search_->endedAt = storeTime(now_());
  search_->refusals = end.refusals;
  search_->numbersListed = end.numbersListed;
  search_->endText = utf8FromGbk(end.endText);
  commitPage({});
  search_.reset();
  batch_ = RecordBatch();
}

}  // namespace valo::files::store
