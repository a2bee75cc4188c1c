#!/usr/bin/env bash
# Start-up of the program without a window beside the window's, on the same
# build in one run: the headless program from exec to its first request at
# the fake engine, the window from exec to its mapped main window on Xvfb.
# Prints both and their ratio. Needs the build's valofax and
# fake_engine_server, Xvfb, xdotool and a private mount namespace (the
# network check passes there as in the desktop checks).
# Usage: bench/startup/headless_vs_window.sh [build folder=build] [runs=3]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
work=$(mktemp -d)
engine_pid="" xvfb_pid="" app_pid=""
cleanup() {
  for p in $app_pid $engine_pid $xvfb_pid; do kill -9 "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
printf '127.0.0.1 localhost\n192.0.2.10 %s\n' "$(hostname)" >hosts
"$build/tests/support/fake_engine_server" 0 >engine.log 2>&1 </dev/null &
engine_pid=$!
port=""
while [ -z "$port" ]; do
  sleep 0.1
  port=$(sed -n 's/^fake search engine on 127\.0\.0\.1:\([0-9]*\)$/\1/p' engine.log)
done
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>display 2>/dev/null &
xvfb_pid=$!
while [ ! -s display ]; do sleep 0.1; done
display=:$(tr -d '\n' <display)

fresh_home() {
  rm -rf h && mkdir -p h/bin h/rt && chmod 700 h/rt
  cp "$build/src/app/valofax" h/bin/
  printf 'a fax\r\n' >h/bin/valofaxbody.ini
}
now() { date +%s.%N; }
headless_total=0 window_total=0
for run in $(seq "$runs"); do
  fresh_home
  before=$(grep -c '^[0-9]' engine.log || true)
  t0=$(now)
  HOME=$work/h XDG_RUNTIME_DIR=$work/h/rt QTWEBENGINE_DISABLE_SANDBOX=1 LC_ALL=C.UTF-8 \
    QTWEBENGINE_CHROMIUM_FLAGS="--proxy-server=http://127.0.0.1:$port --disable-gpu" \
    env -u DISPLAY -u WAYLAND_DISPLAY unshare --mount --propagation private \
    sh -c 'mount --bind hosts /etc/hosts && exec h/bin/valofax --headless --pause 1' 2>/dev/null &
  app_pid=$!
  while [ "$(grep -c '^[0-9]' engine.log || true)" = "$before" ]; do sleep 0.01; done
  headless=$(echo "$(now) - $t0" | bc)
  kill -9 "$app_pid"; wait "$app_pid" 2>/dev/null || true

  fresh_home
  t0=$(now)
  HOME=$work/h XDG_RUNTIME_DIR=$work/h/rt QTWEBENGINE_DISABLE_SANDBOX=1 LC_ALL=C.UTF-8 DISPLAY=$display \
    QT_QPA_PLATFORM=xcb QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu" h/bin/valofax 2>/dev/null &
  app_pid=$!
  # xdotool's own --sync looks only every half second.
  until DISPLAY=$display xdotool search --onlyvisible --name Valo >/dev/null 2>&1; do sleep 0.01; done
  window=$(echo "$(now) - $t0" | bc)
  kill -9 "$app_pid"; wait "$app_pid" 2>/dev/null || true
  app_pid=""
  printf 'run %d: headless to its first request %.2f s, window shown %.2f s\n' "$run" "$headless" "$window"
  headless_total=$(echo "$headless_total + $headless" | bc)
  window_total=$(echo "$window_total + $window" | bc)
done
printf 'mean of %d: headless %.2f s, window %.2f s, ratio headless/window %.2f\n' "$runs" \
  "$(echo "$headless_total / $runs" | bc -l)" "$(echo "$window_total / $runs" | bc -l)" \
  "$(echo "$headless_total / $window_total" | bc -l)"
