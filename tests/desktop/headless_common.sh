# The program without a window as the desktop checks run it: a private
# mount namespace whose /etc/hosts maps the host name to a LAN address (so
# the network check passes), the fake engine behind Chromium's proxy switch,
# and a program folder of its own per run. Sourced by the checks; they set
# `program` and `engine` first.
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
skip() {
  echo "SKIP: $*"
  exit 77
}
for tool in Xvfb xdotool unshare mount iconv sqlite3 mkfifo; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
done
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
  [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null || true
  [ -n "$engine_pid" ] && kill "$engine_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# shellcheck source=x_server.sh
source "$(dirname "${BASH_SOURCE[0]}")/x_server.sh"
printf '127.0.0.1 localhost\n192.0.2.10 %s\n' "$(hostname)" >"$work/hosts"

# A fresh fake engine serving the modes $1 (empty: two pages a keyword), its
# standard input on the fifo $work/release (a line lets a held page go);
# ENGINE_OPTIONS go before its port.
start_engine() {
  [ -n "$engine_pid" ] && kill "$engine_pid" 2>/dev/null && wait "$engine_pid" 2>/dev/null || true
  rm -f "$work/release"
  mkfifo "$work/release"
  : >"$work/engine.log"
  # shellcheck disable=SC2086
  "$engine" ${ENGINE_OPTIONS:-} 0 $1 <"$work/release" >>"$work/engine.log" 2>&1 &
  engine_pid=$!
  exec 7>"$work/release"
  port=""
  for _ in $(seq 100); do
    port=$(sed -n 's/^fake search engine on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/engine.log")
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || fail "the fake engine did not start: $(cat "$work/engine.log")"
}
requests() { grep -c '^[0-9]' "$work/engine.log" || true; }

# A program folder $1 with the two keywords and a progress file (pause 1 s).
make_home() {
  local home=$1
  mkdir -p "$home/bin" "$home/data" "$home/config" "$home/cache" "$home/runtime"
  chmod 700 "$home/runtime"
  cp "$program" "$home/bin/valofax"
  printf '深圳 机械 传真:\r\n上海 食品 FAX:\r\n' | iconv -f UTF-8 -t GBK >"$home/bin/valofaxbody.ini"
  printf 'http://www.baidu.com\r\n-1\r\nqcno\r\n1\r\n' >"$home/bin/valofaxscan.ini"
}

# Starts the program of folder $1 in the background with the arguments that
# follow; its standard error goes to $1/err.log, its pid to app_pid.
start_program() {
  local home=$1
  shift
  (
    cd "$home"
    unset DISPLAY WAYLAND_DISPLAY
    export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache \
      XDG_RUNTIME_DIR=$home/runtime QTWEBENGINE_DISABLE_SANDBOX=1 LC_ALL=C.UTF-8 \
      QTWEBENGINE_CHROMIUM_FLAGS="--proxy-server=http://127.0.0.1:$port --disable-gpu --disable-background-networking --disable-component-update --no-first-run"
    [ -n "${WINDOW_DISPLAY:-}" ] && export DISPLAY=$WINDOW_DISPLAY QT_QPA_PLATFORM=xcb
    # shellcheck disable=SC2016
    exec "${namespace[@]}" sh -c 'mount --bind "$1" /etc/hosts && shift && exec "$@"' sh "$work/hosts" \
      "$home/bin/valofax" "$@" 2>>"$home/err.log"
  ) &
  app_pid=$!
}
# Waits for the program to end; its exit code in `code`.
wait_program() {
  code=0
  wait "$app_pid" || code=$?
  app_pid=""
}
fingerprint() { (cd "$1" && find . -type f -printf '%p %s %T@\n' | sort && cat bin/*.ini | md5sum); }

