// See team_batch_writer.h. A line is sent once however many numbers it
// holds: rows carry its index into an array of the batch's lines. Numbers
// are written in sorted order, so two machines writing the same numbers
// lock their rows in the same order and never deadlock each other.
#include "team/team_batch_writer.h"

#include <QDateTime>
#include <algorithm>
#include <map>

#include "files/store/store_schema.h"
#include "harvest/number_check.h"

namespace valo::team {
namespace {

using files::store::RecordBatch;

// The server's text cannot hold a NUL byte; a page can.
std::string clean(std::string text) {
  std::replace(text.begin(), text.end(), '\0', ' ');
  return text;
}

struct NumberRow {
  std::int64_t times = 0;
  std::size_t line = 0;  // 1-based index into the batch's lines
};

}  // namespace

bool TeamBatchWriter::write(const RecordBatch& batch) {
  std::vector<PgLink::Statement> statements;
  const std::string now = files::store::storeTime(QDateTime::currentDateTime());
  if (!batch.journalKey.empty()) {
    // A batch the server has already breaks the key, and the server then
    // skips the rest: nothing of it is written twice.
    statements.push_back({"INSERT INTO journal_batches(batch, written_at) VALUES($1, $2)",
                          {batch.journalKey, now},
                          "note a waiting batch as written"});
  }
  const files::store::SearchRecord& s = batch.search;
  auto ended = [&](const std::string& v) { return s.ended ? Param(clean(v)) : Param(); };
  statements.push_back(
      {"INSERT INTO searches(started_at, ended_at, engine, pause_seconds, start_line, pages_read, refusals, "
       "numbers_listed, end_text, run_key, machine) VALUES($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11) "
       "ON CONFLICT (run_key) DO UPDATE SET ended_at = EXCLUDED.ended_at, pages_read = EXCLUDED.pages_read, "
       "refusals = EXCLUDED.refusals, numbers_listed = EXCLUDED.numbers_listed, end_text = EXCLUDED.end_text "
       // Most pages change nothing of their search: no new row version then.
       "WHERE (searches.ended_at, searches.pages_read, searches.refusals, searches.numbers_listed, "
       "searches.end_text) IS DISTINCT FROM (EXCLUDED.ended_at, EXCLUDED.pages_read, EXCLUDED.refusals, "
       "EXCLUDED.numbers_listed, EXCLUDED.end_text)",
       {s.startedAt, ended(s.endedAt), clean(s.engine), std::to_string(s.pauseSeconds), std::to_string(s.startLine),
        std::to_string(s.pagesRead), std::to_string(s.refusals), std::to_string(s.numbersListed), ended(s.endText),
        s.runKey, machine_},
       "record the search"});
  // The later statements find the search by its key: its id is not known
  // before the server answers, and nothing waits for that answer.
  const std::string searchId = "(SELECT id FROM searches WHERE run_key = $1)";

  if (!batch.empty()) {
    std::vector<std::string> lines;
    std::vector<std::string> lineIndex, skipped, rejected;
    std::map<std::string_view, NumberRow> numbers;  // sorted: see above
    std::vector<std::string_view> sightingNumbers;
    const RecordBatch::Row* lineOf = nullptr;
    for (const RecordBatch::Row& row : batch.rows()) {
      if (lineOf == nullptr || !row.sameLine(*lineOf)) {
        lines.push_back(clean(batch.lineText(row)));
        lineOf = &row;
      }
      const std::string_view number = batch.number(row);
      sightingNumbers.push_back(number);
      lineIndex.push_back(std::to_string(lines.size()));
      skipped.push_back(row.what() == harvest::Sighting::Listed ? "0" : "1");
      rejected.push_back(row.what() == harvest::Sighting::Rejected ? "1" : "0");
      // A number that was no valid number was never found: not known later.
      if (row.what() == harvest::Sighting::Rejected) continue;
      NumberRow& n = numbers[number];
      if (n.times++ == 0) n.line = lines.size();
    }
    std::vector<std::string_view> lineViews(lines.begin(), lines.end());
    const std::string lineArray = textArray(lineViews);
    auto arrayOf = [](const std::vector<std::string>& v) {
      return textArray(std::vector<std::string_view>(v.begin(), v.end()));
    };
    const files::store::PageRecord& p = batch.page;
    statements.push_back(
        {"INSERT INTO sightings(number, seen_at, search_id, keyword, keyword_line, engine, page_url, "
         "page_number, line, skipped, rejected, machine) "
         "SELECT n, $2, " + searchId + ", $3, $4, $5, $6, $7, ($8::text[])[li], sk, rj, $12 "
         "FROM unnest($9::text[], $10::int[], $11::smallint[], $13::smallint[]) AS t(n, li, sk, rj)",
         {s.runKey, p.seenAt, clean(p.keyword), std::to_string(p.keywordLine), clean(p.engine), clean(p.address),
          std::to_string(p.pageNumber), lineArray, textArray(sightingNumbers), arrayOf(lineIndex), arrayOf(skipped),
          machine_, arrayOf(rejected)},
         "record the page's sightings"});

    if (!numbers.empty()) {
      std::vector<std::string_view> keys;
      std::vector<std::string> times, firstLine;
      for (const auto& [number, row] : numbers) {
        keys.push_back(number);
        times.push_back(std::to_string(row.times));
        firstLine.push_back(std::to_string(row.line));
      }
      // A new number comes in unchecked (valid NULL): the writer checks it
      // once the page is on the server, so the check never holds a page.
      statements.push_back(
          {"INSERT INTO numbers AS o(number, first_seen, last_seen, times_seen, "
           "first_search_id, first_keyword, first_engine, first_page_url, source_line) "
           "SELECT n, $4, $4, c, " + searchId + ", $5, $6, $7, ($8::text[])[li] "
           "FROM unnest($2::text[], $3::int[], $9::int[]) AS t(n, c, li) ORDER BY n "
           "ON CONFLICT (number) DO UPDATE SET last_seen = EXCLUDED.last_seen, "
           "times_seen = o.times_seen + EXCLUDED.times_seen, "
           "first_search_id = coalesce(o.first_search_id, EXCLUDED.first_search_id), "
           "first_keyword = coalesce(o.first_keyword, EXCLUDED.first_keyword), "
           "first_engine = coalesce(o.first_engine, EXCLUDED.first_engine), "
           "first_page_url = coalesce(o.first_page_url, EXCLUDED.first_page_url), "
           "source_line = coalesce(o.source_line, EXCLUDED.source_line)",
           {s.runKey, textArray(keys), arrayOf(times), p.seenAt, clean(p.keyword), clean(p.engine),
            clean(p.address), lineArray, arrayOf(firstLine)},
           "record the page's numbers"});
    }
  }
  try {
    link_.pipeline(statements);
  } catch (const TeamError& e) {
    if (!batch.journalKey.empty() && e.sqlState() == "23505") return false;
    throw;
  }
  return true;
}

int checkUncheckedNumbers(PgLink& link, int limit) {
  // No lock: two machines that check the same number at once write the
  // same verdict, and locking every row costs more than that rare repeat.
  PgResult r = link.exec(
      "SELECT number FROM numbers WHERE valid IS NULL ORDER BY number LIMIT $1",
      {std::to_string(limit)}, "find unchecked numbers");
  if (r.rows() == 0) return 0;
  std::vector<std::string> keys, valid, kind, region;
  for (int i = 0; i < r.rows(); ++i) {
    keys.emplace_back(r.text(i, 0));
    const harvest::NumberCheck check = harvest::checkMainlandNumber(keys.back());
    valid.emplace_back(check.valid ? "1" : "0");
    kind.emplace_back(files::store::storeKindText(check.kind));
    region.emplace_back(check.region);
  }
  auto arrayOf = [](const std::vector<std::string>& v) {
    return textArray(std::vector<std::string_view>(v.begin(), v.end()));
  };
  link.exec(
      "UPDATE numbers AS o SET valid = t.v, kind = t.k, region = t.r "
      "FROM unnest($1::text[], $2::smallint[], $3::text[], $4::text[]) AS t(n, v, k, r) "
      "WHERE o.number = t.n AND o.valid IS NULL",
      {arrayOf(keys), arrayOf(valid), arrayOf(kind), arrayOf(region)}, "write the numbers' checks");
  return r.rows();
}

}  // namespace valo::team
