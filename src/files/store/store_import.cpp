// See store_import.h. The checks of libphonenumber cost far more than the
// rest of an import (tens of microseconds a number, behind locks of its own
// that a second thread only contends for), so an import leaves its new
// numbers unchecked and NumberCheckWorker fills the checks in afterwards.
#include "files/store/store_import.h"

#include <unicode/utf8.h>

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "files/atomic_file.h"
#include "files/store/store_schema.h"
#include "harvest/fax_extractor.h"
#include "text/app_error.h"

namespace valo::files::store {
namespace {

constexpr std::size_t kReportEvery = 4096;
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

// Numbers go in sorted, so that each insert lands on or next to the page
// the one before it wrote (the table and both indexes are keyed by the
// number or begin with the same import time) and the page cache stays warm.
// A number the store has already is counted as known and only given this
// file as its source when it has none.
class Importer {
 public:
  Importer(Connection& db, std::string source)
      : source_(std::move(source)),
        now_(storeTime(QDateTime::currentDateTime())),
        giveSource_(db.get(), "UPDATE numbers SET source = ?2 WHERE number = ?1 AND source IS NULL"),
        insert_(db.get(),
                "INSERT OR IGNORE INTO numbers (number, first_seen, last_seen, times_seen, source) "
                "VALUES (?1, ?2, ?2, 0, ?3)"),
        db_(db) {
    giveSource_.bind(2, source_, true);
    insert_.bind(2, now_, true).bind(3, source_, true);
  }

  void add(std::string_view number, ImportOutcome& outcome) {
    insert_.bind(1, number, true).step();
    insert_.reset();
    if (sqlite3_changes(db_.get()) > 0) {
      ++outcome.added;
      return;
    }
    ++outcome.known;
    giveSource_.bind(1, number, true).step();
    giveSource_.reset();
  }

 private:
  std::string source_;
  std::string now_;
  Statement giveSource_;
  Statement insert_;
  Connection& db_;
};

struct Cancelled {};

ImportOutcome cancelledAfter(const ImportOutcome& outcome) {
  ImportOutcome cancelled;
  cancelled.lines = outcome.lines;
  cancelled.cancelled = true;
  return cancelled;
}

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
  // One buffer for every line: a million lines need no million allocations.
  thread_local GbkString marked;
  marked.assign("FAX:");
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
  // Progress runs over the file twice: once reading its lines, once writing.
  const std::uint64_t total = 2 * static_cast<std::uint64_t>(text.size());
  std::vector<GbkString> numbers;
  std::size_t at = 0;
  std::size_t nextReport = kReportEvery;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (isBlank(line)) continue;
    ++outcome.lines;
    if (std::optional<GbkString> number = numberFromListLine(line)) {
      numbers.push_back(std::move(*number));
    } else {
      ++outcome.withoutNumber;
    }
    if (numbers.size() >= nextReport) {
      nextReport += kReportEvery;
      if (progress && !progress(std::min(at, text.size()), total)) return cancelledAfter(outcome);
    }
  }
  std::sort(numbers.begin(), numbers.end());
  const auto repeats = std::unique(numbers.begin(), numbers.end());
  outcome.known += numbers.end() - repeats;
  numbers.erase(repeats, numbers.end());

  const LargerPageCache cache(db);
  db.exec("BEGIN IMMEDIATE", "begin importing numbers");
  try {
    Importer importer(db, QFileInfo(path).fileName().toStdString());
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      importer.add(numbers[i], outcome);
      if (progress && (i + 1) % kReportEvery == 0 &&
          !progress(text.size() + text.size() * (i + 1) / numbers.size(), total)) {
        throw Cancelled{};
      }
    }
    db.exec("COMMIT", "commit importing numbers");
  } catch (const Cancelled&) {
    sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    return cancelledAfter(outcome);
  } catch (...) {
    sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  return outcome;
}

}  // namespace valo::files::store
