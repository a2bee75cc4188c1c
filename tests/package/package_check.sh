#!/usr/bin/env bash
# Builds the Debian package with the build's CPack configuration into a
# temporary folder and checks what it carries: the program, the desktop
# entry, the icons at every hicolor size, the AppStream metadata and the
# dependencies dpkg-shlibdeps found plus those named by hand. The unpacked
# tree goes through desktop-file-validate, appstreamcli and lintian where
# they are installed. Nothing is installed into the running system.
# Usage: package_check.sh <cpack> <build dir> <version> <geocoder module from usr/bin>
set -euo pipefail
cpack=$1 build=$2 version=$3 geocoder=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# The package goes to the temporary folder, so a run never disturbs the
# build's own package or another test reading the build.
if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack could not build the package"
fi
deb=$work/out/valofax_${version}_amd64.deb
[ -f "$deb" ] || fail "no valofax_${version}_amd64.deb; cpack made: $(ls "$work/out")"

dpkg-deb -c "$deb" >"$work/listing"
awk '{print $6}' "$work/listing" >"$work/files"
# Built by an ordinary user too, every file must still belong to root.
owners=$(awk '$2 != "root/root" {print $2, $6}' "$work/listing")
[ -z "$owners" ] || fail "files not owned by root: $owners"
icons=./usr/share/icons/hicolor
expected=(
  ./usr/bin/valofax
  ./usr/share/applications/valofax.desktop
  ./usr/share/metainfo/example.valofax.valofax.metainfo.xml
  ./usr/share/man/man1/valofax.1.gz
  ./usr/share/doc/valofax/copyright
  ./usr/share/doc/valofax/changelog.gz
  $icons/scalable/apps/valofax.svg
)
sizes=(16 22 24 32 48 64 128 256)
for size in "${sizes[@]}"; do expected+=("$icons/${size}x${size}/apps/valofax.png"); done
for path in "${expected[@]}"; do
  grep -qxF "$path" "$work/files" || fail "the package lacks $path"
done

# Fields as dpkg shows them; every name must stand as a whole entry of Depends.
info=$(dpkg-deb -I "$deb")
for field in "Package: valofax" "Version: $version" "Architecture: amd64" "Section: net" \
  "Maintainer: " "Homepage: https://"; do
  grep -q "^ *$field" <<<"$info" || fail "dpkg-deb -I shows no '$field'"
done
depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/^ *//; s/ .*//')
# libc6 and the browser library come only from dpkg-shlibdeps reading the program.
for name in libc6 libqt6webenginecore6 libqt6webenginewidgets6 libqt6webenginecore6-bin \
  libqt6webengine6-data fonts-arphic-uming fonts-wqy-zenhei; do
  grep -qxF "$name" <<<"$depends" || fail "Depends lacks $name: $(dpkg-deb -f "$deb" Depends)"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
[ -x "$root/usr/bin/valofax" ] || fail "usr/bin/valofax is not executable"
# The geocoder and libpq are loaded when first needed, never at start: the
# module must stand where the installed program looks for it, and the
# program must not name either library for the loader.
[ -f "$root/usr/bin/$geocoder" ] || fail "the package has no usr/bin/$geocoder, where the program looks for it"
if readelf -d "$root/usr/bin/valofax" | grep NEEDED | grep -qE 'libpq|libgeocoding'; then
  fail "usr/bin/valofax links libpq or libgeocoding, which every start would then load"
fi
# A PNG keeps its width and height as 32-bit big-endian numbers at bytes 16..23.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{printf "%dx%d", $3*256+$4, $7*256+$8}'; }
for size in "${sizes[@]}"; do
  icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/valofax.png
  [ "$(png_size "$icon")" = "${size}x${size}" ] || fail "$icon is $(png_size "$icon"), not ${size}x${size}"
done

# Software centres show the newest release of the metadata as the version.
metainfo=$root/usr/share/metainfo/example.valofax.valofax.metainfo.xml
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metadata names no release $version"

checked="files, dependencies"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/valofax.desktop" || fail "desktop-file-validate"
  checked+=", desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
  # validate-tree also checks that the metadata's desktop entry and icon are there.
  HOME=$work appstreamcli validate-tree --no-net "$root" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log" >&2; fail "appstreamcli validate-tree"; }
  checked+=", appstreamcli"
fi
if command -v lintian >/dev/null; then
  HOME=$work lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log" >&2; fail "lintian reports errors"; }
  checked+=", lintian"
fi
echo "checked: $checked"
echo "package: 1 passed, 0 failed"
