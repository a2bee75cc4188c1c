// See store_import.h. The checks of libphonenumber cost far more than the
// rest of an import (tens of microseconds a number, behind locks of its own
// that a second thread only contends for), so they are made only for
// numbers new to the store.
#include "files/store/store_import.h"

#include <unicode/utf8.h>

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "files/atomic_file.h"
#include "files/store/store_schema.h"
#include "harvest/fax_extractor.h"
#include "harvest/number_check.h"
#include "text/app_error.h"

namespace valo::files::store {
namespace {

constexpr std::size_t kBatch = 4096;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool isValidUtf8(std::string_view text) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

bool isBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

const char* kindText(harvest::NumberKind kind) {
  switch (kind) {
    case harvest::NumberKind::Fixed: return kKindFixed;
    case harvest::NumberKind::Mobile: return kKindMobile;
    case harvest::NumberKind::Other: break;
  }
  return kKindOther;
}

struct Fresh {
  GbkString number;
  harvest::NumberCheck check;
};

class Importer {
 public:
  Importer(Connection& db, std::string source)
      : db_(db),
        source_(std::move(source)),
        now_(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toStdString()),
        lookUp_(db.get(), "SELECT source IS NULL FROM numbers WHERE number = ?1"),
        giveSource_(db.get(), "UPDATE numbers SET source = ?2 WHERE number = ?1 AND source IS NULL"),
        insert_(db.get(),
                "INSERT INTO numbers (number, valid, kind, region, first_seen, last_seen, times_seen, source) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?5, 0, ?6)") {
    giveSource_.bind(2, source_, true);
    insert_.bind(5, now_, true).bind(6, source_, true);
  }

  void add(GbkString number, ImportOutcome& outcome) {
    // A repeat inside the batch is not in the store yet; it is known all the same.
    if (!batchNumbers_.insert(number).second) {
      ++outcome.known;
      return;
    }
    lookUp_.bind(1, number, true);
    const bool present = lookUp_.step();
    const bool withoutSource = present && lookUp_.columnInt(0) != 0;
    lookUp_.reset();
    if (!present) {
      fresh_.push_back({std::move(number), {}});
      return;
    }
    ++outcome.known;
    if (withoutSource) {
      giveSource_.bind(1, number, true).step();
      giveSource_.reset();
    }
  }

  bool full() const { return batchNumbers_.size() >= kBatch; }

  void flush(ImportOutcome& outcome) {
    for (Fresh& f : fresh_) {
      f.check = harvest::checkMainlandNumber(f.number);
      insert_.bind(1, f.number, true)
          .bind(2, std::int64_t{f.check.valid ? 1 : 0})
          .bind(3, std::string_view(kindText(f.check.kind)), true)
          .bind(4, f.check.region, true)
          .step();
      insert_.reset();
      ++outcome.added;
    }
    fresh_.clear();
    batchNumbers_.clear();
  }

 private:
  Connection& db_;
  std::string source_;
  std::string now_;
  Statement lookUp_;
  Statement giveSource_;
  Statement insert_;
  std::vector<Fresh> fresh_;
  std::unordered_set<GbkString> batchNumbers_;
};

struct Cancelled {};

// New numbers land all over the table's b-tree; a page cache of SQLite's
// default 2 MB would read most pages again and again. The connection's own
// size comes back afterwards.
class LargerPageCache {
 public:
  explicit LargerPageCache(Connection& db) : db_(db), kept_(db.scalar("PRAGMA cache_size")) {
    db_.exec("PRAGMA cache_size = -131072", "enlarge the page cache");
  }
  ~LargerPageCache() {
    const std::string restore = "PRAGMA cache_size = " + std::to_string(kept_);
    sqlite3_exec(db_.get(), restore.c_str(), nullptr, nullptr, nullptr);
  }

 private:
  Connection& db_;
  std::int64_t kept_;
};

}  // namespace

std::optional<GbkString> numberFromListLine(std::string_view line) {
  // A line copied from a page with its label ("传真：0755-...") is read the
  // way the page would be; a bare number as if the label stood before it.
  if (std::optional<GbkString> labelled = harvest::extractCandidate(line)) return labelled;
  GbkString marked = "FAX:";
  marked.append(line);
  return harvest::extractCandidate(marked);
}

GbkString listTextAsGbk(std::string bytes) {
  std::string_view text(bytes);
  const bool bom = text.starts_with(kUtf8Bom);
  if (bom) text.remove_prefix(kUtf8Bom.size());
  if (!isValidUtf8(text)) return bytes;
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
  if (ascii) return bom ? std::string(text) : bytes;
  return gbkFromUtf8(text);
}

ImportOutcome importNumberList(Connection& db, const QString& path, const ImportProgress& progress) {
  std::string bytes;
  bool openFailed = false;
  if (const int err = readWholeFile(path, bytes, openFailed); err != 0) {
    throw AppError(gbk("无法读取号码文件 ") + toGbk(path) + gbk("：") + gbkFromUtf8(std::strerror(err)));
  }
  const GbkString text = listTextAsGbk(std::move(bytes));
  ImportOutcome outcome;
  const LargerPageCache cache(db);
  db.exec("BEGIN IMMEDIATE", "begin importing numbers");
  try {
    Importer importer(db, QFileInfo(path).fileName().toStdString());
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      std::string_view line(text.data() + at, end - at);
      at = end + 1;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (isBlank(line)) continue;
      ++outcome.lines;
      if (std::optional<GbkString> number = numberFromListLine(line)) {
        importer.add(std::move(*number), outcome);
      } else {
        ++outcome.withoutNumber;
      }
      if (importer.full()) {
        importer.flush(outcome);
        if (progress && !progress(std::min(at, text.size()), text.size())) throw Cancelled{};
      }
    }
    importer.flush(outcome);
    db.exec("COMMIT", "commit importing numbers");
  } catch (const Cancelled&) {
    sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    ImportOutcome cancelled;
    cancelled.lines = outcome.lines;
    cancelled.cancelled = true;
    return cancelled;
  } catch (...) {
    sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  return outcome;
}

}  // namespace valo::files::store
