// Import of number lists: each line read by the extractor's number rules,
// either file encoding and line end, the four counts, a cancel or failure at
// any stage leaving the store as it was, and a file of millions of lines
// taking bounded memory without holding up a writing search.
#include "files/store/store_import.h"

#include <QStringDecoder>
#include <atomic>
#include <fstream>
#include <thread>

#include "files/store/list_lines.h"
#include "files/store/store_open.h"
#include "store_fixture.h"
#include "text/gbk.h"

namespace valo::files::store::testing {
namespace {

using namespace std::chrono_literals;

struct LineCase {
  const char* line;    // UTF-8
  const char* number;  // "" when the line gives none
};

const LineCase kLines[] = {
    {"0755-12345678", "0755-12345678"},
    {"  0755 1234 5678  ", "075512345678"},
    {"(0755)12345678", "0755-12345678"},
    {"+86 21 5385 3022", "02153853022"},
    {"0086-21-53853022", "021-53853022"},
    {"13912345678", "013912345678"},
    {"021-53853022-8001-9", "021-53853022"},
    {"深圳某机械有限公司 传真：0755-87654321", "0755-87654321"},
    {"0755-12345678（总机）", "0755-12345678"},
    {"12345", ""},
    {"没有号码", ""},
    {"传真：", ""},
};

TEST(ListLine, ReadByTheExtractorsNumberRules) {
  for (const LineCase& c : kLines) {
    SCOPED_TRACE(c.line);
    const std::optional<GbkString> got = numberFromListLine(gbk(c.line));
    EXPECT_EQ(got.value_or(""), c.number);
  }
}

// The reading of a whole file at once: valid UTF-8 throughout (after a
// byte-order mark) is UTF-8, anything else GBK. The stream must agree.
std::vector<std::string> wholeFileLines(const QByteArray& bytes) {
  QByteArray text = bytes;
  const bool bom = text.startsWith("\xEF\xBB\xBF");
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString decoded = utf8(bom ? text.mid(3) : text);
  const std::string gbkText = utf8.hasError() ? bytes.toStdString() : toGbk(decoded);
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < gbkText.size();) {
    std::size_t end = std::min(gbkText.find('\n', at), gbkText.size());
    std::string line = gbkText.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

std::vector<std::string> streamedLines(const QString& path) {
  for (const bool asGbk : {false, true}) {
    ListLines reader(path, asGbk);
    std::vector<std::string> lines;
    for (std::string_view line; reader.next(line);) lines.emplace_back(line);
    if (!reader.rereadAsGbk()) return lines;
  }
  return {};
}

class Import : public StoreFixture {
 protected:
  void freshStore() {
    db = Connection();
    for (const char* suffix : {"", "-wal", "-shm"}) QFile::remove(path("valofaxnumbers.db") + QLatin1String(suffix));
    StoreFixture::SetUp();
    db.exec("PRAGMA journal_mode = WAL", "journal");  // as every store is opened
  }
  // Everything in the folder but the store, folders too.
  QStringList leftOver() const {
    QStringList out;
    for (const QString& f : QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
      if (!f.startsWith(QStringLiteral("valofaxnumbers.db"))) out << f;
    }
    return out;
  }
};

TEST_F(Import, TheStreamReadsEveryFileAsAWholeFileLookWould) {
  const std::string utf8 = "深圳 传真：0755-87654321";
  const std::string gbkLine = gbk(utf8);
  const std::string accidental = gbk("司") + " 0755-11111111";  // GBK that is also valid UTF-8
  const std::string cases[] = {
      "\xEF\xBB\xBF" + utf8 + "\r\n0755-1\n",                // UTF-8 with a mark
      "0755-1\r\n" + gbkLine + "\r\n" + gbkLine,             // GBK
      utf8 + "\n0755-1\n" + gbkLine + "\n",                  // UTF-8 until a GBK line
      "\xEF\xBB\xBF" + std::string("0755-1\n") + gbkLine,    // a mark before GBK
      accidental + "\n" + gbkLine + "\n",                    // GBK that starts like UTF-8
      accidental + "\n" + utf8 + "\n",                       // UTF-8 after all
      "0755-1\r\n\r\n   \n",                                // ASCII
  };
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(bytes);
    writeAll(path("list.txt"), QByteArray::fromStdString(bytes));
    EXPECT_EQ(streamedLines(path("list.txt")), wholeFileLines(QByteArray::fromStdString(bytes)));
  }
}

struct FileCase {
  const char* name;
  bool utf8;
  bool bom;
  const char* lineEnd;
};

class ImportFiles : public StoreFixture, public ::testing::WithParamInterface<FileCase> {};

TEST_P(ImportFiles, EveryEncodingAndLineEndGivesTheSameNumbers) {
  const FileCase& c = GetParam();
  QByteArray bytes = c.bom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
  for (const LineCase& l : kLines) {
    const std::string text = c.utf8 ? std::string(l.line) : gbk(l.line);
    bytes += QByteArray::fromStdString(text) + c.lineEnd;
  }
  bytes += QByteArray("   ") + c.lineEnd + QByteArray("0755-12345678");  // a blank line, a repeat without an end
  writeAll(path(c.name), bytes);

  const ImportOutcome outcome = importNumberList(db, path(c.name));
  EXPECT_EQ(outcome.lines, 13);
  EXPECT_EQ(outcome.withoutNumber, 3);
  EXPECT_EQ(outcome.added, 6);
  EXPECT_EQ(outcome.known, 0);
  EXPECT_EQ(outcome.repeated, 4);
  EXPECT_FALSE(outcome.cancelled);
  for (const LineCase& l : kLines) {
    if (l.number[0] == '\0') continue;
    Statement s(db.get(), "SELECT source, times_seen, valid, kind FROM numbers WHERE number = ?1");
    s.bind(1, l.number);
    ASSERT_TRUE(s.step()) << l.number;
    EXPECT_EQ(s.columnText(0), c.name);
    EXPECT_EQ(s.columnInt(1), 0);
    EXPECT_TRUE(s.columnIsNull(2));  // unchecked until the worker
  }
  EXPECT_EQ(db.scalar("SELECT count(*) FROM sightings"), 0);
}

INSTANTIATE_TEST_SUITE_P(Files, ImportFiles,
                         ::testing::Values(FileCase{"utf8-bom-lf.txt", true, true, "\n"},
                                           FileCase{"utf8-crlf.txt", true, false, "\r\n"},
                                           FileCase{"gbk-crlf.txt", false, false, "\r\n"},
                                           FileCase{"gbk-lf.txt", false, false, "\n"}));

std::string dump(Connection& db) {
  Statement s(db.get(), "SELECT number, valid, kind, region, first_seen, last_seen, times_seen, source FROM numbers "
                        "ORDER BY number");
  std::string out;
  while (s.step()) {
    for (int i = 0; i < 8; ++i) out += (s.columnIsNull(i) ? "NULL" : std::string(s.columnText(i))) + "|";
    out += "\n";
  }
  return out;
}

// A store that had two numbers, one with a source and one without.
void seedKnown(Connection& db) {
  db.exec("INSERT INTO numbers (number, valid, kind, first_seen, last_seen, source) VALUES "
          "('0755-11111111', 1, 'fixed', 'x', 'x', NULL), ('0755-22222222', 1, 'fixed', 'x', 'x', 'earlier.txt')",
          "seed");
}

// Limits that force spilled runs and many batches on a small file.
ImportLimits tinyLimits() {
  ImportLimits limits;
  limits.runBytes = 64;
  limits.batchRows = 2;
  limits.pause = 0ms;
  return limits;
}

TEST_F(Import, CountsNewKnownRepeatedAndWithoutNumber) {
  const struct {
    const char* name;
    ImportLimits limits;
  } cases[] = {{"in memory, one batch", {}}, {"spilled runs, two rows a batch", tinyLimits()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    freshStore();
    seedKnown(db);
    writeAll(path("list.txt"),
             "0755-11111111\r\n0755-22222222\r\n13912345678\r\n(0755)33333333\r\n0755-33333333\r\n"
             "没有号码\r\n\r\n0755-11111111\r\n0755-44444444\r\n12345\r\n13912345678\r\n");
    const ImportOutcome o = importNumberList(db, path("list.txt"), c.limits);
    EXPECT_EQ(o.lines, 10);
    EXPECT_EQ(o.added, 3);
    EXPECT_EQ(o.known, 2);
    EXPECT_EQ(o.repeated, 3);
    EXPECT_EQ(o.withoutNumber, 2);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM numbers WHERE source = 'list.txt'"), 4);  // three new, one without
    EXPECT_EQ(db.scalar("SELECT count(*) FROM numbers WHERE source = 'earlier.txt'"), 1);
  }
}

TEST_F(Import, KnownNumbersKeepTheirRowAndGetASourceOnlyWhenTheyHadNone) {
  seed({"0755-11111111", "2026-11-01T09:00:00", "fixed", "广东省深圳市", "深圳 机械", "传真：0755-11111111"});
  db.exec("INSERT INTO numbers (number, valid, kind, first_seen, last_seen, source) "
          "VALUES ('0755-22222222', 1, 'fixed', 'x', 'x', 'earlier.txt')",
          "seed");
  writeAll(path("list.txt"), "0755-11111111\r\n0755-22222222\r\n13912345678\r\n");
  const ImportOutcome outcome = importNumberList(db, path("list.txt"));
  EXPECT_EQ(outcome.added, 1);
  EXPECT_EQ(outcome.known, 2);

  Statement s(db.get(), "SELECT number, first_seen, first_keyword, source, valid, kind, region FROM numbers ORDER BY number");
  const char* expected[][7] = {
      {"013912345678", "", "", "list.txt", "0", "", ""},  // unchecked (valid, kind NULL) until the worker
      {"0755-11111111", "2026-11-01T09:00:00", "深圳 机械", "list.txt", "1", "fixed", "广东省深圳市"},
      {"0755-22222222", "x", "", "earlier.txt", "1", "fixed", ""},
  };
  for (const auto& e : expected) {
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.columnText(0), e[0]);
    if (e[1][0] != '\0') {
      EXPECT_EQ(s.columnText(1), e[1]);
    }
    EXPECT_EQ(s.columnText(2), e[2]);
    EXPECT_EQ(s.columnText(3), e[3]);
    EXPECT_EQ(s.columnIsNull(4), e[5][0] == '\0') << e[0];
    EXPECT_EQ(std::to_string(s.columnInt(4)), e[4]);
    EXPECT_EQ(s.columnText(5), e[5]);
    if (e[6][0] != '\0') {
      EXPECT_EQ(s.columnText(6), e[6]);
    }
  }
}

struct StopCase {
  const char* name;
  ImportStage stage;  // the stop is asked at this stage's report ...
  int report;         // ... number `report` (from 1)
  const char* failOn;  // or the store refuses this number (nullptr: no failure)
};

const StopCase kStops[] = {
    {"while reading", ImportStage::Reading, 1, nullptr},
    {"at the first batch", ImportStage::Writing, 1, nullptr},
    {"after some batches", ImportStage::Writing, 5, nullptr},
    {"while taking back", ImportStage::Undoing, 2, "0755-20004000"},
    {"a failing write", ImportStage::Reading, 0, "0755-20004000"},
};

TEST_F(Import, AStopOrAFailureAtAnyStageLeavesTheStoreAsItWas) {
  QByteArray bytes = "0755-11111111\n0755-22222222\n";  // known: a source given and one kept
  for (int i = 0; i < 20000; ++i) bytes += "0755-" + QByteArray::number(20000000 + i * 7 % 5000) + "\n";
  writeAll(path("big.txt"), bytes);
  ImportLimits limits = tinyLimits();
  limits.runBytes = 4096;
  limits.batchRows = 500;
  for (const StopCase& c : kStops) {
    SCOPED_TRACE(c.name);
    freshStore();
    seedKnown(db);
    const std::string before = dump(db);
    if (c.failOn != nullptr) {
      db.exec(std::string("CREATE TEMP TRIGGER refuse BEFORE INSERT ON main.numbers WHEN NEW.number = '") + c.failOn +
                  "' BEGIN SELECT RAISE(ABORT, 'refused'); END",
              "trigger");
    }
    std::stop_source stop;
    int reports = 0;
    const auto progress = [&](ImportStage stage, std::uint64_t done, std::uint64_t total) {
      EXPECT_LE(done, total);
      if (stage == c.stage && ++reports == c.report) stop.request_stop();
    };
    if (c.failOn != nullptr) {
      EXPECT_THROW(runNumberImport(db, path("big.txt"), dir.path(), progress, stop.get_token(), limits), SqliteError);
    } else {
      EXPECT_TRUE(runNumberImport(db, path("big.txt"), dir.path(), progress, stop.get_token(), limits).cancelled);
    }
    EXPECT_EQ(dump(db), before);
    EXPECT_EQ(leftOver(), QStringList{QStringLiteral("big.txt")});  // no temporary file left
  }
  freshStore();
  EXPECT_EQ(importNumberList(db, path("big.txt")).added, 5002);
  EXPECT_THROW(importNumberList(db, path("missing.txt")), AppError);
}

std::int64_t peakKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::stoll(line.substr(6));
  }
  return -1;
}

// A search's page commit beside the import, as the recorder makes it: it
// waits kWriteWaitMs for the lock, and a page waiting longer is held up.
TEST_F(Import, MillionsOfLinesTakeBoundedMemoryAndNeverHoldUpASearch) {
  const int lines = 3000000;
  {
    std::ofstream out(path("huge.txt").toStdString(), std::ios::binary);
    // Enough distinct numbers for a run on the disk and a few seconds of writing.
    for (int i = 0; i < lines; ++i) out << "0755-" << (20000000 + i % 400000 * 7) << "\r\n";
  }
  freshStore();
  sqlite3_busy_timeout(db.get(), 5000);  // the import waits for a page, as the window's connection does
  std::chrono::steady_clock::duration longestWait{};
  int pages = 0;
  int refused = 0;
  std::jthread search([&](std::stop_token importing) {
    Connection page = openStoreConnection(path("valofaxnumbers.db"));  // waits kWriteWaitMs
    while (!importing.stop_requested()) {
      const auto asked = std::chrono::steady_clock::now();
      try {
        // Only the wait for the lock is timed; the page's own commit is not the import's doing.
        page.exec("BEGIN IMMEDIATE", "a page");
        longestWait = std::max(longestWait, std::chrono::steady_clock::now() - asked);
        page.exec("INSERT INTO searches (started_at, engine, pause_seconds, start_line) VALUES ('t', 'e', 0, 0); "
                  "COMMIT",
                  "a page");
      } catch (const SqliteError& e) {
        ++refused;
        ADD_FAILURE() << e.what() << " after " << (std::chrono::steady_clock::now() - asked) / 1ms << " ms";
        sqlite3_exec(page.get(), "ROLLBACK", nullptr, nullptr, nullptr);
      }
      ++pages;
      std::this_thread::sleep_for(37ms);
    }
  });
  {
    std::ofstream refs("/proc/self/clear_refs");
    refs << "5";  // the peak so far is forgotten
  }
  const std::int64_t start = peakKilobytes();
  const ImportOutcome o = importNumberList(db, path("huge.txt"));
  const std::int64_t growth = peakKilobytes() - start;
  search.request_stop();
  search.join();
  EXPECT_EQ(o.added, 400000);
  EXPECT_EQ(o.repeated, 2600000);
#if !defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer keeps freed memory in quarantine and shadows the rest.
  EXPECT_LT(growth, 100 * 1024) << "kB";
#endif
  EXPECT_EQ(refused, 0);
  EXPECT_LT(longestWait, 250ms) << pages << " pages";
  EXPECT_EQ(db.scalar("SELECT count(*) FROM numbers"), 400000);
}

}  // namespace
}  // namespace valo::files::store::testing
