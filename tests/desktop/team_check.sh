#!/usr/bin/env bash
# Team workers without a window on one keyword queue, against a private
# throwaway PostgreSQL server (pg_virtualenv) and the fake engine, whose page
# numbers follow from keyword and page so a page read twice is recognised:
#  1. three workers drain a queue of 30 keywords: each keyword done exactly
#     once, every page's number once in `numbers`, each sighting naming its
#     worker;
#  2. a worker killed with SIGKILL in the middle of a keyword: another takes
#     it once the lease has run out, and no number is missing or listed twice;
#  3. the server stopped and started again during a search: nothing lost,
#     and the worker says so while it lasts.
#
# Usage: team_check.sh <program> <fake_engine_server>   (run by pg_virtualenv)
# Exits 77 (skipped) when no private mount namespace can be made here.
set -euo pipefail
program=$1
engine=$2
[ -n "${PGPORT:-}" ] || { echo "FAIL: run me under pg_virtualenv" >&2; exit 1; }

# shellcheck source=headless_common.sh
source "$(dirname "$0")/headless_common.sh"
declare -A workers=()
stop_workers() {
  for pid in "${workers[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  pg_ctlcluster "$PGVERSION" regress start 2>/dev/null || true
  cleanup
}
trap stop_workers EXIT
export ENGINE_OPTIONS=--numbers-by-page

sql() { psql -X -q -At -d "$db" -c "$1"; }
# A fresh database $1 with the queue of keywords "关键字 1 传真" ... "关键字 $2 传真".
new_queue() {
  db=$1
  createdb "$db"
  make_home "$work/upload-$db"
  for i in $(seq "$2"); do printf '关键字 %d 传真\r\n' "$i"; done | iconv -f UTF-8 -t GBK >"$work/upload-$db/words.txt"
  start_program "$work/upload-$db" --headless --team --connection "dbname=$db" --upload --keywords "$work/upload-$db/words.txt"
  wait_program
  [ "$code" = 0 ] || fail "the upload ended with $code: $(cat "$work/upload-$db/err.log")"
  [ "$(sql "SELECT count(*) FROM keywords WHERE state = 'waiting'")" = "$2" ] || fail "not $2 keywords waiting"
}
# Starts worker $1 (its own program folder) on database $db with the
# further arguments; its pid goes to workers[$1].
start_worker() {
  local name=$1
  shift
  make_home "$work/$name"
  start_program "$work/$name" --headless --team --connection "dbname=$db" --machine "$name" "$@"
  workers[$name]=$app_pid
}
wait_worker() {
  code=0
  wait "${workers[$1]}" || code=$?
  [ "$code" = 0 ] || fail "worker $1 ended with $code: $(tail -20 "$work/$1/err.log")"
}
served() { awk '$1 ~ /^[0-9]+$/ && $3 != "-" {print $3}' "$work/engine.log" | sort -u; }
# Every page's number is in `numbers`, and listed by exactly one sighting.
check_numbers() {
  local pages stored listed_twice
  pages=$(served | wc -l)
  stored=$(sql "SELECT count(*) FROM numbers")
  [ "$pages" = "$stored" ] || fail "$pages numbers served, $stored in numbers: $(cat "$work/engine.log")"
  missing=$(served | while read -r n; do [ "$(sql "SELECT count(*) FROM numbers WHERE number = '$n'")" = 1 ] || echo "$n"; done)
  [ -z "$missing" ] || fail "numbers missing from the store: $missing"
  listed_twice=$(sql "SELECT number FROM sightings WHERE skipped = 0 GROUP BY number HAVING count(*) <> 1")
  [ -z "$listed_twice" ] || fail "numbers listed twice: $listed_twice"
  listed=$(sql "SELECT count(DISTINCT number) FROM sightings WHERE skipped = 0")
  [ "$listed" = "$stored" ] || fail "$listed numbers listed, $stored in numbers"
}

# --- 1. Three workers, thirty keywords ---------------------------------------
start_engine ""
new_queue three 30
begun=$(date +%s)
for w in w1 w2 w3; do start_worker $w --pause 1; done
for w in w1 w2 w3; do wait_worker $w; done
took=$(($(date +%s) - begun))
[ "$(sql "SELECT count(*) FROM keywords WHERE state = 'done' AND takes = 1")" = 30 ] ||
  fail "not every keyword done exactly once: $(sql "SELECT id, state, takes, done_by FROM keywords")"
check_numbers
[ "$(sql "SELECT count(*) FROM sightings WHERE machine NOT IN ('w1', 'w2', 'w3')")" = 0 ] || fail "a sighting names no worker"
[ "$(sql "SELECT count(DISTINCT machine) FROM sightings")" = 3 ] || fail "not every worker recorded"
[ "$(sql "SELECT count(*) FROM keywords k WHERE numbers_found <> (SELECT count(*) FROM sightings s
  JOIN searches r ON r.id = s.search_id WHERE s.skipped = 0 AND r.machine = k.done_by AND s.keyword = k.keyword)")" = 0 ] ||
  fail "a keyword's count differs from its worker's sightings"
echo "three workers: 30 keywords done once each in ${took} s, $(served | wc -l) numbers once each"
sql "SELECT done_by, count(*), sum(numbers_found) FROM keywords GROUP BY done_by ORDER BY done_by" | sed 's/^/  | /'
head -4 "$work/w1/err.log" | sed 's/^/  | w1: /'
tail -1 "$work/w1/err.log" | sed 's/^/  | w1: /'

# --- 2. A worker killed in the middle of a keyword ----------------------------
start_engine ""
new_queue killed 4
# A long pause: a has read and recorded page 1 of its keyword, and waits
# before page 2 when it is killed.
start_worker a --lease 6 --pause 20
for _ in $(seq 600); do
  grep -q '第 1 页' "$work/a/err.log" 2>/dev/null && break
  kill -0 "${workers[a]}" 2>/dev/null || fail "worker a ended early: $(cat "$work/a/err.log")"
  sleep 0.1
done
grep -q '第 1 页' "$work/a/err.log" || fail "worker a read no page: $(cat "$work/a/err.log")"
sleep 1
kill -KILL "${workers[a]}"
wait "${workers[a]}" 2>/dev/null || true
[ "$(sql "SELECT count(*) FROM keywords WHERE state = 'taken' AND taker = 'a'")" = 1 ] || fail "a's keyword is not held by a"
start_worker b --lease 6 --pause 1
wait_worker b
[ "$(sql "SELECT count(*) FROM keywords WHERE state = 'done'")" = 4 ] || fail "not every keyword done after the kill"
[ "$(sql "SELECT takes FROM keywords WHERE id = (SELECT min(id) FROM keywords)")" = 2 ] ||
  fail "the killed worker's keyword was not taken again"
check_numbers
echo "SIGKILL: the keyword was taken again after its lease; nothing missing or listed twice"
grep '第 2 次取' "$work/b/err.log" | sed 's/^/  | b: /'

# --- 3. The server stopped and started during a search ------------------------
start_engine ""
new_queue restart 6
start_worker c --pause 1
for _ in $(seq 600); do
  [ "$(requests)" -ge 3 ] && break
  sleep 0.1
done
pg_ctlcluster "$PGVERSION" regress stop
stopped_at=$(requests)
read_before=$(grep -c '第 . 页' "$work/c/err.log" || true)
# The keyword in hand is read on while the server is away.
for _ in $(seq 300); do
  [ "$(grep -c '第 . 页' "$work/c/err.log" || true)" -gt "$read_before" ] && grep -q '连接失败' "$work/c/err.log" && break
  kill -0 "${workers[c]}" 2>/dev/null || fail "worker c ended while the server was away: $(cat "$work/c/err.log")"
  sleep 0.1
done
[ "$(grep -c '第 . 页' "$work/c/err.log" || true)" -gt "$read_before" ] ||
  fail "the search stood still while the server was away: $(cat "$work/c/err.log")"
sleep 3
pg_ctlcluster "$PGVERSION" regress start
wait_worker c
grep -q '团队服务器连接失败' "$work/c/err.log" || fail "the worker did not say the server was away: $(cat "$work/c/err.log")"
grep -qE '团队服务器已恢复|存储恢复正常' "$work/c/err.log" || fail "the worker did not say the server was back: $(cat "$work/c/err.log")"
[ "$(sql "SELECT count(*) FROM keywords WHERE state = 'done'")" = 6 ] || fail "not every keyword done after the restart"
check_numbers
echo "server restart: $(( $(requests) - stopped_at )) pages read meanwhile, nothing lost"
grep -E '连接失败|已恢复|恢复正常' "$work/c/err.log" | head -4 | sed 's/^/  | c: /'
