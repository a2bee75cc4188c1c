#!/usr/bin/env bash
# The long run against failing engines: 1,000 keywords (or $1) through the
# real browser. Prints its figures; not part of the default test run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target soak_tests
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 LC_ALL=C.UTF-8
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --disable-background-networking --disable-component-update --no-first-run"
export VALO_SOAK_KEYWORDS="${1:-1000}"
build/tests/soak/soak_tests
