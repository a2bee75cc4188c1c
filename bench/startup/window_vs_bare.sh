#!/usr/bin/env bash
# Start-up of the program's main window with a big number store beside a
# bare Qt WebEngine program that shows one browser view
# (bench_bare_webengine), on the same Xvfb in one run, taken in turn: each
# from exec to its window mapped, in one home that both have started in
# once before (a user's daily start, not the very first). Prints the mean
# and the median of both and their ratios.
# Usage: bench/startup/window_vs_bare.sh [build folder=build] [runs=5] [store]
#   store  a number store to start with, linked into the program's folder
#          as valofaxnumbers.db (SQLite follows the link, so its journal
#          stays beside the store itself; the one bench_store generates:
#          /tmp/valo-bench-store-10000000.db); default: none, a fresh start
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
store=${3:-}
work=$(mktemp -d)
xvfb_pid="" app_pid=""
cleanup() {
  for p in $app_pid $xvfb_pid; do kill -9 "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>display 2>/dev/null &
xvfb_pid=$!
while [ ! -s display ]; do sleep 0.1; done
display=:$(tr -d '\n' <display)

# One home for all runs, as a user's: the first start of each program (its
# browser profile, the program's files) is made before the timed runs.
mkdir -p h/bin h/rt && chmod 700 h/rt
cp "$build/src/app/valofax" "$build/bench/startup/bench_bare_webengine" h/bin/
# The same file, not a copy of gigabytes; the program may add to it.
if [ -n "$store" ]; then ln -s "$(realpath "$store")" h/bin/valofaxnumbers.db; fi
now() { date +%s.%N; }
# Starts a program and waits for its visible window named $1; prints seconds.
shown_after() {
  local name=$1
  shift
  local t0
  t0=$(now)
  HOME=$work/h XDG_RUNTIME_DIR=$work/h/rt QTWEBENGINE_DISABLE_SANDBOX=1 LC_ALL=C.UTF-8 DISPLAY=$display \
    QT_QPA_PLATFORM=xcb QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu" "$@" 2>"$work/app.log" &
  app_pid=$!
  # xdotool's own --sync looks only every half second.
  until DISPLAY=$display xdotool search --onlyvisible --name "$name" >/dev/null 2>&1; do
    if ! kill -0 "$app_pid" 2>/dev/null; then
      wait "$app_pid" && status=0 || status=$?
      echo "$1 ended with status $status before its window showed:" >&2
      grep -v '^$' "$work/app.log" | head -3 >&2
      echo failed
      return
    fi
    sleep 0.01
  done
  echo "$(now) - $t0" | bc
  kill -9 "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}
if [ -n "$store" ]; then
  echo "store: $store, $(sqlite3 "$store" 'SELECT count(*) FROM numbers' 2>/dev/null || echo '?') numbers"
else
  echo "store: none (a first start)"
fi
window_total=0 bare_total=0 windows=() bares=()
shown_after Bare h/bin/bench_bare_webengine >/dev/null
shown_after Valo h/bin/valofax >/dev/null
# Now and then Qt cannot open the display at all ("could not load the Qt
# platform plugin xcb"), whichever program it is; such a run is taken again.
failures=0
run_pair() {
  bare=$(shown_after Bare h/bin/bench_bare_webengine)
  window=$(shown_after Valo h/bin/valofax)
  [ "$bare" != failed ] && [ "$window" != failed ]
}
for run in $(seq "$runs"); do
  until run_pair; do
    failures=$((failures + 1))
    [ $failures -le 10 ] || { echo "too many failed starts" >&2; exit 1; }
  done
  printf 'run %d: bare QWebEngineView %.2f s, main window %.2f s\n' "$run" "$bare" "$window"
  bares+=("$bare") windows+=("$window")
  bare_total=$(echo "$bare_total + $bare" | bc)
  window_total=$(echo "$window_total + $window" | bc)
done
printf 'mean of %d: main window %.2f s, bare QWebEngineView %.2f s, ratio %.2f\n' "$runs" \
  "$(echo "$window_total / $runs" | bc -l)" "$(echo "$bare_total / $runs" | bc -l)" \
  "$(echo "$window_total / $bare_total" | bc -l)"
[ $failures -eq 0 ] || echo "runs taken again after a failed start: $failures"
median() { printf '%s\n' "$@" | sort -n | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }
window_median=$(median "${windows[@]}") bare_median=$(median "${bares[@]}")
printf 'median of %d: main window %.2f s, bare QWebEngineView %.2f s, ratio %.2f\n' "$runs" \
  "$window_median" "$bare_median" "$(echo "$window_median / $bare_median" | bc -l)"
