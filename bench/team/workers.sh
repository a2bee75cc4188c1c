#!/usr/bin/env bash
# Team workers on one queue against the fake engine with the pause at 1 s,
# as users run it: 1, 2 and 4 workers drain a queue of KEYWORDS keywords
# (default 24), each count on a fresh database; prints keywords per minute
# and the speed-up over one worker.
#
# Usage (a throwaway server around it):
#   pg_virtualenv -v 15 bash bench/team/workers.sh build/src/app/valofax build/tests/support/fake_engine_server [KEYWORDS]
set -euo pipefail
program=$1
engine=$2
keywords=${3:-24}
[ -n "${PGPORT:-}" ] || { echo "run me under pg_virtualenv" >&2; exit 1; }
# shellcheck source=../../tests/desktop/headless_common.sh
source "$(dirname "$0")/../../tests/desktop/headless_common.sh"
export ENGINE_OPTIONS=--numbers-by-page
start_engine ""

one=""
printf '%-8s %10s %14s %9s\n' workers seconds keywords/min speed-up
for n in 1 2 4; do
  db=bench_workers_$n
  dropdb --if-exists "$db" 2>/dev/null
  createdb "$db"
  make_home "$work/up$n"
  for i in $(seq "$keywords"); do printf '关键字 %d 传真\r\n' "$i"; done | iconv -f UTF-8 -t GBK >"$work/up$n/words.txt"
  start_program "$work/up$n" --headless --team --connection "dbname=$db" --upload --keywords "$work/up$n/words.txt"
  wait_program
  [ "$code" = 0 ] || fail "upload: $(cat "$work/up$n/err.log")"
  pids=()
  begun=$(date +%s%N)
  for w in $(seq "$n"); do
    make_home "$work/w$n-$w"
    start_program "$work/w$n-$w" --headless --team --connection "dbname=$db" --machine "w$w" --pause 1
    pids+=("$app_pid")
  done
  for pid in "${pids[@]}"; do wait "$pid" || fail "a worker failed"; done
  ended=$(date +%s%N)
  awk -v n="$n" -v ns=$((ended - begun)) -v k="$keywords" -v one="$one" 'BEGIN {
    s = ns / 1e9; rate = k * 60 / s; if (one == "") one = rate
    printf "%-8s %10.1f %14.1f %8.2fx\n", n, s, rate, rate / one }'
  [ -z "$one" ] && one=$(awk -v ns=$((ended - begun)) -v k="$keywords" 'BEGIN { print k * 60 / (ns / 1e9) }')
done
