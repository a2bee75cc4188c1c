// See number_store.h. This file is the recording side, on the thread that
// made the store; store_writer.cpp is the writer's thread.
#include "files/store/number_store.h"

#include <future>

#include "files/store/store_look_ahead.h"
#include "files/store/store_open.h"
#include "files/store/store_schema.h"
#include "files/store/store_transaction.h"
#include "files/store/store_writer.h"

namespace valo::files::store {
namespace {

constexpr int kReaderWaitMs = 50;

// Whether numbers are in the store, for 历史去重: through a connection of
// its own (one for the look-ahead's thread, one for the recording thread),
// opened again once the writer opened the store anew (the old one would
// still read a file set aside). A store another program holds is waited for
// only briefly; nullopt then, as for any failure.
class KnownReader {
 public:
  KnownReader(QString path, std::function<int()> generation)
      : path_(std::move(path)), generation_(std::move(generation)) {}

  std::optional<std::vector<bool>> operator()(const std::vector<std::string>& numbers) {
    try {
      if (!find_ || opened_ != generation_()) {
        find_.reset();
        reader_ = Connection();
        opened_ = generation_();
        reader_ = openStoreConnection(path_, kReaderWaitMs);
        find_ = std::make_unique<Statement>(reader_.get(), "SELECT 1 FROM numbers WHERE number = ?1");
      }
      // One read of one state of the store: the look-ups in key order share
      // the pages on their way down.
      Transaction read(reader_, "look up numbers", Transaction::Kind::Read);
      std::vector<bool> known;
      known.reserve(numbers.size());
      for (const std::string& number : numbers) {
        find_->bind(1, number);
        known.push_back(find_->step());
        find_->reset();
      }
      read.commit();
      return known;
    } catch (const std::exception&) {
      find_.reset();
      reader_ = Connection();
      return std::nullopt;
    }
  }

 private:
  QString path_;
  std::function<int()> generation_;
  Connection reader_;
  std::unique_ptr<Statement> find_;  // before the connection it reads, when they go
  int opened_ = -1;
};

}  // namespace

QString waitingJournalPath(const QString& storePath) {
  return storePath + QStringLiteral("-waiting");
}

struct NumberStore::Recording {
  explicit Recording(BatchRecorder::Submit submit, std::function<QDateTime()> now)
      : batches(std::move(now), std::move(submit)) {}
  BatchRecorder batches;
  std::unique_ptr<KnownReader> reader;  // what the look-ahead did not answer
  // A store that could not be read is tried again at the next page, or once
  // the writer opened it anew: each try may wait.
  bool readerFailed = false;
  int failedGeneration = -1;
};

NumberStore::NumberStore(QString path, std::function<QDateTime()> now)
    : NumberStore(std::move(path), std::move(now), Timing{}) {}

NumberStore::NumberStore(QString path, std::function<QDateTime()> now, Timing timing)
    : path_(std::move(path)),
      now_(std::move(now)),
      writer_(std::make_unique<Writer>(path_, now_, timing)),
      lookAhead_(std::make_unique<StoreLookAhead>(
          [reader = std::make_shared<KnownReader>(path_, [w = writer_.get()] { return w->generation(); })](
              const std::vector<std::string>& numbers) { return (*reader)(numbers); },
          [w = writer_.get()] { return w->generation(); })) {
  rec_ = std::make_unique<Recording>(
      [this](RecordBatch batch, BatchAnswer done) { writer_->submit(std::move(batch), std::move(done)); }, now_);
  rec_->reader = std::make_unique<KnownReader>(path_, [w = writer_.get()] { return w->generation(); });
}

NumberStore::~NumberStore() {
  lookAhead_.reset();
  rec_->reader.reset();
  writer_.reset();
}

void NumberStore::beginSearch(const SearchSettings& settings) {
  rec_->batches.beginSearch(settings);
}

void NumberStore::beginPage(const PageSource& source) {
  rec_->batches.beginPage(source);
  rec_->readerFailed = false;
}

bool NumberStore::knownBefore(std::string_view number) {
  if (writer_->waitingListed(number)) return true;
  if (const std::optional<bool> ahead = lookAhead_->known(number)) return *ahead;
  Recording& r = *rec_;
  if (r.readerFailed && r.failedGeneration == writer_->generation()) return false;
  const std::optional<std::vector<bool>> found = (*r.reader)({std::string(number)});
  if (!found) {
    r.readerFailed = true;
    r.failedGeneration = writer_->generation();
    return false;
  }
  return found->front();
}

void NumberStore::sighted(std::string_view number, std::string_view gbkLine, harvest::Sighting what) {
  if (what == harvest::Sighting::Listed) writer_->addWaitingListed(number);
  rec_->batches.sighted(number, gbkLine, what);
}

void NumberStore::lookAhead(std::function<std::vector<std::string>()> numbers, std::function<void()> done) {
  lookAhead_->ask(std::move(numbers), std::move(done));
}

void NumberStore::dropLookAhead() {
  lookAhead_->drain();
}

void NumberStore::commitPage(Answer done) {
  lookAhead_->forget();
  if (!rec_->batches.searching()) {
    if (done) done(statusText());
    return;
  }
  rec_->batches.commitPage(std::move(done));
}

std::optional<GbkString> NumberStore::commit() {
  std::promise<std::optional<GbkString>> answered;
  std::future<std::optional<GbkString>> answer = answered.get_future();
  commitPage([&answered](std::optional<GbkString> status) { answered.set_value(std::move(status)); });
  return answer.get();
}

void NumberStore::endSearch(const SearchEnd& end) {
  if (!rec_->batches.searching()) return;
  rec_->batches.endSearch(end);
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
