// The team store's one owner on this machine: the connection to the team's
// server, the thread that writes to it, and the journal on the local disk
// that keeps every record the server cannot take now (it cannot be reached,
// it restarts, it refuses a write) until it can. The recording side is the
// number store's own, so a search cannot tell which store it records into.
#pragma once

#include <QDateTime>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/store/batch_recorder.h"
#include "files/store/store_look_ahead.h"
#include "harvest/fax_extractor.h"
#include "harvest/page_source.h"
#include "text/gbk.h"

namespace valo::team {

class PgLink;

struct TeamStoreSetup {
  std::string conninfo;     // libpq connection string or "service=…"
  std::string machine;      // names this machine's searches and sightings
  std::string journalPath;  // the local journal, in the local encoding
  std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
  int retryMs = 2000;             // how often an unreachable server is tried again
  int connectTimeoutSeconds = 5;  // libpq's connect_timeout
};

// This process's journal in the data folder; a later start adopts what a
// process that ended left in its own.
std::string localJournalPath();

class TeamStore {
 public:
  // Starts the writer, which connects and makes the tables when they are
  // missing. Journals left by programs that ended go to the server too.
  explicit TeamStore(TeamStoreSetup setup);
  // Hands what it can to the server, the rest stays in the journal.
  ~TeamStore();
  TeamStore(const TeamStore&) = delete;
  TeamStore& operator=(const TeamStore&) = delete;

  const std::string& machine() const;

  // --- A search's records, from the thread that made the store.
  void beginSearch(const files::store::SearchSettings& settings);
  void beginPage(const harvest::PageSource& source);
  // Known to any machine of the team, or listed here and not yet on the server.
  bool knownBefore(std::string_view number);
  // Asks the server ahead, in one round trip on a thread of the store's own,
  // about the numbers a page will ask knownBefore about (`numbers` runs on
  // that thread); they are answered from memory until the page is committed.
  // `done` follows on that thread, also when the server could not be asked.
  void lookAhead(std::function<std::vector<std::string>()> numbers, std::function<void()> done);
  // No `done` of an earlier lookAhead is called after this returns.
  void dropLookAhead();
  void sighted(std::string_view number, std::string_view gbkLine, harvest::Sighting what);
  void commitPage(files::store::BatchAnswer done);
  void endSearch(const files::store::SearchEnd& end);

  GbkString takeNotice();
  // While the server cannot take records: what is wrong and how many wait.
  std::optional<GbkString> statusText() const;
  std::int64_t waitingRecords() const;
  // Called on the writer's thread whenever statusText() changes.
  int addListener(std::function<void()> statusChanged);
  void removeListener(int id);
  // Runs `job` on the writer's thread and connection, in order with the
  // pages (an import's batch, a delete); `done` is told there, with the
  // failure if it failed. While the server cannot be reached the job is not
  // run and `done` gets a TeamError with connectionLost().
  void post(std::function<void(PgLink&)> job, std::function<void(std::exception_ptr)> done);
  // Until everything handed over is on the server, or `timeoutMs` ran out.
  bool waitUntilIdle(int timeoutMs = 30000);

 private:
  class Writer;
  struct Reader;
  std::unique_ptr<Writer> writer_;
  std::unique_ptr<Reader> reader_;
  std::unique_ptr<files::store::BatchRecorder> recorder_;
  std::unique_ptr<files::store::StoreLookAhead> lookAhead_;  // ends first
};

}  // namespace valo::team
