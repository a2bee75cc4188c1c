# Sourced by the desktop checks: starts a private X server (Xvfb) on a free
# display chosen by the server itself. Needs `work` (a scratch folder) and a
# `fail` function; sets `display` and `xvfb_pid` (the caller ends the server).
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
  done
  display=:$(tr -d '\n' <"$work/display")
  [ "$display" != ":" ] || fail "Xvfb reported no display"
}

# The id of the visible top-level window whose name matches $1, once it has
# stayed the same for a second: Qt WebEngine makes the main window over again
# with a surface it can draw into shortly after the first show, and the id
# seen before that names a window that is gone. $2: seconds to wait at most.
# Needs `display`; prints the id or nothing.
settled_window() {
  local pattern=$1 limit=${2:-60} last="" same=0 id
  for _ in $(seq $((limit * 4))); do
    id=$(DISPLAY=$display timeout 5 xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1 || true)
    if [ -n "$id" ] && [ "$id" = "$last" ]; then
      same=$((same + 1))
      [ "$same" -ge 4 ] && { echo "$id"; return 0; }
    else
      same=0
    fi
    last=$id
    sleep 0.25
  done
  return 1
}
