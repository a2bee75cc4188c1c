// Opening the number store so that a search can always go on: a store that
// cannot be used (not a database, damaged, of a newer version, or held by
// another running copy for longer than the wait) is renamed aside with the
// time in its name, never deleted, and a new one is made in its place. A
// folder that cannot hold a store leaves the run without one.
#pragma once

#include <QDateTime>
#include <QString>
#include <string>

#include "files/store/sqlite_handle.h"
#include "text/gbk.h"

namespace valo::files::store {

// How long a store held by another connection is waited for at opening.
inline constexpr int kOpenWaitMs = 3000;
// How long a page's commit waits for another writer before it is tried again
// at the next page, so that the store never holds up a search.
inline constexpr int kWriteWaitMs = 200;

struct OpenedStore {
  Connection db;         // empty when no store can be used for this run
  GbkString notice;      // what the user is told once: a store set aside, or none usable
  QString setAsidePath;  // where an unusable store went; empty when none
};

// Opens (creating when missing) the store at `path` in WAL mode with
// synchronous=FULL, at the current schema version. Never throws. `now` names
// a store set aside; `waitMs` is how long a held store is waited for.
OpenedStore openStore(const QString& path, const QDateTime& now, int waitMs = kOpenWaitMs);

// The store at `path` opened, created when missing, in WAL mode with
// synchronous=FULL at the current schema version, its tables checked for the
// columns the program uses; its busy timeout is then kWriteWaitMs. Throws
// SqliteError or NewerStoreError, and sets nothing aside: for a second
// connection beside the run's (the number store window).
Connection openStoreConnection(const QString& path, int waitMs = kOpenWaitMs);

// Whether a failure of an open store means it cannot be used any more (not a
// database, damaged), rather than that this write failed (full disk, busy).
bool storeUnusable(const SqliteError& error);

// Renames `path` and its -wal and -shm files aside to
// "<name>-<yyyyMMdd-HHmmss>[-N].db"; returns the new path, empty on failure.
QString setStoreAside(const QString& path, const QDateTime& now);

// The status text of a failed open or write (GBK), naming `path`.
GbkString storeFailureText(const SqliteError& error, const QString& path);

}  // namespace valo::files::store
