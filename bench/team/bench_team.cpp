// The team store on a loopback PostgreSQL server, each figure beside its
// peer in the same run:
//  - taking, renewing and finishing a keyword, beside a bare `SELECT 1`
//    round trip through the same library (the floor of any statement);
//  - recording a page of 50 sightings (the search's row, the sightings, the
//    numbers), beside a plain multi-row INSERT of the same 50 sightings
//    through the same library;
//  - the writer's checks that follow, 50 new numbers at a time, beside the
//    same INSERT.
// Run it under a throwaway server:  pg_virtualenv -v 15 build/bench/team/bench_team
#include <QDateTime>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "files/store/store_batch.h"
#include "team/keyword_queue.h"
#include "team/pg_link.h"
#include "team/team_batch_writer.h"
#include "team/team_schema.h"

using namespace valo;
using Clock = std::chrono::steady_clock;

namespace {

struct Figures {
  double medianMs, p95Ms;
};

Figures timed(int runs, const std::function<void(int)>& step) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = Clock::now();
    step(i);
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms[ms.size() * 95 / 100]};
}

// Two steps taken in turn, run after run, so that a drift of the machine or
// the server (its cache, its WAL, the other programs) falls on both alike.
std::pair<Figures, Figures> timedInTurn(int runs, const std::function<void(int)>& a,
                                        const std::function<void(int)>& b) {
  std::vector<double> ms[2];
  for (int i = 0; i < runs; ++i) {
    for (int k = 0; k < 2; ++k) {
      const auto t0 = Clock::now();
      (k == 0 ? a : b)(i);
      ms[k].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
  }
  Figures out[2];
  for (int k = 0; k < 2; ++k) {
    std::sort(ms[k].begin(), ms[k].end());
    out[k] = {ms[k][ms[k].size() / 2], ms[k][ms[k].size() * 95 / 100]};
  }
  return {out[0], out[1]};
}

void print(const char* what, Figures f, Figures peer) {
  std::printf("%-34s median %6.3f ms  p95 %6.3f ms   peer median %6.3f ms   ratio %.2f\n", what, f.medianMs,
              f.p95Ms, peer.medianMs, f.medianMs / peer.medianMs);
}

std::string number(int page, int i) {
  return "0755-" + std::to_string(20000000 + page * 50 + i);
}

}  // namespace

int main() {
  team::PgLink admin("dbname=postgres");
  admin.exec("DROP DATABASE IF EXISTS bench_team", "drop");
  admin.exec("CREATE DATABASE bench_team", "create");
  team::PgLink link("dbname=bench_team");
  team::createOrMigrateTeam(link);
  constexpr int kRuns = 500;

  std::vector<std::string> words;
  for (int i = 0; i < kRuns; ++i) words.push_back("关键字 " + std::to_string(i) + " 传真");
  team::KeywordQueue queue(link, "bench");
  queue.upload(words, "http://www.baidu.com");
  const Figures floor = timed(kRuns, [&](int) { link.exec("SELECT 1", "round trip"); });
  std::vector<team::TakenKeyword> taken(kRuns);
  const Figures take = timed(kRuns, [&](int i) { taken[i] = *queue.take(60); });
  const Figures renew = timed(kRuns, [&](int i) { queue.renew(taken[i], 60); });
  const Figures finish = timed(kRuns, [&](int i) { queue.finish(taken[i], {2, 2, 0}); });
  std::printf("queue of %d keywords, loopback server (goal: each at most 5 ms)\n", kRuns);
  print("take a keyword", take, floor);
  print("renew its lease", renew, floor);
  print("finish it", finish, floor);

  // Pages of 50 sightings, every number new: the dearest case.
  constexpr int kPages = 200;
  const GbkString line = gbkFromUtf8("深圳某某机械有限公司 电话：0755-12340000 传真：0755-26543210");
  team::TeamBatchWriter writer(link, "bench");
  link.exec("CREATE TABLE plain_sightings (LIKE sightings INCLUDING ALL)", "peer table");
  const std::string utf8Line = utf8FromGbk(line);
  const auto [page, plain] = timedInTurn(kPages, [&](int p) {
    files::store::RecordBatch b;
    b.search.runKey = "bench-run";
    b.search.startedAt = "2026-12-09T10:00:00";
    b.search.engine = "http://www.baidu.com";
    b.hasPage = true;
    b.page = {"深圳 传真", "http://www.baidu.com", "http://www.baidu.com/s?wd=x", "2026-12-09T10:00:05", 1, p + 1};
    for (int i = 0; i < 50; ++i) b.add(number(p, i), line, harvest::Sighting::Listed);
    writer.write(b);
  }, [&](int p) {
    std::string sql =
        "INSERT INTO plain_sightings(number, seen_at, search_id, keyword, keyword_line, engine, page_url, "
        "page_number, line, skipped, rejected, machine) VALUES ";
    std::vector<team::Param> params;
    for (int i = 0; i < 50; ++i) {
      const int at = static_cast<int>(params.size());
      sql += (i ? ",(" : "(");
      for (int c = 1; c <= 12; ++c) sql += "$" + std::to_string(at + c) + (c < 12 ? "," : ")");
      for (const std::string& v : {number(p + kPages, i), std::string("2026-12-09T10:00:05"), std::string("1"),
                                   std::string("深圳 传真"), std::string("1"), std::string("http://www.baidu.com"),
                                   std::string("http://www.baidu.com/s?wd=x"), std::to_string(p + 1), utf8Line,
                                   std::string("0"), std::string("0"), std::string("bench")}) {
        params.emplace_back(v);
      }
    }
    team::PgTransaction tx(link);
    link.exec(sql, params, "plain insert");
    tx.commit();
  });
  // What the writer does after the pages, off their way: the verdicts on
  // the numbers they brought, 50 at a time.
  const Figures checks = timed(kPages, [&](int) { team::checkUncheckedNumbers(link, 50); });
  std::printf("\npages of 50 sightings, every number new (goal: at most 2x the plain INSERT)\n");
  print("record a page (store, numbers)", page, plain);
  print("checks after, 50 numbers", checks, plain);
  admin.exec("SELECT 1", "keep");
  return 0;
}
