// See store_batch_writer.h.
#include "files/store/store_batch_writer.h"

#include <QDateTime>
#include <algorithm>

#include "files/store/store_schema.h"
#include "harvest/number_check.h"

namespace valo::files::store {

struct BatchWriter::Statements {
  explicit Statements(sqlite3* db)
      : batchSeen(db, "SELECT 1 FROM journal_batches WHERE batch = ?1"),
        batchWritten(db, "INSERT INTO journal_batches(batch, written_at) VALUES(?1, ?2)"),
        findSearch(db, "SELECT id FROM searches WHERE run_key = ?1"),
        insertSearch(
            db,
            "INSERT INTO searches(started_at, ended_at, engine, pause_seconds, start_line, pages_read, "
            "refusals, numbers_listed, end_text, run_key, machine) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, "
            "?11)"),
        updateSearch(
            db,
            "UPDATE searches SET ended_at = ?2, pages_read = ?3, refusals = ?4, numbers_listed = ?5, "
            "end_text = ?6 WHERE id = ?1"),
        insertSighting(db,
                       "INSERT INTO sightings(number, seen_at, search_id, keyword, keyword_line, engine, "
                       "page_url, page_number, line, skipped, rejected, machine) "
                       "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)"),
        seen(db,
             "INSERT INTO numbers(number, first_seen, last_seen, times_seen, first_search_id, first_keyword, "
             "first_engine, first_page_url, source_line) VALUES(?1, ?2, ?2, 1, ?3, ?4, ?5, ?6, ?7) "
             "ON CONFLICT(number) DO UPDATE SET last_seen = excluded.last_seen, times_seen = times_seen + 1, "
             "first_search_id = coalesce(first_search_id, excluded.first_search_id), "
             "first_keyword = coalesce(first_keyword, excluded.first_keyword), "
             "first_engine = coalesce(first_engine, excluded.first_engine), "
             "first_page_url = coalesce(first_page_url, excluded.first_page_url), "
             "source_line = coalesce(source_line, excluded.source_line) RETURNING times_seen") {}
  Statement batchSeen, batchWritten, findSearch, insertSearch, updateSearch, insertSighting, seen;
};

BatchWriter::BatchWriter(Connection& db, std::string machine)
    : db_(db), machine_(std::move(machine)), st_(std::make_unique<Statements>(db.get())) {}
BatchWriter::~BatchWriter() = default;

namespace {

void bindText(Statement& st, int i, const std::string& v, bool present) {
  if (present) {
    st.bind(i, v);
  } else {
    st.bindNull(i);
  }
}

}  // namespace

std::int64_t BatchWriter::searchId(const SearchRecord& s) {
  auto known = searchIds_.find(s.runKey);
  std::int64_t id = known != searchIds_.end() ? known->second : 0;
  if (id == 0) {
    Statement& find = st_->findSearch;
    find.bind(1, s.runKey);
    if (find.step()) id = find.columnInt(0);
    find.reset();
  }
  if (id == 0) {
    Statement& st = st_->insertSearch;
    st.bind(1, s.startedAt);
    bindText(st, 2, s.endedAt, s.ended);
    st.bind(3, s.engine).bind(4, s.pauseSeconds).bind(5, s.startLine).bind(6, s.pagesRead);
    st.bind(7, s.refusals).bind(8, s.numbersListed);
    bindText(st, 9, s.endText, s.ended);
    st.bind(10, s.runKey);
    bindText(st, 11, machine_, !machine_.empty());
    st.step();
    st.reset();
    id = sqlite3_last_insert_rowid(db_.get());
  } else {
    Statement& st = st_->updateSearch;
    st.bind(1, id);
    bindText(st, 2, s.endedAt, s.ended);
    st.bind(3, s.pagesRead).bind(4, s.refusals).bind(5, s.numbersListed);
    bindText(st, 6, s.endText, s.ended);
    st.step();
    st.reset();
  }
  searchIds_[s.runKey] = id;
  return id;
}

bool BatchWriter::write(const RecordBatch& batch) {
  if (!batch.journalKey.empty()) {
    Statement& seen = st_->batchSeen;
    seen.bind(1, batch.journalKey);
    const bool already = seen.step();
    seen.reset();
    if (already) return false;
  }
  const std::int64_t id = searchId(batch.search);
  const PageRecord& p = batch.page;
  std::string line;
  const RecordBatch::Row* lineOf = nullptr;
  for (const RecordBatch::Row& row : batch.rows()) {
    const std::string_view number = batch.number(row);
    // The numbers of one line come together: its stored form is made once.
    if (lineOf == nullptr || !row.sameLine(*lineOf)) {
      line = batch.lineText(row);
      lineOf = &row;
    }
    Statement& sight = st_->insertSighting;
    sight.bind(1, number).bind(2, p.seenAt).bind(3, id).bind(4, p.keyword).bind(5, p.keywordLine);
    sight.bind(6, p.engine).bind(7, p.address).bind(8, p.pageNumber).bind(9, line, true);
    sight.bind(10, row.what() == harvest::Sighting::Listed ? 0 : 1);
    sight.bind(11, row.what() == harvest::Sighting::Rejected ? 1 : 0);
    bindText(sight, 12, machine_, !machine_.empty());
    sight.step();
    sight.reset();
    // A number that was no valid number was never found: it must not count
    // as known to 历史去重 later.
    if (row.what() == harvest::Sighting::Rejected) continue;

    // One statement finds the number once: seen again, or new to the store
    // (times_seen 1 after it; an imported number seen for the first time
    // also comes out at 1 and is checked again, which changes nothing).
    Statement& seen = st_->seen;
    seen.bind(1, number).bind(2, p.seenAt).bind(3, id).bind(4, p.keyword).bind(5, p.engine);
    seen.bind(6, p.address).bind(7, line, true);
    const bool first = seen.step() && seen.columnInt(0) == 1;
    seen.reset();
    // A number new to the store is checked after the page is on the disk
    // (checkNew): the check is the dearest step.
    if (!first) continue;
    unchecked_.emplace_back(number);
  }
  if (!batch.journalKey.empty()) {
    Statement& written = st_->batchWritten;
    written.bind(1, batch.journalKey).bind(2, storeTime(QDateTime::currentDateTime()));
    written.step();
    written.reset();
  }
  return true;
}

bool BatchWriter::checkNew() {
  if (unchecked_.empty()) return false;
  std::sort(unchecked_.begin(), unchecked_.end());
  unchecked_.erase(std::unique(unchecked_.begin(), unchecked_.end()), unchecked_.end());
  std::vector<harvest::NumberCheck> checks;
  checks.reserve(unchecked_.size());
  for (const std::string& number : unchecked_) checks.push_back(harvest::checkMainlandNumber(number));
  writeNumberChecks(db_, unchecked_, checks);
  unchecked_.clear();
  return true;
}

}  // namespace valo::files::store
