// A fresh number store in a temporary folder, and a quick way to put rows in.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "files/store/store_schema.h"
#include "text/app_error.h"

namespace valo::files::store::testing {

struct StoreRowSeed {
  const char* number;
  const char* firstSeen;
  const char* kind;
  const char* region;
  const char* keyword;
  const char* sourceLine;
};

class StoreFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    db = Connection(dir.filePath(QStringLiteral("valofaxnumbers.db")).toStdString(),
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    createOrMigrate(db);
  }
  void seed(const StoreRowSeed& r, std::int64_t searchId = 0) {
    Statement s(db.get(),
                "INSERT INTO numbers (number, valid, kind, region, first_seen, last_seen, times_seen, "
                "first_keyword, source_line, first_search_id) VALUES (?1, 1, ?2, ?3, ?4, ?4, 1, ?5, ?6, ?7)");
    s.bind(1, r.number).bind(2, r.kind).bind(3, r.region).bind(4, r.firstSeen).bind(5, r.keyword);
    s.bind(6, r.sourceLine);
    if (searchId != 0) {
      s.bind(7, searchId);
      db.exec("INSERT OR IGNORE INTO searches (id, started_at, engine, pause_seconds, start_line) VALUES (" +
                  std::to_string(searchId) + ", '2026-12-01T10:00:00', 'Baidu', 5, 0)",
              "search");
      Statement sight(db.get(), "INSERT INTO sightings (number, seen_at, search_id) VALUES (?1, ?2, ?3)");
      sight.bind(1, r.number).bind(2, r.firstSeen).bind(3, searchId).step();
    }
    s.step();
  }
  QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
  // The folder's files other than the store's own.
  QStringList otherFiles() const {
    QStringList out;
    for (const QString& f : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden)) {
      if (!f.startsWith(QStringLiteral("valofaxnumbers.db"))) out << f;
    }
    return out;
  }

  QTemporaryDir dir;
  Connection db;
};

inline QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace valo::files::store::testing
