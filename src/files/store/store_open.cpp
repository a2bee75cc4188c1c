// See store_open.h.
#include "files/store/store_open.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <exception>

#include "files/store/store_schema.h"

namespace valo::files::store {

GbkString storeReasonText(const SqliteError& error) {
  switch (error.primaryCode()) {
    case SQLITE_FULL:
      return gbk("磁盘空间不足");
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return gbk("没有写入权限");
    case SQLITE_CANTOPEN:
      return gbk("无法打开或创建文件");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return gbk("被另一个运行中的程序占用");
    case SQLITE_CORRUPT:
      return gbk("文件已损坏");
    case SQLITE_NOTADB:
      return gbk("不是数据库文件");
    default:
      return gbk("SQLite 错误 ") + std::to_string(error.code());
  }
}

namespace {

std::string nativeUtf8(const QString& path) {
  return QDir::toNativeSeparators(path).toStdString();
}

// Every statement the program runs names these columns; preparing them finds
// a file whose tables are not the store's, and stepping the look-up reads
// the schema and the number index's first pages, which finds most damage
// without reading the whole file.
constexpr const char* kProbe =
    "SELECT s.id, s.started_at, s.ended_at, s.engine, s.pause_seconds, s.start_line, s.pages_read, "
    "s.refusals, s.numbers_listed, s.end_text, g.id, g.number, g.seen_at, g.search_id, g.keyword, "
    "g.keyword_line, g.engine, g.page_url, g.page_number, g.line, g.skipped, g.rejected, n.number, n.valid, "
    "n.kind, n.region, n.first_seen, n.last_seen, n.times_seen, n.first_search_id, n.first_keyword, "
    "n.first_engine, n.first_page_url, n.source_line, n.source "
    "FROM searches s, sightings g, numbers n LIMIT 0";

}  // namespace

Connection openStoreConnection(const QString& path, int waitMs) {
  Connection db(path.toStdString(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  sqlite3_busy_timeout(db.get(), waitMs);
  {
    Statement mode(db.get(), "PRAGMA journal_mode=WAL");
    if (!mode.step() || mode.columnText(0) != "wal") {
      throw SqliteError(SQLITE_CANTOPEN, "the store cannot be put in WAL mode");
    }
  }
  // A page of 50 sightings touches about 150 pages all over the number and
  // sighting indexes; a cache that holds their upper levels keeps the page
  // step to a few milliseconds with ten million numbers stored.
  db.exec("PRAGMA synchronous=FULL; PRAGMA cache_size=-32768", "set synchronous and cache");
  createOrMigrate(db);
  Statement(db.get(), kProbe).step();
  Statement(db.get(), "SELECT 1 FROM numbers WHERE number = ''").step();
  return db;
}

namespace {

bool exists(const QString& path) {
  return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

}  // namespace

bool storeUnusable(const SqliteError& error) {
  return error.primaryCode() == SQLITE_NOTADB || error.primaryCode() == SQLITE_CORRUPT;
}

QString setStoreAside(const QString& path, const QDateTime& now) {
  QString base = path;
  if (base.endsWith(QLatin1String(".db"))) base.chop(3);
  base += QLatin1Char('-') + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString aside;
  for (int n = 1;; ++n) {
    aside = base + (n == 1 ? QString() : QStringLiteral("-%1").arg(n)) + QStringLiteral(".db");
    if (!exists(aside) && !exists(aside + QLatin1String("-wal")) && !exists(aside + QLatin1String("-shm")))
      break;
  }
  // The write-ahead log goes first: a log left behind under the old name
  // would be replayed into the new store.
  for (const char* suffix : {"-wal", "-shm", ""}) {
    const QString from = path + QLatin1String(suffix);
    if (!exists(from)) continue;
    if (!QFile::rename(from, aside + QLatin1String(suffix))) return {};
  }
  return aside;
}

GbkString storeFailureText(const SqliteError& error, const QString& path) {
  return gbk("号码库写入失败（") + storeReasonText(error) + gbk("）：") + gbkFromUtf8(nativeUtf8(path));
}

}  // namespace valo::files::store
