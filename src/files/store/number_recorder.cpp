// See number_recorder.h.
#include "files/store/number_recorder.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "files/store/store_open.h"
#include "files/store/store_schema.h"
#include "harvest/number_check.h"

namespace valo::files::store {
namespace {

// Records held while the store refuses them; beyond this a long failure
// drops sightings rather than memory (the text autosave still has the numbers).
constexpr std::size_t kMaxHeldRows = 200000;

// The longest head of a GBK line that is at most `limit` bytes and ends at a
// character boundary.
std::size_t gbkHead(std::string_view line, std::size_t limit) {
  std::size_t i = 0;
  while (i < line.size()) {
    const std::size_t step =
        isGbkLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return i;
}

}  // namespace

std::string storedLine(std::string_view gbkLine) {
  // A GBK character never takes fewer bytes than in UTF-8, so the GBK head of
  // the limit is long enough.
  std::string text = utf8FromGbk(gbkLine.substr(0, gbkHead(gbkLine, kMaxLineBytes)));
  if (text.size() > kMaxLineBytes) {
    std::size_t n = kMaxLineBytes;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    text.resize(n);
  }
  return text;
}

struct NumberRecorder::Search {
  std::int64_t id = 0;  // 0 until its row is written
  std::string startedAt, engine, endedAt, endText;
  std::int32_t pauseSeconds = 0, startLine = 0, pagesRead = 0, refusals = 0, numbersListed = 0;
  bool ended = false;
  std::int32_t lastKeywordLine = -1;
  std::int32_t pageNumber = 0;
};

struct NumberRecorder::Page {
  std::shared_ptr<Search> search;
  std::string keyword, engine, address, seenAt;
  std::int32_t keywordLine = 0, pageNumber = 0;
};

struct NumberRecorder::Row {
  std::shared_ptr<Page> page;
  std::string number, line;
  harvest::Sighting what = harvest::Sighting::Listed;
};

struct NumberRecorder::Statements {
  explicit Statements(sqlite3* db)
      : known(db, "SELECT 1 FROM numbers WHERE number = ?1"),
        insertSearch(
            db,
            "INSERT INTO searches(started_at, ended_at, engine, pause_seconds, start_line, pages_read, "
            "refusals, numbers_listed, end_text) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"),
        updateSearch(
            db,
            "UPDATE searches SET ended_at = ?2, pages_read = ?3, refusals = ?4, numbers_listed = ?5, "
            "end_text = ?6 WHERE id = ?1"),
        insertSighting(
            db,
            "INSERT INTO sightings(number, seen_at, search_id, keyword, keyword_line, engine, "
            "page_url, page_number, line, skipped, rejected) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)"),
        seenAgain(
            db,
            "UPDATE numbers SET last_seen = ?2, times_seen = times_seen + 1, "
            "first_search_id = coalesce(first_search_id, ?3), first_keyword = coalesce(first_keyword, ?4), "
            "first_engine = coalesce(first_engine, ?5), first_page_url = coalesce(first_page_url, ?6), "
            "source_line = coalesce(source_line, ?7) WHERE number = ?1"),
        firstSeen(db,
                  "INSERT INTO numbers(number, valid, kind, region, first_seen, last_seen, times_seen, "
                  "first_search_id, first_keyword, first_engine, first_page_url, source_line) "
                  "VALUES(?1, ?2, ?3, ?4, ?5, ?5, 1, ?6, ?7, ?8, ?9, ?10)") {}
  Statement known, insertSearch, updateSearch, insertSighting, seenAgain, firstSeen;
};

NumberRecorder::NumberRecorder(QString path, std::function<QDateTime()> now)
    : path_(std::move(path)), now_(std::move(now)) {
  open();
}

NumberRecorder::~NumberRecorder() = default;

void NumberRecorder::open() {
  st_.reset();
  OpenedStore opened = openStore(path_, now_());
  db_ = std::move(opened.db);
  if (!opened.notice.empty()) notice_ = shownNotice_ = opened.notice;
  if (!db_) return;
  try {
    st_ = std::make_unique<Statements>(db_.get());
  } catch (const SqliteError& e) {
    db_ = Connection();
    notice_ = shownNotice_ = storeFailureText(e, path_);
  }
}

GbkString NumberRecorder::takeNotice() {
  return std::exchange(notice_, GbkString());
}

void NumberRecorder::beginSearch(const SearchSettings& settings) {
  search_ = std::make_shared<Search>();
  search_->startedAt = storeTime(now_());
  search_->engine = utf8FromGbk(settings.engine);
  search_->pauseSeconds = settings.pauseSeconds;
  search_->startLine = settings.startLine;
  page_.reset();
  dirty_.push_back(search_);
  commit();
}

void NumberRecorder::beginPage(const PageSource& source) {
  if (!search_) beginSearch({source.engine, 0, 0});
  Search& s = *search_;
  s.pageNumber = s.lastKeywordLine == source.keywordLine ? s.pageNumber + 1 : 1;
  s.lastKeywordLine = source.keywordLine;
  ++s.pagesRead;
  if (std::find(dirty_.begin(), dirty_.end(), search_) == dirty_.end()) dirty_.push_back(search_);
  page_ = std::make_shared<Page>(Page{search_, utf8FromGbk(source.keyword), utf8FromGbk(source.engine),
                                      utf8FromGbk(source.address), storeTime(now_()), source.keywordLine,
                                      s.pageNumber});
}

bool NumberRecorder::knownBefore(std::string_view number) {
  if (listed_.contains(std::string(number))) return true;
  if (!st_) return false;
  try {
    Statement& q = st_->known;
    q.bind(1, number);
    const bool found = q.step();
    q.reset();
    return found;
  } catch (const std::exception&) {
    return false;
  }
}

void NumberRecorder::sighted(std::string_view number, std::string_view gbkLine, harvest::Sighting what) {
  if (what == harvest::Sighting::Listed) listed_.emplace(number);
  // Without a store only the numbers listed in this run are remembered.
  if (!db_ || rows_.size() >= kMaxHeldRows) return;
  if (!page_) beginPage({});
  rows_.push_back(Row{page_, std::string(number), storedLine(gbkLine), what});
}

std::optional<GbkString> NumberRecorder::commit() {
  if (db_ && (!rows_.empty() || !dirty_.empty())) {
    try {
      writePending();
    } catch (const SqliteError& e) {
      if (storeUnusable(e)) {
        useNewStore(e);
      } else {
        failure_ = storeFailureText(e, path_);
      }
    } catch (const std::exception& e) {
      failure_ = storeFailureText(SqliteError(SQLITE_ERROR, e.what()), path_);
    }
  }
  if (failure_) return failure_;
  if (!shownNotice_.empty()) return shownNotice_;
  return std::nullopt;
}

// One transaction: a failure rolls all of it back and every record stays
// held for the next commit, the ids of searches written in it forgotten.
void NumberRecorder::writePending() {
  std::vector<Search*> inserted;
  try {
    db_.exec("BEGIN IMMEDIATE", "begin a page");
    for (const auto& search : dirty_) {
      if (search->id == 0) writeSearch(*search, inserted);
    }
    for (const Row& row : rows_) writeRow(row);
    for (const auto& search : dirty_) {
      if (std::find(inserted.begin(), inserted.end(), search.get()) == inserted.end()) {
        writeSearch(*search, inserted);
      }
    }
    db_.exec("COMMIT", "commit a page");
  } catch (...) {
    sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    for (Search* s : inserted) s->id = 0;
    throw;
  }
  rows_.clear();
  dirty_.clear();
  listed_.clear();
  failure_.reset();
}

void NumberRecorder::writeSearch(Search& s, std::vector<Search*>& inserted) {
  const auto text = [](Statement& st, int i, const std::string& v, bool present) {
    if (present) {
      st.bind(i, v);
    } else {
      st.bindNull(i);
    }
  };
  if (s.id == 0) {
    Statement& st = st_->insertSearch;
    st.bind(1, s.startedAt);
    text(st, 2, s.endedAt, s.ended);
    st.bind(3, s.engine).bind(4, s.pauseSeconds).bind(5, s.startLine).bind(6, s.pagesRead);
    st.bind(7, s.refusals).bind(8, s.numbersListed);
    text(st, 9, s.endText, s.ended);
    st.step();
    st.reset();
    s.id = sqlite3_last_insert_rowid(db_.get());
    inserted.push_back(&s);
    return;
  }
  Statement& st = st_->updateSearch;
  st.bind(1, s.id);
  text(st, 2, s.endedAt, s.ended);
  st.bind(3, s.pagesRead).bind(4, s.refusals).bind(5, s.numbersListed);
  text(st, 6, s.endText, s.ended);
  st.step();
  st.reset();
}

void NumberRecorder::writeRow(const Row& row) {
  const Page& p = *row.page;
  const std::int64_t searchId = p.search ? p.search->id : 0;
  Statement& sight = st_->insertSighting;
  sight.bind(1, row.number).bind(2, p.seenAt);
  if (searchId != 0) {
    sight.bind(3, searchId);
  } else {
    sight.bindNull(3);
  }
  sight.bind(4, p.keyword).bind(5, p.keywordLine).bind(6, p.engine).bind(7, p.address);
  const bool rejected = row.what == harvest::Sighting::Rejected;
  sight.bind(8, p.pageNumber).bind(9, row.line).bind(10, row.what == harvest::Sighting::Listed ? 0 : 1);
  sight.bind(11, rejected ? 1 : 0);
  sight.step();
  sight.reset();
  // A number that was no valid number was never found: it must not count as
  // known to 历史去重 later.
  if (rejected) return;

  Statement& again = st_->seenAgain;
  again.bind(1, row.number).bind(2, p.seenAt).bind(3, searchId).bind(4, p.keyword).bind(5, p.engine);
  again.bind(6, p.address).bind(7, row.line);
  again.step();
  again.reset();
  if (sqlite3_changes(db_.get()) > 0) return;
  // Only a number new to the store is checked: the check is the dearest step.
  const harvest::NumberCheck check = harvest::checkMainlandNumber(row.number);
  Statement& first = st_->firstSeen;
  first.bind(1, row.number).bind(2, check.valid ? 1 : 0).bind(3, std::string_view(storeKindText(check.kind)));
  first.bind(4, check.region).bind(5, p.seenAt).bind(6, searchId).bind(7, p.keyword).bind(8, p.engine);
  first.bind(9, p.address).bind(10, row.line);
  first.step();
  first.reset();
}

// A store found damaged while writing is set aside like one found so at
// opening; the held records go to the new store at once.
void NumberRecorder::useNewStore(const SqliteError& error) {
  st_.reset();
  db_ = Connection();
  open();
  if (!db_) {
    // open() has set what the user is told; no store is left to wait for.
    (void)error;
    failure_.reset();
    rows_.clear();
    dirty_.clear();
    return;
  }
  for (const auto& s : dirty_) s->id = 0;
  for (const Row& row : rows_) {
    if (row.page->search && row.page->search->id != 0) {
      row.page->search->id = 0;
      dirty_.push_back(row.page->search);
    }
  }
  // Searches whose rows went with the old store are written again whole.
  if (search_ && std::find(dirty_.begin(), dirty_.end(), search_) == dirty_.end()) {
    search_->id = 0;
    dirty_.push_back(search_);
  }
  try {
    writePending();
  } catch (const SqliteError& e) {
    failure_ = storeFailureText(e, path_);
  }
}

void NumberRecorder::endSearch(const SearchEnd& end) {
  if (!search_) return;
  search_->ended = true;
  search_->endedAt = storeTime(now_());
  search_->refusals = end.refusals;
  search_->numbersListed = end.numbersListed;
  search_->endText = utf8FromGbk(end.endText);
  if (std::find(dirty_.begin(), dirty_.end(), search_) == dirty_.end()) dirty_.push_back(search_);
  commit();
  search_.reset();
  page_.reset();
  shownNotice_.clear();
}

}  // namespace valo::files::store
