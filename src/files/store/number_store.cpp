// See number_store.h. This file is the recording side, on the thread that
// made the store; store_writer.cpp is the writer's thread.
#include "files/store/number_store.h"

#include <QRandomGenerator>
#include <future>

#include "files/store/store_open.h"
#include "files/store/store_schema.h"
#include "files/store/store_writer.h"

namespace valo::files::store {
namespace {

constexpr int kReaderWaitMs = 50;

}  // namespace

QString waitingJournalPath(const QString& storePath) {
  return storePath + QStringLiteral("-waiting");
}

struct NumberStore::Recording {
  std::optional<SearchRecord> search;
  std::int32_t lastKeywordLine = -1;
  std::int32_t pageNumber = 0;
  RecordBatch batch;
  // The line of the last sighting, so that the numbers of one line share it.
  const char* lastLine = nullptr;
  std::size_t lastLineSize = 0;
  // The look-up of 历史去重 reads through a connection of its own.
  Connection reader;
  std::unique_ptr<Statement> known;
  int readerGeneration = -1;
  bool readerTried = false;  // once per page when the store cannot be read
};

NumberStore::NumberStore(QString path, std::function<QDateTime()> now)
    : NumberStore(std::move(path), std::move(now), Timing{}) {}

NumberStore::NumberStore(QString path, std::function<QDateTime()> now, Timing timing)
    : path_(std::move(path)),
      now_(std::move(now)),
      rec_(std::make_unique<Recording>()),
      writer_(std::make_unique<Writer>(path_, now_, timing)) {}

NumberStore::~NumberStore() {
  rec_->known.reset();
  writer_.reset();
}

void NumberStore::beginSearch(const SearchSettings& settings) {
  if (!rec_->batch.empty()) commitPage({});
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
  rec_->search = s;
  rec_->lastKeywordLine = -1;
  rec_->pageNumber = 0;
  rec_->batch = RecordBatch();
  // The search's row goes in at once, so the window lists it while it runs.
  commitPage({});
}

void NumberStore::beginPage(const PageSource& source) {
  if (!rec_->search) beginSearch({source.engine, 0, 0});
  if (!rec_->batch.empty()) commitPage({});
  Recording& r = *rec_;
  r.pageNumber = r.lastKeywordLine == source.keywordLine ? r.pageNumber + 1 : 1;
  r.lastKeywordLine = source.keywordLine;
  ++r.search->pagesRead;
  r.batch = RecordBatch();
  r.batch.sharePage(source.text);
  r.batch.hasPage = true;
  r.batch.page = PageRecord{utf8FromGbk(source.keyword), utf8FromGbk(source.engine), source.address,
                            storeTime(now_()),           source.keywordLine,         r.pageNumber};
  r.lastLine = nullptr;
  r.readerTried = false;
}

bool NumberStore::knownBefore(std::string_view number) {
  if (writer_->waitingListed(number)) return true;
  Recording& r = *rec_;
  if (r.readerGeneration != writer_->generation()) {
    r.known.reset();
    r.reader = Connection();
    r.readerTried = false;
  }
  if (!r.known && !r.readerTried) {
    r.readerTried = true;
    try {
      r.readerGeneration = writer_->generation();
      // A short wait: this runs on the thread that reads the pages.
      r.reader = openStoreConnection(path_, kReaderWaitMs);
      r.known = std::make_unique<Statement>(r.reader.get(), "SELECT 1 FROM numbers WHERE number = ?1");
    } catch (const std::exception&) {
      r.reader = Connection();
    }
  }
  if (!r.known) return false;
  try {
    r.known->bind(1, number);
    const bool found = r.known->step();
    r.known->reset();
    return found;
  } catch (const std::exception&) {
    return false;
  }
}

void NumberStore::sighted(std::string_view number, std::string_view gbkLine, harvest::Sighting what) {
  if (what == harvest::Sighting::Listed) writer_->addWaitingListed(number);
  Recording& r = *rec_;
  if (!r.search) beginSearch({});
  if (!r.batch.hasPage) {
    r.batch.hasPage = true;
    r.batch.page.seenAt = storeTime(now_());
  }
  // The numbers of one line come one after another with the same view of it.
  if (r.lastLine == gbkLine.data() && r.lastLineSize == gbkLine.size() && !r.batch.empty()) {
    r.batch.addOnSameLine(number, what);
  } else {
    r.batch.add(number, gbkLine, what);
    r.lastLine = gbkLine.data();
    r.lastLineSize = gbkLine.size();
  }
}

void NumberStore::commitPage(Answer done) {
  Recording& r = *rec_;
  if (!r.search) {
    if (done) done(statusText());
    return;
  }
  RecordBatch batch = std::move(r.batch);
  batch.search = *r.search;
  // Sightings after the commit still belong to the same page.
  r.batch = RecordBatch();
  r.batch.sharePage(batch.sharedPage());
  r.batch.hasPage = batch.hasPage;
  r.batch.page = batch.page;
  r.lastLine = nullptr;
  writer_->submit(std::move(batch), std::move(done));
}

std::optional<GbkString> NumberStore::commit() {
  std::promise<std::optional<GbkString>> answered;
  std::future<std::optional<GbkString>> answer = answered.get_future();
  commitPage([&answered](std::optional<GbkString> status) { answered.set_value(std::move(status)); });
  return answer.get();
}

void NumberStore::endSearch(const SearchEnd& end) {
  Recording& r = *rec_;
  if (!r.search) return;
  r.search->ended = true;
  r.search->endedAt = storeTime(now_());
  r.search->refusals = end.refusals;
  r.search->numbersListed = end.numbersListed;
  r.search->endText = utf8FromGbk(end.endText);
  commitPage({});
  r.search.reset();
  r.batch = RecordBatch();
  writer_->searchEnded();
}

GbkString NumberStore::takeNotice() {
  return writer_->takeNotice();
}

std::optional<GbkString> NumberStore::statusText() const {
  return writer_->statusText();
}

std::int64_t NumberStore::waitingRecords() const {
  return writer_->waitingRecords();
}

void NumberStore::post(Job job, std::function<void(std::exception_ptr)> done) {
  writer_->post(std::move(job), std::move(done));
}

Connection NumberStore::openReader() const {
  return openStoreConnection(path_);
}

int NumberStore::addListener(std::function<void(StoreEvent)> listener) {
  return writer_->addListener(std::move(listener));
}

void NumberStore::removeListener(int id) {
  writer_->removeListener(id);
}

bool NumberStore::waitUntilIdle(int timeoutMs) {
  return writer_->waitUntilIdle(timeoutMs);
}

}  // namespace valo::files::store
