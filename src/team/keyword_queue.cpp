// See keyword_queue.h. A take locks one open row with SKIP LOCKED, so that
// machines taking at the same moment never wait for each other nor take the
// same keyword; every lease gets a fresh token, so a machine whose lease ran
// out and was taken over can no longer renew or release what it held.
#include "team/keyword_queue.h"

#include "team/team_schema.h"

namespace valo::team {
namespace {

std::string seconds(int n) {
  return std::to_string(n);
}

}  // namespace

std::int64_t KeywordQueue::upload(const std::vector<std::string>& keywords, const std::string& engine) {
  std::vector<std::string_view> kept;
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < keywords.size(); ++i) {
    if (keywords[i].find_first_not_of(" \t\r") == std::string::npos) continue;
    kept.push_back(keywords[i]);
    lines.push_back(std::to_string(i + 1));
  }
  if (kept.empty()) return 0;
  std::vector<std::string_view> lineViews(lines.begin(), lines.end());
  PgResult r = link_.exec(
      "INSERT INTO keywords(keyword, engine, list_line) "
      "SELECT k, $2, l FROM unnest($1::text[], $3::int[]) WITH ORDINALITY AS t(k, l, n) ORDER BY n",
      {textArray(kept), engine, textArray(lineViews)}, "put the keywords on the team's queue");
  return r.changed();
}

std::optional<TakenKeyword> KeywordQueue::take(int leaseSeconds) {
  PgResult r = link_.exec(
      "UPDATE keywords SET state = 'taken', taker = $1, lease_token = nextval('lease_tokens'), "
      "lease_until = now() + $2 * interval '1 second', takes = takes + 1 "
      "WHERE id = (SELECT id FROM keywords "
      "            WHERE state = 'waiting' OR (state = 'taken' AND lease_until < now()) "
      "            ORDER BY id FOR UPDATE SKIP LOCKED LIMIT 1) "
      "RETURNING id, keyword, engine, list_line, lease_token, takes",
      {machine_, seconds(leaseSeconds)}, "take a keyword from the team's queue");
  if (r.rows() == 0) return std::nullopt;
  TakenKeyword t;
  t.id = r.integer(0, 0);
  t.keyword = std::string(r.text(0, 1));
  t.engine = std::string(r.text(0, 2));
  t.listLine = static_cast<std::int32_t>(r.integer(0, 3));
  t.leaseToken = r.integer(0, 4);
  t.takes = static_cast<std::int32_t>(r.integer(0, 5));
  return t;
}

bool KeywordQueue::renew(const TakenKeyword& taken, int leaseSeconds) {
  PgResult r = link_.exec(
      "UPDATE keywords SET lease_until = now() + $3 * interval '1 second' "
      "WHERE id = $1 AND lease_token = $2 AND state = 'taken'",
      {std::to_string(taken.id), std::to_string(taken.leaseToken), seconds(leaseSeconds)},
      "renew the lease of a keyword");
  return r.changed() == 1;
}

bool KeywordQueue::finish(const TakenKeyword& taken, const KeywordResult& result) {
  // Done is done, whoever read it: a machine that lost its lease but read
  // the keyword to its end has done the work the queue asked for.
  PgResult r = link_.exec(
      "UPDATE keywords SET state = 'done', done_by = $2, done_at = now(), lease_until = NULL, "
      "numbers_found = $3, pages_read = $4, refusals = $5 WHERE id = $1 AND state <> 'done'",
      {std::to_string(taken.id), machine_, std::to_string(result.numbersFound), std::to_string(result.pagesRead),
       std::to_string(result.refusals)},
      "mark a keyword done");
  return r.changed() == 1;
}

void KeywordQueue::release(const TakenKeyword& taken) {
  link_.exec(
      "UPDATE keywords SET state = 'waiting', taker = NULL, lease_until = NULL "
      "WHERE id = $1 AND lease_token = $2 AND state = 'taken'",
      {std::to_string(taken.id), std::to_string(taken.leaseToken)}, "give a keyword back to the queue");
}

QueueCounts KeywordQueue::counts() {
  PgResult r = link_.exec(
      "SELECT count(*) FILTER (WHERE state = 'waiting' OR (state = 'taken' AND lease_until < now())), "
      "count(*) FILTER (WHERE state = 'taken' AND lease_until >= now()), "
      "count(*) FILTER (WHERE state = 'done'), coalesce(sum(numbers_found), 0) FROM keywords",
      "count the team's queue");
  return {r.integer(0, 0), r.integer(0, 1), r.integer(0, 2), r.integer(0, 3)};
}

namespace {

// The rows as the window shows them: a keyword whose lease ran out is
// waiting again, and a done keyword names the machine that did it.
std::vector<QueueRow> readRows(PgLink& link, const std::string& order, int offset, int limit) {
  PgResult r = link.exec(
      "SELECT id, keyword, engine, CASE WHEN state = 'taken' AND lease_until < now() THEN 'waiting' "
      "ELSE state END, coalesce(CASE WHEN state = 'done' THEN done_by ELSE taker END, ''), takes, "
      "numbers_found FROM keywords ORDER BY " + order + " OFFSET $1 LIMIT $2",
      {std::to_string(offset), std::to_string(limit)}, "read the team's queue");
  std::vector<QueueRow> out;
  for (int i = 0; i < r.rows(); ++i) {
    QueueRow row;
    row.id = r.integer(i, 0);
    row.keyword = std::string(r.text(i, 1));
    row.engine = std::string(r.text(i, 2));
    row.state = std::string(r.text(i, 3));
    row.taker = std::string(r.text(i, 4));
    row.takes = static_cast<std::int32_t>(r.integer(i, 5));
    if (!r.isNull(i, 6)) row.numbersFound = static_cast<std::int32_t>(r.integer(i, 6));
    out.push_back(std::move(row));
  }
  return out;
}

}  // namespace

std::vector<QueueRow> KeywordQueue::rows(int offset, int limit) {
  return readRows(link_, "id", offset, limit);
}

std::vector<QueueRow> KeywordQueue::openFirst(int limit) {
  return readRows(link_, "state = 'done', CASE WHEN state <> 'done' THEN id END, done_at DESC, id", 0, limit);
}

bool KeywordQueue::anythingOpen() {
  PgResult r = link_.exec("SELECT EXISTS (SELECT 1 FROM keywords WHERE state <> 'done')",
                          "look for open keywords on the team's queue");
  return r.text(0, 0) == "t";
}

std::int64_t uploadToQueue(const std::string& conninfo, const std::string& machine,
                           const std::vector<std::string>& keywords, const std::string& engine) {
  PgLink link(conninfo);
  createOrMigrateTeam(link);
  return KeywordQueue(link, machine).upload(keywords, engine);
}

}  // namespace valo::team
