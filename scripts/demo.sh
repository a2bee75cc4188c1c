#!/usr/bin/env bash
# Demo without internet: starts the fake search engine on loopback and the
# program with its browser sent through it (Chromium's own proxy switch), so a
# whole search can be watched to its end. Needs a desktop session, and a
# machine whose host name resolves to an address other than 127.0.0.1 (else
# the program rightly says it is offline).
set -euo pipefail
cd "$(dirname "$0")/.."
port="${1:-8765}"
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target valofax fake_engine_server
build/tests/support/fake_engine_server "$port" &
server=$!
trap 'kill $server 2>/dev/null' EXIT
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
export QTWEBENGINE_CHROMIUM_FLAGS="--proxy-server=http://127.0.0.1:$port"
build/src/app/valofax
