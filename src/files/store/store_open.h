// Opening a connection to the number store, and the rules NumberStore
// applies to a store that cannot be used: only a file that is no database, a
// damaged one or one of a newer version is renamed aside with the time in its
// name, never deleted; a store that is only busy is waited for.
#pragma once

#include <QDateTime>
#include <QString>
#include <string>

#include "files/store/sqlite_handle.h"
#include "text/gbk.h"

namespace valo::files::store {

// How long a store held by another connection is waited for at opening.
inline constexpr int kOpenWaitMs = 3000;

// The store at `path` opened, created when missing, in WAL mode with
// synchronous=FULL at the current schema version, its tables checked for the
// columns the program uses, with a busy wait of `waitMs`. Throws SqliteError
// or NewerStoreError, and sets nothing aside: NumberStore alone decides that,
// and every connection to the store is opened here.
Connection openStoreConnection(const QString& path, int waitMs = kOpenWaitMs);

// Whether a failure of an open store means it cannot be used any more (not a
// database, damaged), rather than that this write failed (full disk, busy).
bool storeUnusable(const SqliteError& error);

// Renames `path` and its -wal and -shm files aside to
// "<name>-<yyyyMMdd-HHmmss>[-N].db"; returns the new path, empty on failure.
QString setStoreAside(const QString& path, const QDateTime& now);

// Why a store failed, in a few words (GBK).
GbkString storeReasonText(const SqliteError& error);

// The status text of a failed open or write (GBK), naming `path`.
GbkString storeFailureText(const SqliteError& error, const QString& path);

}  // namespace valo::files::store
