// The store's version rule: a new file gets the tables, a current one is left
// as it is, and a newer one is refused untouched.
#include "files/store/store_schema.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace valo::files::store {
namespace {

Connection openAt(const QTemporaryDir& dir) {
  return Connection(dir.filePath(QStringLiteral("valofaxnumbers.db")).toStdString(),
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

TEST(StoreSchema, CreatesOnceAndRefusesANewerVersionUntouched) {
  QTemporaryDir dir;
  {
    Connection db = openAt(dir);
    createOrMigrate(db);
    EXPECT_EQ(db.scalar("PRAGMA user_version"), kSchemaVersion);
    db.exec("INSERT INTO numbers(number, valid, kind, first_seen, last_seen) VALUES('021-1', 0, 'other', 'a', 'a')",
            "insert");
    createOrMigrate(db);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM numbers"), 1);
    db.exec("PRAGMA user_version = 99", "set");
  }
  Connection db = openAt(dir);
  EXPECT_THROW(createOrMigrate(db), NewerStoreError);
  EXPECT_EQ(db.scalar("PRAGMA user_version"), 99);
  EXPECT_EQ(db.scalar("SELECT count(*) FROM numbers"), 1);
}

}  // namespace
}  // namespace valo::files::store
