#!/usr/bin/env bash
# Runs a command on a fresh X server (Xvfb) under a real window manager
# (openbox) and with no notification area: neither an XEmbed tray nor a
# session bus on which a StatusNotifierItem host could answer. That is the
# bare desktop on which a program that hides itself into the tray is lost.
# Usage: with_openbox.sh <command> [arguments...]
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in Xvfb openbox xprop xdotool wmctrl; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
done

work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=x_server.sh
source "$(dirname "$0")/x_server.sh"
start_xvfb
export DISPLAY=$display

# No session bus, and the window manager's own settings only.
unset DBUS_SESSION_BUS_ADDRESS
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
# The window manager is up once it names itself on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  kill -0 "$wm_pid" 2>/dev/null || fail "openbox did not start: $(cat "$work/openbox.log")"
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || fail "openbox did not take the screen"

export QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
exit "$status"
