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
