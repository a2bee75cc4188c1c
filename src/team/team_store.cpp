// See team_store.h. This file is the recording side, on the thread that
// reads the pages; team_store_writer.cpp is the writer's thread.
#include "team/team_store.h"

#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <chrono>

#include "files/data_folder.h"

#include "team/pg_link.h"
#include "team/team_store_writer.h"

namespace valo::team {
namespace {

// 历史去重 asks the server ahead of a page on a thread of its own, and
// otherwise once per number, on the thread that reads the pages: a server
// that cannot be reached is not asked again for this long.
constexpr auto kReaderRetry = std::chrono::seconds(10);
constexpr int kReaderConnectSeconds = 2;

// The look-ahead's own link to the server, on the look-ahead's thread: the
// page's numbers in one question. A server that cannot be reached is not
// tried again for a while; the harvest then asks as it would without it.
class AheadLink {
 public:
  explicit AheadLink(std::string conninfo) : conninfo_(std::move(conninfo)) {}

  std::optional<std::vector<bool>> operator()(const std::vector<std::string>& numbers) {
    const auto now = std::chrono::steady_clock::now();
    if (!link_ || !link_->healthy()) {
      link_.reset();
      if (failed_ && now - lastFailure_ < kReaderRetry) return std::nullopt;
      try {
        link_ = std::make_unique<PgLink>(conninfo_, kReaderConnectSeconds);
      } catch (const TeamError&) {
        failed_ = true;
        lastFailure_ = now;
        return std::nullopt;
      }
    }
    // A number holds no line break, so the list travels as one parameter.
    std::string list;
    for (const std::string& number : numbers) (list += number) += '\n';
    try {
      PgResult found =
          link_->exec("SELECT number FROM numbers WHERE number = ANY(string_to_array($1, E'\\n'))", {list},
                      "look a page's numbers up on the team server");
      std::vector<std::string_view> held;
      for (int row = 0; row < found.rows(); ++row) held.push_back(found.text(row, 0));
      std::sort(held.begin(), held.end());
      std::vector<bool> known;
      known.reserve(numbers.size());
      for (const std::string& number : numbers) {
        known.push_back(std::binary_search(held.begin(), held.end(), number));
      }
      return known;
    } catch (const TeamError&) {
      failed_ = true;
      lastFailure_ = now;
      link_.reset();
      return std::nullopt;
    }
  }

 private:
  std::string conninfo_;
  std::unique_ptr<PgLink> link_;
  std::chrono::steady_clock::time_point lastFailure_{};
  bool failed_ = false;
};

}  // namespace

struct TeamStore::Reader {
  std::unique_ptr<PgLink> link;
  std::chrono::steady_clock::time_point lastFailure{};
  bool failedOnce = false;
};

TeamStore::TeamStore(TeamStoreSetup setup)
    : writer_(std::make_unique<Writer>(std::move(setup))), reader_(std::make_unique<Reader>()) {
  recorder_ = std::make_unique<files::store::BatchRecorder>(
      writer_->setup().now,
      [this](files::store::RecordBatch batch, files::store::BatchAnswer done) {
        writer_->submit(std::move(batch), std::move(done));
      });
  lookAhead_ = std::make_unique<files::store::StoreLookAhead>(
      [link = std::make_shared<AheadLink>(writer_->setup().conninfo)](
          const std::vector<std::string>& numbers) { return (*link)(numbers); },
      [] { return 0; });
}

TeamStore::~TeamStore() {
  lookAhead_.reset();
  recorder_.reset();
  reader_.reset();
  writer_.reset();
}

const std::string& TeamStore::machine() const {
  return writer_->setup().machine;
}

void TeamStore::beginSearch(const files::store::SearchSettings& settings) {
  recorder_->beginSearch(settings);
}

void TeamStore::beginPage(const harvest::PageSource& source) {
  recorder_->beginPage(source);
}

bool TeamStore::knownBefore(std::string_view number) {
  if (writer_->waitingListed(number)) return true;
  if (const std::optional<bool> ahead = lookAhead_->known(number)) return *ahead;
  Reader& r = *reader_;
  if (!r.link || !r.link->healthy()) {
    r.link.reset();
    const auto now = std::chrono::steady_clock::now();
    if (r.failedOnce && now - r.lastFailure < kReaderRetry) return false;
    try {
      r.link = std::make_unique<PgLink>(writer_->setup().conninfo, kReaderConnectSeconds);
    } catch (const TeamError&) {
      r.failedOnce = true;
      r.lastFailure = now;
      return false;
    }
  }
  try {
    PgResult found = r.link->exec("SELECT 1 FROM numbers WHERE number = $1", {std::string(number)},
                                  "look up a number on the team server");
    return found.rows() > 0;
  } catch (const TeamError&) {
    // The tables may not be made yet, or the server went: not known.
    r.failedOnce = true;
    r.lastFailure = std::chrono::steady_clock::now();
    r.link.reset();
    return false;
  }
}

void TeamStore::sighted(std::string_view number, std::string_view gbkLine, harvest::Sighting what) {
  if (what == harvest::Sighting::Listed) writer_->addWaitingListed(number);
  recorder_->sighted(number, gbkLine, what);
}

void TeamStore::post(std::function<void(PgLink&)> job, std::function<void(std::exception_ptr)> done) {
  writer_->post(std::move(job), std::move(done));
}

void TeamStore::lookAhead(std::function<std::vector<std::string>()> numbers, std::function<void()> done) {
  lookAhead_->ask(std::move(numbers), std::move(done));
}

void TeamStore::dropLookAhead() {
  lookAhead_->drain();
}

void TeamStore::commitPage(files::store::BatchAnswer done) {
  lookAhead_->forget();
  if (!recorder_->searching()) {
    if (done) done(statusText());
    return;
  }
  recorder_->commitPage(std::move(done));
}

void TeamStore::endSearch(const files::store::SearchEnd& end) {
  recorder_->endSearch(end);
}

GbkString TeamStore::takeNotice() {
  return writer_->takeNotice();
}

std::optional<GbkString> TeamStore::statusText() const {
  return writer_->statusText();
}

std::int64_t TeamStore::waitingRecords() const {
  return writer_->waitingRecords();
}

int TeamStore::addListener(std::function<void()> statusChanged) {
  return writer_->addListener(std::move(statusChanged));
}

void TeamStore::removeListener(int id) {
  writer_->removeListener(id);
}

bool TeamStore::waitUntilIdle(int timeoutMs) {
  return writer_->waitUntilIdle(timeoutMs);
}

std::string localJournalPath() {
  return QFile::encodeName(files::dataFolder() + QStringLiteral("valofaxteam-waiting-")).toStdString() +
         std::to_string(::getpid());
}

}  // namespace valo::team
