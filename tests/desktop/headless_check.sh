#!/usr/bin/env bash
# The program without a window, as shipped, with DISPLAY and WAYLAND_DISPLAY
# unset:
#  1. bad arguments: one line naming the fault, exit code 2, no file touched;
#  2. SIGTERM while a page is on its way: that page is read and kept, the run
#     ends with exit code 3, and the next run finishes the list from there;
#  3. the same two keywords searched once without a window and once through
#     the window (on Xvfb, Search pressed with xdotool) give the same result
#     file, progress file and store rows, times aside.
# The browser goes to the fake engine through Chromium's proxy switch; the
# network check passes in a private mount namespace whose /etc/hosts maps the
# host name to a LAN address, as in the kill check.
#
# Usage: headless_check.sh <program> <fake_engine_server>
# Exits 77 (skipped) when no private mount namespace can be made here.
set -euo pipefail
program=$1
engine=$2

# shellcheck source=headless_common.sh
source "$(dirname "$0")/headless_common.sh"

# --- 1. Bad arguments -----------------------------------------------------
start_engine ""
home=$work/args
make_home "$home"
before=$(fingerprint "$home")
while IFS='|' read -r arguments named; do
  : >"$home/err.log"
  # shellcheck disable=SC2086
  start_program "$home" --headless $arguments
  wait_program
  [ "$code" = 2 ] || fail "'$arguments' ended with $code, not 2: $(cat "$home/err.log")"
  lines=$(grep -vc '^QStandardPaths' "$home/err.log" || true)
  [ "$lines" = 1 ] || fail "'$arguments' wrote $lines lines: $(cat "$home/err.log")"
  grep -q -- "^valofax: .*$named" "$home/err.log" || fail "'$arguments' does not name $named: $(cat "$home/err.log")"
  rm "$home/err.log"
  [ "$(fingerprint "$home")" = "$before" ] || fail "'$arguments' touched a file"
done <<'TABLE'
--frobnicate|--frobnicate
--pause 0|--pause
--pause soon|--pause
--pause|--pause
--start -1|--start
--keywords /nonexistent/keywords.txt|--keywords
--engine http://engine.invalid|--engine
--json=yes|--json
TABLE
[ "$(requests)" = 0 ] || fail "a bad command line searched"
echo "bad arguments: each one line and exit code 2, no file touched"

# --- 2. SIGTERM while a page is on its way; the next run finishes ----------
start_engine Pager,Held
home=$work/term
make_home "$home"
start_program "$home" --headless
for _ in $(seq 600); do
  [ "$(requests)" -ge 2 ] && break
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended early: $(cat "$home/err.log")"
  sleep 0.1
done
[ "$(requests)" -ge 2 ] || fail "no second request: $(cat "$home/err.log")"
kill -TERM "$app_pid"
sleep 1
echo >&7  # the held page comes now
wait_program
[ "$code" = 3 ] || fail "SIGTERM ended the run with $code, not 3: $(cat "$home/err.log")"
grep -q '退出码 3' "$home/err.log" || fail "no end line: $(cat "$home/err.log")"
results=("$home/bin/搜索结果"/搜索结果-*.txt)
first=$(tr -d '\r' <"${results[0]}" | tr '\n' ' ')
[ "$first" = "020-88000000 020-88000001 " ] || fail "the stopped run kept '$first'"
line2=$(sed -n 2p "$home/bin/valofaxscan.ini" | tr -d '\r')
# The position is the keyword being searched when the signal came.
[ "$line2" = 0 ] || fail "progress file line 2 is '$line2', not keyword 1"
start_program "$home" --headless
wait_program
[ "$code" = 0 ] || fail "the restart ended with $code: $(cat "$home/err.log")"
words=$(awk '$1 > 2 {print $2}' "$work/engine.log" | grep -c 'word=%C9%CF%BA%A3' || true)
[ "$words" = 2 ] || fail "the restart did not search keyword 2's two pages: $(cat "$work/engine.log")"
stored=$(sqlite3 "$home/bin/valofaxnumbers.db" "SELECT count(*) FROM sightings")
# Every page read by either run, the one stopped included, is in the store.
[ "$stored" = "$(requests)" ] || fail "the store holds $stored sightings for $(requests) pages read"
echo "SIGTERM: exit 3 with the page in hand kept; the restart searched keyword 2"
sed 's/^/  | /' "$home/err.log" | grep -v 'QStandardPaths'

# --- 3. The same search without and with a window --------------------------
rows() {
  local db=$1/bin/valofaxnumbers.db
  sqlite3 "$db" "SELECT engine, pause_seconds, start_line, pages_read, refusals, numbers_listed, end_text FROM searches;
    SELECT number, keyword, keyword_line, engine, page_url, page_number, line, skipped, rejected FROM sightings ORDER BY id;
    SELECT number, valid, kind, region, times_seen, first_keyword, first_engine, first_page_url FROM numbers ORDER BY number"
}
result_of() { cat "$1/bin/搜索结果"/搜索结果-*.txt; }
start_engine ""
make_home "$work/cli"
start_program "$work/cli" --headless --json
wait_program
[ "$code" = 0 ] || fail "the run without a window ended with $code: $(cat "$work/cli/err.log")"
# Under --json every line of the log is one object, the browser's own too.
stray=$(grep -v '^{".*}$' "$work/cli/err.log" | grep -v '^QStandardPaths' || true)
[ -z "$stray" ] || fail "lines of the JSON log that are no objects: $stray"
[ "$(grep -c '"event":"page"' "$work/cli/err.log")" = 4 ] || fail "not four page lines: $(cat "$work/cli/err.log")"

start_engine ""
make_home "$work/win"
start_xvfb
WINDOW_DISPLAY=$display start_program "$work/win"
window=$(settled_window 'Valo' 60) || fail "no program window appeared: $(tail -5 "$work/win/err.log")"
sleep 1
DISPLAY=$display xdotool mousemove --window "$window" 20 15 click 1
question=$(DISPLAY=$display timeout 30 xdotool search --sync --onlyvisible --name '搜索参数设置' | head -1) ||
  fail "the start-line question did not appear"
DISPLAY=$display xdotool windowfocus --sync "$question"
DISPLAY=$display xdotool key --clearmodifiers Return
ended=""
for _ in $(seq 600); do
  ended=$(sqlite3 -cmd ".timeout 2000" "$work/win/bin/valofaxnumbers.db" "SELECT ended_at FROM searches" 2>/dev/null || true)
  [ -n "$ended" ] && break
  sleep 0.2
done
[ -n "$ended" ] || fail "the window's search did not end: $(tail -5 "$work/win/err.log")"
kill -TERM "$app_pid"
wait_program

cmp <(result_of "$work/cli") <(result_of "$work/win") || fail "the result files differ"
cmp "$work/cli/bin/valofaxscan.ini" "$work/win/bin/valofaxscan.ini" || fail "the progress files differ"
[ "$(rows "$work/cli")" = "$(rows "$work/win")" ] || fail "the store rows differ:
$(diff <(rows "$work/cli") <(rows "$work/win"))"
[ "$(result_of "$work/cli" | wc -l)" = 4 ] || fail "the search listed $(result_of "$work/cli" | wc -l) numbers, not 4"
echo "without and with a window: the same result file, progress file and store rows"
echo "headless: 1 passed, 0 failed"
