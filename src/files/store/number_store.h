// The number store's one owner. Every rule of the store lives here: how a
// connection is opened, how a busy store is waited for, when a store is
// damaged and set aside, and where records go that the store cannot take
// now. Writes run on a thread of the owner's own, so the thread that records
// a search never waits on the disk or on another program's lock; it hands a
// page's records over and is answered once they are on the disk, in the
// store or, while the store is held or failing, in the journal beside it.
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/store/batch_recorder.h"
#include "files/store/sqlite_handle.h"
#include "files/store/store_batch.h"
#include "harvest/fax_extractor.h"
#include "harvest/page_source.h"
#include "text/gbk.h"

namespace valo::files::store {

using harvest::PageSource;
class StoreLookAhead;

// The journal's file beside the store at `storePath`.
QString waitingJournalPath(const QString& storePath);

enum class StoreEvent {
  Committed,      // rows changed in the store (a page, an import batch, a delete, checks)
  StatusChanged,  // statusText() says something else now
};

class NumberStore {
 public:
  struct Timing {
    int writeWaitMs = 200;  // a write waits this long for another writer, then goes to the journal
    int retryMs = 1000;     // how often a held or missing store is tried again
    // Names the searches and sightings this program records (UTF-8), so a
    // store copied into a team's, or read beside one, tells its machines
    // apart; empty: none.
    std::string machine;
  };

  // Starts the writer, which opens (or makes) the store at `path`. `now`
  // gives the local time of every record.
  NumberStore(QString path, std::function<QDateTime()> now);
  NumberStore(QString path, std::function<QDateTime()> now, Timing timing);
  // Finishes what was handed over (to the store or the journal), then ends.
  ~NumberStore();
  NumberStore(const NumberStore&) = delete;
  NumberStore& operator=(const NumberStore&) = delete;

  const QString& path() const { return path_; }

  // --- A search's records, from the thread that made the store.
  void beginSearch(const SearchSettings& settings);
  // The page whose sightings follow; pages of one keyword line in a row are
  // numbered from 1. With the page's text in `source`, the records of lines
  // inside it share it instead of copying them.
  void beginPage(const PageSource& source);
  // Whether the number is held: in the store (an earlier search, an imported
  // list), listed in this search, or waiting in the journal.
  bool knownBefore(std::string_view number);
  // Looks up ahead, on a thread of the store's own, the numbers a page is
  // about to ask knownBefore about (`numbers` runs on that thread), so that
  // those questions are answered from memory until the page is committed.
  // `done` is called on that thread when the answers are there (or the
  // store could not be read; knownBefore then reads it itself).
  void lookAhead(std::function<std::vector<std::string>()> numbers, std::function<void()> done);
  // No `done` of an earlier lookAhead is called after this returns.
  void dropLookAhead();
  // A number listed, or left out by 历史去重 (Known) or as no valid number
  // (Rejected, which leaves the store's `numbers` as they are).
  void sighted(std::string_view number, std::string_view gbkLine, harvest::Sighting what);
  // Hands the page's records to the writer. `done` is called on the writer's
  // thread once they are on the disk, with the status text for panel 6 (see
  // statusText). Nothing is ever dropped: a store that cannot take them now
  // gets them later from the journal.
  using Answer = BatchAnswer;
  void commitPage(Answer done);
  // The same, waiting for the answer: for tools and tests.
  std::optional<GbkString> commit();
  void endSearch(const SearchEnd& end);

  // What the user is to be told once (a store set aside, none usable);
  // empty when nothing since the last call.
  GbkString takeNotice();
  // The store's text for panel 6 while it has something to say: it waits
  // for the store (with its path), records wait in the journal (how many),
  // a write failed, or a store was set aside during this search.
  std::optional<GbkString> statusText() const;
  // Records handed over that are not in the store yet.
  std::int64_t waitingRecords() const;

  // --- Other work on the store (import, delete, checks): `job` runs on the
  // writer's thread with the store's connection, between two pages; `done`
  // (on that thread) gets its exception, null on success. A job run while
  // the store cannot be opened gets a SqliteError.
  using Job = std::function<void(Connection& db)>;
  void post(Job job, std::function<void(std::exception_ptr)> done = {});
  // A connection for reading, by the same rules (WAL, schema check, busy
  // wait); throws SqliteError or NewerStoreError. Never sets anything aside.
  Connection openReader() const;

  // Told on the writer's thread; the listener marshals to its own thread.
  int addListener(std::function<void(StoreEvent)> listener);
  void removeListener(int id);

  // Waits until everything handed over is handled and nothing waits in the
  // journal for a store that is free; for tests and tools. False when
  // `timeoutMs` ran out first.
  bool waitUntilIdle(int timeoutMs = 30000);

 private:
  class Writer;
  struct Recording;

  QString path_;
  std::function<QDateTime()> now_;
  std::unique_ptr<Recording> rec_;  // the recording thread's own state
  std::unique_ptr<Writer> writer_;
  std::unique_ptr<StoreLookAhead> lookAhead_;  // ends before the writer it asks
};

}  // namespace valo::files::store
