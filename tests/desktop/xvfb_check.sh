#!/usr/bin/env bash
# Starts the real program on a real X server (Xvfb, no window manager), finds
# its main window, takes a screenshot and checks the window's size and that
# its Chinese captions are drawn with a CJK font. The proof for the captions:
# the same window drawn a second time with only a Latin font available (where
# CJK characters can only come out as boxes or blanks) must look different
# in the caption areas, and the real caption areas must carry ink.
# Usage: xvfb_check.sh <program> [folder for the screenshots]
set -euo pipefail
program=$1
out=${2:-.}

fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in Xvfb xwininfo xdotool import convert compare fc-list; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  # The program runs in a process group of its own: end it with its helpers.
  [ -n "$app_pid" ] && kill -- "-$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The window font's stand-ins for 宋体 must be installed with Chinese coverage.
fc-list ':lang=zh-cn' family | grep -qE 'AR PL UMing|WenQuanYi Zen Hei' ||
  fail "no CJK stand-in for 宋体 (AR PL UMing / WenQuanYi Zen Hei) is installed"

# shellcheck source=x_server.sh
source "$(dirname "$0")/x_server.sh"
start_xvfb

# One run of the program from a folder of its own (so that it finds no keyword
# or progress file and writes none into the build), with a fresh home.
# $1: name of the run, $2: fontconfig file or "" for the machine's fonts.
# Leaves the window's id in $window and the screenshot in $work/$1.png.
run_program() {
  local name=$1 fonts=$2 home=$work/$1
  mkdir -p "$home/bin" "$home/data" "$home/config" "$home/cache" "$home/runtime"
  chmod 700 "$home/runtime"
  cp "$program" "$home/bin/valofax"
  (
    cd "$home"
    export DISPLAY=$display HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config \
      XDG_CACHE_HOME=$home/cache XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=xcb \
      QTWEBENGINE_DISABLE_SANDBOX=1 LC_ALL=C.UTF-8 \
      QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --disable-background-networking --disable-component-update --no-first-run"
    [ -n "$fonts" ] && export FONTCONFIG_FILE=$fonts
    exec setsid "$home/bin/valofax" >"$home/out.log" 2>&1
  ) &
  app_pid=$!
  window=$(settled_window '^『Valo传真搜索』V2\.1' 60 || true)
  [ -n "$window" ] || fail "$name: no window named 『Valo传真搜索』V2.1… appeared: $(tail -5 "$home/out.log")"
  xwininfo -display "$display" -id "$window" >"$home/info"
  grep -q 'Map State: IsViewable' "$home/info" || fail "$name: the window is not shown"
  # Give the window time to paint, then take the picture.
  sleep 3
  # The screenshot grabs the server; bounded, so a window gone meanwhile
  # fails the check instead of hanging it.
  timeout 30 import -display "$display" -window "$window" "$work/$name.png" ||
    fail "$name: no screenshot of window $window"
  kill -- "-$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}

# Run 1: the machine's fonts.
run_program real ""
width=$(awk '/ Width:/ {print $2}' "$work/real/info")
height=$(awk '/ Height:/ {print $2}' "$work/real/info")
[ "$width x $height" = "567 x 409" ] || fail "window is $width x $height, not 567 x 409"
name=$(awk -F'"' '/ Window id: / {print $2; exit}' "$work/real/info")

# Run 2: only the DejaVu faces, which have no CJK glyphs.
latin=$(dirname "$(fc-match -f '%{file}' 'DejaVu Sans')")
cat >"$work/latin-fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>$latin</dir>
  <cachedir>$work/fc-cache</cachedir>
</fontconfig>
CONF
run_program latin "$work/latin-fonts.conf"

mkdir -p "$out"
cp "$work/real.png" "$out/xvfb-window.png"
cp "$work/latin.png" "$out/xvfb-window-latin-only.png"

# Caption areas, in window coordinates: the first toolbar button "搜索", the
# status bar's "总数：" panel, and the interval label "搜索间隔[秒]：".
areas=("55x23+2+3" "39x19+0+390" "80x24+2+32")
for area in "${areas[@]}"; do
  convert "$work/real.png" -crop "$area" +repage "$work/real-crop.png"
  convert "$work/latin.png" -crop "$area" +repage "$work/latin-crop.png"
  # Ink: the share of clearly dark pixels.
  ink=$(convert "$work/real-crop.png" -colorspace Gray -threshold 50% -negate -format '%[fx:mean]' info:)
  awk -v ink="$ink" 'BEGIN {exit !(ink > 0.03)}' || fail "caption area $area has no ink (share $ink)"
  differing=$(compare -metric AE -fuzz 10% "$work/real-crop.png" "$work/latin-crop.png" null: 2>&1 || true)
  differing=${differing%% *}
  awk -v d="$differing" 'BEGIN {exit !(d > 15)}' ||
    fail "caption area $area looks the same with and without a CJK font ($differing pixels differ)"
  echo "area $area: ink share $ink, $differing pixels differ from the Latin-only drawing"
done
echo "window $name: $width x $height"
echo "xvfb: 1 passed, 0 failed"
