// See team_batch_writer.h. A line is sent once however many numbers it
// holds: rows carry its index into an array of the batch's lines. Numbers
// are written in sorted order, so two machines writing the same numbers
// lock their rows in the same order and never deadlock each other.
#include "team/team_batch_writer.h"

#include <QDateTime>
#include <algorithm>
#include <map>
#include <unordered_set>

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
  PgTransaction tx(link_);
  const std::string now = files::store::storeTime(QDateTime::currentDateTime());
  if (!batch.journalKey.empty()) {
    PgResult fresh = link_.exec(
        "INSERT INTO journal_batches(batch, written_at) VALUES($1, $2) ON CONFLICT DO NOTHING",
        {batch.journalKey, now}, "note a waiting batch as written");
    if (fresh.changed() == 0) return false;  // rolled back: nothing was done
  }
  const files::store::SearchRecord& s = batch.search;
  auto ended = [&](const std::string& v) { return s.ended ? Param(clean(v)) : Param(); };
  PgResult search = link_.exec(
      "INSERT INTO searches(started_at, ended_at, engine, pause_seconds, start_line, pages_read, refusals, "
      "numbers_listed, end_text, run_key, machine) VALUES($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11) "
      "ON CONFLICT (run_key) DO UPDATE SET ended_at = EXCLUDED.ended_at, pages_read = EXCLUDED.pages_read, "
      "refusals = EXCLUDED.refusals, numbers_listed = EXCLUDED.numbers_listed, end_text = EXCLUDED.end_text "
      "RETURNING id",
      {s.startedAt, ended(s.endedAt), clean(s.engine), std::to_string(s.pauseSeconds), std::to_string(s.startLine),
       std::to_string(s.pagesRead), std::to_string(s.refusals), std::to_string(s.numbersListed), ended(s.endText),
       s.runKey, machine_},
      "record the search");
  const std::string searchId(search.text(0, 0));

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
    link_.exec(
        "INSERT INTO sightings(number, seen_at, search_id, keyword, keyword_line, engine, page_url, "
        "page_number, line, skipped, rejected, machine) "
        "SELECT n, $2, $3, $4, $5, $6, $7, $8, ($9::text[])[li], sk, rj, $13 "
        "FROM unnest($1::text[], $10::int[], $11::smallint[], $12::smallint[]) AS t(n, li, sk, rj)",
        {textArray(sightingNumbers), p.seenAt, searchId, clean(p.keyword), std::to_string(p.keywordLine),
         clean(p.engine), clean(p.address), std::to_string(p.pageNumber), lineArray, arrayOf(lineIndex),
         arrayOf(skipped), arrayOf(rejected), machine_},
        "record the page's sightings");

    if (!numbers.empty()) {
      std::vector<std::string_view> keys;
      for (const auto& [number, row] : numbers) keys.push_back(number);
      const std::string keyArray = textArray(keys);
      PgResult held = link_.exec("SELECT number FROM numbers WHERE number = ANY($1::text[])", {keyArray},
                                 "look up the page's numbers");
      std::unordered_set<std::string_view> known;
      for (int i = 0; i < held.rows(); ++i) known.insert(held.text(i, 0));
      // Only a number new to the store is checked: the check is the dearest step.
      std::vector<std::string> valid, kind, region, times, firstLine;
      for (const auto& [number, row] : numbers) {
        if (known.contains(number)) {
          valid.emplace_back("NULL");
          kind.emplace_back("NULL");
          region.emplace_back();
        } else {
          const harvest::NumberCheck check = harvest::checkMainlandNumber(number);
          valid.emplace_back(check.valid ? "1" : "0");
          kind.emplace_back(files::store::storeKindText(check.kind));
          region.emplace_back(check.region);
        }
        times.push_back(std::to_string(row.times));
        firstLine.push_back(std::to_string(row.line));
      }
      auto nullable = [](const std::vector<std::string>& v) {
        std::string out = "{";
        for (std::size_t i = 0; i < v.size(); ++i) out += (i ? "," : "") + (v[i] == "NULL" ? v[i] : '"' + v[i] + '"');
        return out + "}";
      };
      link_.exec(
          "INSERT INTO numbers AS o(number, valid, kind, region, first_seen, last_seen, times_seen, "
          "first_search_id, first_keyword, first_engine, first_page_url, source_line) "
          "SELECT n, v, k, r, $6, $6, c, $7, $8, $9, $10, ($11::text[])[li] "
          "FROM unnest($1::text[], $2::smallint[], $3::text[], $4::text[], $5::int[], $12::int[]) "
          "AS t(n, v, k, r, c, li) ORDER BY n "
          "ON CONFLICT (number) DO UPDATE SET last_seen = EXCLUDED.last_seen, "
          "times_seen = o.times_seen + EXCLUDED.times_seen, "
          "first_search_id = coalesce(o.first_search_id, EXCLUDED.first_search_id), "
          "first_keyword = coalesce(o.first_keyword, EXCLUDED.first_keyword), "
          "first_engine = coalesce(o.first_engine, EXCLUDED.first_engine), "
          "first_page_url = coalesce(o.first_page_url, EXCLUDED.first_page_url), "
          "source_line = coalesce(o.source_line, EXCLUDED.source_line)",
          {keyArray, nullable(valid), nullable(kind), arrayOf(region), arrayOf(times), p.seenAt, searchId,
           clean(p.keyword), clean(p.engine), clean(p.address), lineArray, arrayOf(firstLine)},
          "record the page's numbers");
    }
  }
  tx.commit();
  return true;
}

}  // namespace valo::team
