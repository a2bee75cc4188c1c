#!/usr/bin/env bash
# Kills the real program in the middle of a search and checks that nothing it
# had found is lost: the search's result file holds exactly the numbers of the
# pages read before the kill, in order, the progress file names the keyword
# that was being searched, so the next start offers it, and the number store
# passes SQLite's integrity check with a sighting of every number read, each
# with its keyword line and page.
#
# The program runs as shipped, on a real X server (Xvfb), with its browser
# sent to the fake engine through Chromium's proxy switch. Its network check
# passes the way it does on a machine with a network: it runs in a private
# mount namespace whose /etc/hosts maps the host name to a LAN address
# (nothing is ever sent there). Search is pressed with real input events
# (xdotool), and the start-line question is answered with Enter.
#
# Usage: kill_check.sh <program> <fake_engine_server>
# Exits 77 (skipped) when no private mount namespace can be made here.
set -euo pipefail
program=$1
engine=$2

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
skip() {
  echo "SKIP: $*"
  exit 77
}
for tool in Xvfb xdotool unshare mount iconv sqlite3; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
done

# The superuser makes the namespace directly; anyone else inside a user
# namespace of their own, where they may mount.
if unshare --mount --propagation private true 2>/dev/null; then
  namespace=(unshare --mount --propagation private)
elif unshare --user --map-root-user --mount true 2>/dev/null; then
  namespace=(unshare --user --map-root-user --mount)
else
  skip "no private mount namespace can be made here (neither as this user nor in a user namespace)"
fi

work=$(mktemp -d)
xvfb_pid=""
engine_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill -KILL -- "-$app_pid" 2>/dev/null || true
  [ -n "$engine_pid" ] && kill "$engine_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=x_server.sh
source "$(dirname "$0")/x_server.sh"
start_xvfb
export DISPLAY=$display

# Two keywords of two pages each; the second page of the second keyword hangs,
# and the program is killed as soon as it has asked for it. The log exists
# before the server starts: a background job's redirection is made in the
# job, so reading a log it creates could come first and, under `set -e`,
# end the check at once.
: >"$work/engine.log"
: >"$work/program.log"
"$engine" 0 Pager,NoPager,Pager,Hang >>"$work/engine.log" 2>&1 &
engine_pid=$!
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/^fake search engine on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/engine.log")
  [ -n "$port" ] && break
  kill -0 "$engine_pid" 2>/dev/null || fail "the fake engine did not start: $(cat "$work/engine.log")"
  sleep 0.1
done
[ -n "$port" ] || fail "the fake engine reported no port"

# The program in a folder of its own, with its two files: the keyword list,
# and a progress file that sets a pause of 1 s and offers line 0.
home=$work/home
mkdir -p "$home/bin" "$home/data" "$home/config" "$home/cache" "$home/runtime"
chmod 700 "$home/runtime"
cp "$program" "$home/bin/valofax"
printf '深圳 机械 传真:\r\n上海 食品 FAX:\r\n' | iconv -f UTF-8 -t GBK >"$home/bin/valofaxbody.ini"
printf 'http://www.baidu.com\r\n-1\r\nqcno\r\n1\r\n' >"$home/bin/valofaxscan.ini"
printf '127.0.0.1 localhost\n192.0.2.10 %s\n' "$(hostname)" >"$work/hosts"

(
  cd "$home"
  export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache \
    XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=xcb QTWEBENGINE_DISABLE_SANDBOX=1 LC_ALL=C.UTF-8 \
    QTWEBENGINE_CHROMIUM_FLAGS="--proxy-server=http://127.0.0.1:$port --disable-gpu --disable-background-networking --disable-component-update --no-first-run"
  # shellcheck disable=SC2016
  exec setsid "${namespace[@]}" sh -c 'mount --bind "$1" /etc/hosts && exec "$2"' sh "$work/hosts" \
    "$home/bin/valofax" >>"$work/program.log" 2>&1
) &
app_pid=$!

window=$(settled_window 'Valo' 60) ||
  fail "no program window appeared: $(tail -5 "$work/program.log")"
sleep 2  # let it paint and settle
# The first toolbar button, 搜索, at the window's top left.
xdotool mousemove --window "$window" 20 15 click 1
question=$(timeout 30 xdotool search --sync --onlyvisible --name '搜索参数设置' | head -1) ||
  fail "the start-line question did not appear"
xdotool windowfocus --sync "$question"
xdotool key --clearmodifiers Return

requests=0
for _ in $(seq 900); do
  requests=$(grep -c '^[0-9]' "$work/engine.log" || true)
  [ "$requests" -ge 4 ] && break
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended early: $(tail -5 "$work/program.log")"
  sleep 0.1
done
[ "$requests" -ge 4 ] || fail "the search made $requests requests, not 4: $(tail -5 "$work/program.log")"
kill -KILL -- "-$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=""

# The numbers of the three pages read, in order, each followed by CR LF.
expected=$(awk '$1 <= 3 {printf "%s\r\n", $3}' "$work/engine.log" | od -An -c)
shopt -s nullglob
files=("$home/bin/搜索结果"/搜索结果-*.txt)
[ ${#files[@]} -eq 1 ] || fail "expected one result file, found ${#files[@]}: ${files[*]:-none}"
[[ $(basename "${files[0]}") =~ ^搜索结果-[0-9]{8}-[0-9]{6}\.txt$ ]] || fail "result file named $(basename "${files[0]}")"
actual=$(od -An -c <"${files[0]}")
[ "$actual" = "$expected" ] || fail "result file holds
$actual
instead of
$expected"

line1=$(sed -n 1p "$home/bin/valofaxscan.ini" | tr -d '\r')
line2=$(sed -n 2p "$home/bin/valofaxscan.ini" | tr -d '\r')
[ "$line1" = "http://www.baidu.com" ] || fail "progress file line 1 is '$line1'"
[ "$line2" = "1" ] || fail "progress file line 2 is '$line2', not the interrupted keyword 1"

store=$home/bin/valofaxnumbers.db
[ -f "$store" ] || fail "no number store at $store"
integrity=$(sqlite3 "$store" "PRAGMA integrity_check")
[ "$integrity" = "ok" ] || fail "the number store's integrity check says: $integrity"
expected=$(awk '$1 <= 3 {print $3}' "$work/engine.log")
stored=$(sqlite3 "$store" "SELECT number FROM sightings WHERE skipped = 0 ORDER BY id")
[ "$stored" = "$expected" ] || fail "the number store holds sightings of
$stored
instead of
$expected"
places=$(sqlite3 "$store" "SELECT keyword_line || ' ' || page_number FROM sightings ORDER BY id" | tr '\n' ,)
[ "$places" = "1 1,1 2,2 1," ] || fail "the sightings were read at keyword line and page $places"
pages=$(sqlite3 "$store" "SELECT pages_read FROM searches")
[ "$pages" = "3" ] || fail "the search's row says $pages pages read, not 3"

echo "killed after request 4: $(basename "${files[0]}") holds the 3 numbers read; the progress file names keyword 1;" \
  "the number store is whole and holds the 3 sightings"
echo "kill: 1 passed, 0 failed"
