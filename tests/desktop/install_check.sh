#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the program, its
# desktop entry and its icons land where a Linux desktop looks for them.
# Usage: install_check.sh <build dir>
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }

[ -x "$prefix/bin/valofax" ] || fail "bin/valofax missing or not executable"
desktop=$prefix/share/applications/valofax.desktop
[ -f "$desktop" ] || fail "share/applications/valofax.desktop missing"
for line in '[Desktop Entry]' 'Type=Application' 'Name=Valo传真搜索' 'Exec=valofax' 'Icon=valofax' \
  'Categories=Network;Office;'; do
  grep -qxF "$line" "$desktop" || fail "desktop entry lacks the line '$line'"
done

# A PNG keeps its width and height as 32-bit big-endian numbers at bytes 16..23.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{printf "%dx%d", $3*256+$4, $7*256+$8}'; }
for size in 32 64; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/valofax.png
  [ -f "$icon" ] || fail "${size}x${size} icon missing"
  [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$icon is not a PNG"
  [ "$(png_size "$icon")" = "${size}x${size}" ] || fail "$icon is $(png_size "$icon"), not ${size}x${size}"
done
# The service and timer of searches without a window, as examples; systemd
# reads them as they stand when it is there to ask.
for unit in valofax-headless@.service valofax-headless@.timer valofax-team@.service; do
  example=$prefix/share/doc/valofax/examples/$unit
  [ -f "$example" ] || fail "share/doc/valofax/examples/$unit missing"
  if command -v systemd-analyze >/dev/null; then
    cp "$example" "$prefix/${unit/@/@keywords}"
    out=$(systemd-analyze verify --man=no "$prefix/${unit/@/@keywords}" 2>&1 | grep -i "$unit\|keywords" | grep -v "User\|Group\|valofax.*not found\|Unit .* not found\|/usr/bin/valofax" || true)
    [ -z "$out" ] || fail "systemd finds fault with $unit: $out"
  fi
done
grep -q -- '--headless' "$prefix/share/doc/valofax/examples/valofax-headless@.service" || fail "the service does not run --headless"
grep -q -- "--team" "$prefix/share/doc/valofax/examples/valofax-team@.service" || fail "the team service does not run --team"
echo "install: 1 passed, 0 failed"
