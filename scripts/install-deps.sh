#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Idempotent: when everything is present it prints nothing and returns at once.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  clang-format clang-tidy
  # Qt 6.4: widgets, embedded Chromium browser and its helper process
  qt6-base-dev qt6-webengine-dev libqt6webenginecore6-bin libqt6webengine6-data
  libgl-dev
  # text conversion and collation, JPEG decoding
  libicu-dev libjpeg-dev
  # phone-number validity and region (its patterns run by RE2, its metadata
  # read with protobuf), the number store, Excel workbooks
  libphonenumber-dev libre2-dev libprotobuf-dev libqt6sql6-sqlite libsqlite3-dev libxlsxwriter-dev
  # a team's store and keyword queue on a PostgreSQL server, and the private
  # throwaway server its tests start
  libpq-dev postgresql-15 postgresql-common
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # the store's tests and benchmarks read it back and compare with these
  sqlite3 python3-openpyxl
  # a Song-style CJK face standing in for the Windows font, and a real X server
  fonts-arphic-uming fonts-wqy-zenhei fontconfig xvfb x11-utils xauth imagemagick
  # real input events for the program under X, private mount namespaces, and
  # a bare window manager without a tray with a tool to act on its windows
  xdotool util-linux mount openbox wmctrl
  # the Debian package: its dependencies read from the program, and the
  # checks of the package and its desktop entry, icons and AppStream data
  dpkg-dev desktop-file-utils appstream lintian
  # redrawing the PNG icons from the scalable one (scripts/make-icons.sh)
  librsvg2-bin
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
